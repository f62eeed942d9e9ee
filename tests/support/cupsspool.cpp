#include "cupsspool.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <functional>

namespace CupsSpool {
namespace {

const QString kSpool = QStringLiteral("/var/spool/cups");

bool waitFor(const std::function<bool()> &done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    for (;;) {
        if (done())
            return true;
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
    }
}

} // namespace

QString unavailableReason()
{
    const QPrinterInfo queue = QPrinterInfo::defaultPrinter();
    if (queue.isNull())
        return QStringLiteral("No default printer (is cupsd running?): run scripts/cups-setup.sh as root to test "
                              "real printing");
    if (!queue.makeAndModel().contains(QStringLiteral("CUPS-PDF"), Qt::CaseInsensitive))
        return QStringLiteral("The default printer is not a cups-pdf queue: not printing a test receipt on real paper");
    if (!QFileInfo(kSpool).isReadable() || !QFileInfo(kSpool).isExecutable())
        return QStringLiteral("Cannot read the CUPS spool /var/spool/cups (run the tests as root)");
    return {};
}

QStringList documents()
{
    return QDir(kSpool).entryList({QStringLiteral("d*-001")}, QDir::Files, QDir::Name);
}

QString waitForDocument(const QStringList &before, const QString &token)
{
    QString document;
    const bool found = waitFor(
        [&] {
            for (const QString &name : documents())
                if (!before.contains(name) && run(QStringLiteral("pdftotext"), {kSpool + '/' + name, "-"}).contains(token))
                    document = kSpool + '/' + name;
            return !document.isEmpty();
        },
        20000);
    if (!found)
        return {};

    // The document d<job>-001 belongs to job <queue>-<job>; it is done once lpstat lists it as completed.
    const QString queue = QPrinterInfo::defaultPrinter().printerName();
    const QString job = queue + '-' + QString::number(QFileInfo(document).fileName().mid(1, 5).toInt());
    const QRegularExpression done("^" + QRegularExpression::escape(job) + "\\s", QRegularExpression::MultilineOption);
    const bool completed = waitFor(
        [&] { return run(QStringLiteral("lpstat"), {"-W", "completed", "-o", queue}).contains(done); }, 60000);
    return completed ? document : QString();
}

QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace CupsSpool
