// SPDX-License-Identifier: GPL-3.0-or-later
#include "cupsspool.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

namespace CupsSpool {

static const QString kSpool = QStringLiteral("/var/spool/cups");

QString unavailableReason()
{
    const QPrinterInfo queue = QPrinterInfo::defaultPrinter();
    if (queue.isNull())
        return "No default printer (is cupsd running?): run scripts/cups-setup.sh as root to test real printing";
    if (!queue.makeAndModel().contains("CUPS-PDF", Qt::CaseInsensitive))
        return "The default printer is not a cups-pdf queue: not printing a test receipt on real paper";
    if (!QFileInfo(kSpool).isReadable() || !QFileInfo(kSpool).isExecutable())
        return "Cannot read the CUPS spool /var/spool/cups (run the tests as root)";
    return {};
}

QStringList documents()
{
    return QDir(kSpool).entryList({"d*-001"}, QDir::Files, QDir::Name);
}

QString waitForDocument(const QStringList &before, const QString &token, QString queue)
{
    if (queue.isEmpty())
        queue = QPrinterInfo::defaultPrinter().printerName();
    QString document;
    for (const QDeadlineTimer deadline(60000); !deadline.hasExpired(); QThread::msleep(100)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        for (const QString &name : documents())
            if (document.isEmpty() && !before.contains(name) && run("pdftotext", {kSpool + '/' + name, "-"}).contains(token))
                document = kSpool + '/' + name;
        // The document d<job>-001 belongs to job <queue>-<job>; lpstat lists the job once it completed.
        const QString job = queue + '-' + QString::number(QFileInfo(document).fileName().mid(1, 5).toInt());
        const QRegularExpression done("^" + QRegularExpression::escape(job) + "\\s", QRegularExpression::MultilineOption);
        if (!document.isEmpty() && run("lpstat", {"-W", "completed", "-o", queue}).contains(done))
            return document;
    }
    return {};
}

QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace CupsSpool
