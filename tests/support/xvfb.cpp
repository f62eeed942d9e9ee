// SPDX-License-Identifier: GPL-3.0-or-later
#include "xvfb.h"

#include <QStandardPaths>

Xvfb::Xvfb()
{
    for (const char *program : {"Xvfb", "xdotool"})
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            m_reason = QStringLiteral("%1 is not installed (apt-get install xvfb xdotool)").arg(program);
            return;
        }
    // -displayfd: the server takes the first free display and writes its number to standard output.
    m_server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    while (!m_server.canReadLine() && m_server.waitForReadyRead(20000)) {
    }
    const QString number = QString::fromLatin1(m_server.readLine()).trimmed();
    if (number.isEmpty())
        m_reason = "Xvfb did not start: " + QString::fromLocal8Bit(m_server.readAllStandardError());
    else
        m_display = ':' + number;
}

Xvfb::~Xvfb()
{
    m_server.terminate();
    if (!m_server.waitForFinished(5000))
        m_server.kill();
}

QProcessEnvironment Xvfb::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("XAUTHORITY");
    return env;
}

QString Xvfb::xdotool(const QStringList &args) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start("xdotool", args);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QStringList Xvfb::keyNames(const QString &text)
{
    QStringList names;
    for (QChar ch : text)
        names << (ch == u'\t' ? "Tab" : ch == u'\r' ? "Return" : ch == u'.' ? "period" : ch == u' ' ? "space" : QString(ch));
    return names;
}
