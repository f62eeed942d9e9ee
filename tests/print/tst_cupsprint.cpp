#include "cupsspool.h"
#include "memoryflexgrid.h"
#include "printerpage.h"

#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QUuid>
#include <QtTest>

#include <cstdio>

namespace {

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
    const QString unavailable = CupsSpool::unavailableReason();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));

    const QStringList before = CupsSpool::documents();
    const QString token = QUuid::createUuid().toString(QUuid::Id128).left(12);
    MemoryFlexGrid grid;
    fill(grid);
    const PrintResult result = printReceipt(*newDefaultPrinter(), texts(QStringLiteral("Продавец ") + token), grid);
    QVERIFY2(result.ok, qPrintable(result.reason));

    // CUPS keeps the PDF Qt sent as the job's document.
    const QString document = CupsSpool::waitForDocument(before, token);
    QVERIFY2(!document.isEmpty(), "the job did not reach the default queue or did not complete");
    const QString info = CupsSpool::run("pdfinfo", {document});
    QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")) && info.contains("(A4)"), qPrintable(info));
    const QString text = CupsSpool::run("pdftotext", {"-layout", document, "-"}).simplified();
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
