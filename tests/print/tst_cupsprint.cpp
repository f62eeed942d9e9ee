#include "memoryflexgrid.h"
#include "printerpage.h"

#include <QDir>
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUuid>
#include <QtTest>

#include <cstdio>

namespace {

const QString kSpool = QStringLiteral("/var/spool/cups");
const char kChildVariable[] = "SELVARO_TST_CUPSPRINT_CHILD";

ReceiptTexts texts(const QString &header)
{
    return {header, "41", "06.12.2026", "123,50", "сто двадцать три рубля", "Иванова"};
}

void fill(MemoryFlexGrid &grid)
{
    grid.setHeadings({"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"});
    grid.setLines({{"1", "Гвозди", "кг", "2.5", "180", "450"}, {"2", "Шурупы", "уп", "3", "120", "360"}});
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList spooledDocuments()
{
    return QDir(kSpool).entryList({QStringLiteral("d*-001")}, QDir::Files, QDir::Name);
}

// Run in a child process whose print system points nowhere: prints the result of printing on the
// default printer.
int childPrintsWithoutPrintSystem(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    MemoryFlexGrid grid;
    fill(grid);
    auto printer = newDefaultPrinter();
    const PrintResult result = printReceipt(*printer, texts(QStringLiteral("без принтера")), grid);
    std::printf("ok=%d noPrinter=%d reason=%s\n", int(result.ok), int(result.noPrinter), qPrintable(result.reason));
    return 0;
}

} // namespace

class TstCupsPrint : public QObject {
    Q_OBJECT

private slots:
    void printsOnTheDefaultQueue();
    void noPrintSystemIsAFailure();
};

void TstCupsPrint::printsOnTheDefaultQueue()
{
    const QPrinterInfo queue = QPrinterInfo::defaultPrinter();
    if (queue.isNull())
        QSKIP("No default printer (is cupsd running?): run scripts/cups-setup.sh as root to test real printing");
    if (!queue.makeAndModel().contains(QStringLiteral("CUPS-PDF"), Qt::CaseInsensitive))
        QSKIP("The default printer is not a cups-pdf queue: not printing a test receipt on real paper");
    if (!QFileInfo(kSpool).isReadable() || !QFileInfo(kSpool).isExecutable())
        QSKIP("Cannot read the CUPS spool /var/spool/cups (run the tests as root)");

    const QStringList before = spooledDocuments();
    const QString token = QUuid::createUuid().toString(QUuid::Id128).left(12);
    MemoryFlexGrid grid;
    fill(grid);
    const PrintResult result = printReceipt(*newDefaultPrinter(), texts(QStringLiteral("Продавец ") + token), grid);
    QVERIFY2(result.ok, qPrintable(result.reason));

    // CUPS keeps the PDF Qt sent as the job's document: find ours, then wait for the job to finish.
    QString document;
    const auto findOurs = [&] {
        for (const QString &name : spooledDocuments())
            if (!before.contains(name) && run("pdftotext", {kSpool + '/' + name, "-"}).contains(token))
                document = kSpool + '/' + name;
        return !document.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(findOurs(), 20000);
    const QString job = queue.printerName() + '-' + QString::number(QFileInfo(document).fileName().mid(1, 5).toInt());
    const QRegularExpression done("^" + QRegularExpression::escape(job) + "\\s", QRegularExpression::MultilineOption);
    QTRY_VERIFY_WITH_TIMEOUT(run("lpstat", {"-W", "completed", "-o", queue.printerName()}).contains(done), 60000);

    const QString info = run("pdfinfo", {document});
    QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")) && info.contains("(A4)"), qPrintable(info));
    const QString text = run("pdftotext", {"-layout", document, "-"}).simplified();
    for (const QString piece : {"ТОВАРНЫЙ ЧЕК № 41 от 06.12.2026", "Наименование товара", "Гвозди", "Шурупы",
                                "ИТОГО: 123,50", "сто двадцать три рубля", "Продавец Иванова Подпись", "МП"})
        QVERIFY2(text.contains(piece), qPrintable(piece + " not in: " + text));
}

void TstCupsPrint::noPrintSystemIsAFailure()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildVariable, "1");
    env.insert("CUPS_SERVER", "/nonexistent/cups.sock");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY2(out.startsWith("ok=0 noPrinter=1 reason="), qPrintable(out + child.readAllStandardError()));
    QVERIFY(out.size() > QString("ok=0 noPrinter=1 reason=\n").size());
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(kChildVariable))
        return childPrintsWithoutPrintSystem(argc, argv);
    QGuiApplication app(argc, argv);
    TstCupsPrint test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cupsprint.moc"
