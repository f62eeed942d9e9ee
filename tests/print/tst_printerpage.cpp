#include "memoryflexgrid.h"
#include "printerpage.h"

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kHeadings = {"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"};

ReceiptTexts filledTexts()
{
    return {"ООО Ромашка", "41", "06.12.2026", "123,50", "сто двадцать три рубля пятьдесят копеек",
            "Иванова"};
}

QList<QStringList> numberedLines(int n)
{
    QList<QStringList> lines;
    for (int i = 1; i <= n; ++i)
        lines << QStringList{QString::number(i), QStringLiteral("Товар%1").arg(i, 3, 10, QChar('0')), "шт", "1", "2",
                             "2"};
    return lines;
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A printer that cannot start a second sheet, as a printer running out of memory might.
class OneSheetPrinter : public QPrinter {
public:
    using QPrinter::QPrinter;
    bool newPage() override { return false; }
};

} // namespace

class TstPrinterPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void threeLinesOnOneA4Sheet();
    void textsStandWhereTheListPutsThem();
    void sixtyLinesOnTwoSheets();
    void failuresAreReported();

private:
    QString pdfOf(int lines, PrintResult *result = nullptr);
    QTemporaryDir m_dir;
};

void TstPrinterPage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext/pdfinfo/pdffonts missing: install poppler-utils (scripts/deps.sh test)");
}

QString TstPrinterPage::pdfOf(int lines, PrintResult *result)
{
    MemoryFlexGrid grid;
    grid.setHeadings(kHeadings);
    grid.setLines(numberedLines(lines));
    const QString file = m_dir.filePath(QStringLiteral("receipt-%1.pdf").arg(lines));
    auto printer = newPdfPrinter(file);
    const PrintResult r = printReceipt(*printer, filledTexts(), grid);
    if (result)
        *result = r;
    return r.ok ? file : QString();
}

void TstPrinterPage::threeLinesOnOneA4Sheet()
{
    PrintResult result;
    const QString pdf = pdfOf(3, &result);
    QVERIFY2(result.ok, qPrintable(result.reason));
    QCOMPARE(result.pages, 1);

    const QString info = run("pdfinfo", {pdf});
    QVERIFY(info.contains(QRegularExpression("Pages:\\s+1\\n")));
    QVERIFY2(info.contains(QRegularExpression("Page size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts \\(A4\\)")), qPrintable(info));

    const QString fonts = run("pdffonts", {pdf});
    QVERIFY2(fonts.contains(QRegularExpression("LiberationSerif-Bold\\s.*\\syes\\s")), qPrintable(fonts));
    QVERIFY2(!fonts.contains("Sans"), qPrintable(fonts));

    // Reading order: header, title, headings, lines, total, words, seller, stamp.
    const QString text = run("pdftotext", {"-layout", pdf, "-"}).simplified();
    const QStringList expected = {"ООО Ромашка", "ТОВАРНЫЙ ЧЕК № 41 от 06.12.2026", "№", "Наименование товара",
                                  "Ед.", "Кол-во", "Цена", "Сумма", "Товар001", "Товар002", "Товар003",
                                  "ИТОГО: 123,50", "ИТОГО на сумму:", "сто двадцать три рубля пятьдесят копеек",
                                  "Продавец Иванова Подпись _______________", "МП"};
    qsizetype from = 0;
    for (const QString &piece : expected) {
        const qsizetype at = text.indexOf(piece, from);
        QVERIFY2(at >= 0, qPrintable(QString("«%1» missing or out of order in: %2").arg(piece, text)));
        from = at + piece.size();
    }
}

void TstPrinterPage::textsStandWhereTheListPutsThem()
{
    const QString pdf = pdfOf(3);
    QVERIFY(!pdf.isEmpty());
    // Word boxes in points: the top-left corner of a text is its position in twips / 20.
    const QString html = run("pdftotext", {"-bbox", pdf, "-"});
    const auto box = [&html](const QString &word) {
        const QRegularExpression re(
            QString(R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">%1<)re").arg(QRegularExpression::escape(word)));
        const QRegularExpressionMatch m = re.match(html);
        return m.hasMatch() ? QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                     QPointF(m.captured(1).toDouble() + 1, m.captured(3).toDouble()))
                            : QRectF();
    };
    // "Товар002": column 1 of body row 2 (slot 4), at ((10 + 2.2)·119, 4.1·337) twips, size 10.
    const QRectF cell = box("Товар002");
    QVERIFY2(!cell.isNull(), qPrintable(html.left(2000)));
    QVERIFY(qAbs(cell.left() - 12.2 * 119 / 20) < 1.0);
    QVERIFY2(qAbs(cell.top() - 4.1 * 337 / 20) < 1.5, qPrintable(QString::number(cell.top())));
    QVERIFY(qAbs(cell.height() - 10) < 2.5);
    // The words follow the caption on the next line, at the left edge behind nine blanks.
    const QRectF caption = box("на");
    const QRectF words = box("двадцать");
    QVERIFY(!caption.isNull() && !words.isNull());
    QVERIFY(words.top() > caption.top() + 8);
    QVERIFY(words.top() < caption.top() + 16);
    QVERIFY2(box("сто").left() < 30, qPrintable(QString::number(box("сто").left())));
}

void TstPrinterPage::sixtyLinesOnTwoSheets()
{
    PrintResult result;
    const QString pdf = pdfOf(60, &result);
    QVERIFY2(result.ok, qPrintable(result.reason));
    QCOMPARE(result.pages, 2);
    QVERIFY(run("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+2\\n")));

    QString all;
    for (const QString page : {"1", "2"}) {
        const QString text = run("pdftotext", {"-layout", "-f", page, "-l", page, pdf, "-"});
        QVERIFY2(text.contains("Наименование товара"), qPrintable(page));
        all += text;
    }
    for (int i = 1; i <= 60; ++i)
        QCOMPARE(all.count(QStringLiteral("Товар%1").arg(i, 3, 10, QChar('0'))), 1);
    QCOMPARE(all.count("ТОВАРНЫЙ ЧЕК"), 1);
    QCOMPARE(all.count("ИТОГО:"), 1);
}

void TstPrinterPage::failuresAreReported()
{
    MemoryFlexGrid grid;
    grid.setHeadings(kHeadings);
    grid.setLines(numberedLines(60));

    // No file can be written there.
    auto unwritable = newPdfPrinter(m_dir.filePath("no/such/dir/receipt.pdf"));
    PrintResult result = printReceipt(*unwritable, filledTexts(), grid);
    QVERIFY(!result.ok);
    QVERIFY(!result.noPrinter);
    QVERIFY(result.reason.contains("receipt.pdf"));

    // The second sheet is refused: the half-made document is not left behind.
    const QString half = m_dir.filePath("half.pdf");
    OneSheetPrinter oneSheet(QPrinter::HighResolution);
    oneSheet.setOutputFormat(QPrinter::PdfFormat);
    oneSheet.setOutputFileName(half);
    result = printReceipt(oneSheet, filledTexts(), grid);
    QVERIFY(!result.ok);
    QVERIFY(!result.reason.isEmpty());
    QVERIFY(!QFile::exists(half));

    // A grid that cannot be laid out starts no document.
    MemoryFlexGrid oneColumn(1, 2);
    const QString never = m_dir.filePath("never.pdf");
    auto printer = newPdfPrinter(never);
    result = printReceipt(*printer, filledTexts(), oneColumn);
    QVERIFY(!result.ok);
    QVERIFY(!QFile::exists(never));

    // What Qt makes of the default printer when no print system answers: a PDF printer with no file.
    QPrinter silent(QPrinter::HighResolution);
    silent.setOutputFormat(QPrinter::PdfFormat);
    QVERIFY(silent.outputFileName().isEmpty());
    result = printReceipt(silent, filledTexts(), grid);
    QVERIFY(!result.ok);
    QVERIFY(result.noPrinter);
    QVERIFY(!result.reason.isEmpty());
}

QTEST_MAIN(TstPrinterPage)
#include "tst_printerpage.moc"
