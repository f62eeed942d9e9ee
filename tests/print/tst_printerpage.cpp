#include "cupsspool.h"
#include "memoryflexgrid.h"
#include "printerpage.h"

#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using CupsSpool::run;

// A printer that cannot start a second sheet.
class OneSheetPrinter : public QPrinter {
public:
    bool newPage() override { return false; }
};

} // namespace

class TstPrinterPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void threeLinesOnOneA4Sheet();
    void sixtyLinesOnTwoSheets();
    void failuresAreReported();

private:
    PrintResult print(QPrinter &printer, int lines, int cols = 6);
    QTemporaryDir m_dir;
};

void TstPrinterPage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext, pdfinfo and pdffonts are missing: install poppler-utils (scripts/deps.sh test)");
}

PrintResult TstPrinterPage::print(QPrinter &printer, int lines, int cols)
{
    MemoryFlexGrid grid(cols, 2);
    grid.setHeadings({"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"});
    QList<QStringList> rows;
    for (int i = 1; i <= lines; ++i)
        rows << QStringList{QString::number(i), QStringLiteral("Товар%1").arg(i, 3, 10, QChar('0')), "шт", "1", "2", "2"};
    grid.setLines(rows);
    return printReceipt(printer, {"ООО Ромашка", "41", "06.12.2026", "123,50", "сто двадцать три рубля", "Иванова"}, grid);
}

void TstPrinterPage::threeLinesOnOneA4Sheet()
{
    const QString pdf = m_dir.filePath("three.pdf");
    const PrintResult result = print(*newPdfPrinter(pdf), 3);
    QVERIFY2(result.ok, qPrintable(result.reason));
    QCOMPARE(result.pages, 1);
    const QString info = run("pdfinfo", {pdf});
    QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")) && info.contains("(A4)"), qPrintable(info));
    const QString fonts = run("pdffonts", {pdf});
    QVERIFY2(fonts.contains(QRegularExpression("LiberationSerif-Bold\\s.*\\syes\\s")) && !fonts.contains("Sans"),
             qPrintable(fonts));

    const QString text = run("pdftotext", {"-layout", pdf, "-"}).simplified();
    qsizetype from = 0;
    for (const QString piece : {"ООО Ромашка", "ТОВАРНЫЙ ЧЕК № 41 от 06.12.2026", "№", "Наименование товара", "Ед.",
                                "Кол-во", "Цена", "Сумма", "Товар001", "Товар002", "Товар003", "ИТОГО: 123,50",
                                "ИТОГО на сумму:", "сто двадцать три рубля", "Продавец Иванова Подпись ___", "МП"}) {
        from = text.indexOf(piece, from);
        QVERIFY2(from >= 0, qPrintable(QString("«%1» missing or out of order in: %2").arg(piece, text)));
    }

    // Word boxes in points (twips / 20): a text's position is the top-left corner of its first letter.
    const QString boxes = run("pdftotext", {"-bbox", pdf, "-"});
    const auto corner = [&boxes](const QString &word) {
        const QRegularExpressionMatch m =
            QRegularExpression(QString(R"re(xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>%1<)re").arg(word)).match(boxes);
        return QPointF(m.captured(1).toDouble(), m.captured(2).toDouble());
    };
    const QPointF cell = corner("Товар002"); // column 1 of the line in slot 4
    QVERIFY2(qAbs(cell.x() - 12.2 * 119 / 20) < 1 && qAbs(cell.y() - 4.1 * 337 / 20) < 1.5,
             qPrintable(QString("%1 %2").arg(cell.x()).arg(cell.y())));
    // The words go on the line under their caption, from the left edge behind nine blanks.
    const QPointF caption = corner("на"), words = corner("сто");
    QVERIFY(words.y() > caption.y() + 8 && words.y() < caption.y() + 16 && words.x() < 30);
}

void TstPrinterPage::sixtyLinesOnTwoSheets()
{
    const QString pdf = m_dir.filePath("sixty.pdf");
    const PrintResult result = print(*newPdfPrinter(pdf), 60);
    QVERIFY2(result.ok, qPrintable(result.reason));
    QCOMPARE(result.pages, 2);
    QVERIFY(run("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+2\\n")));
    // The heading row on both sheets, every line once, one total.
    const QStringList sheets = run("pdftotext", {"-layout", pdf, "-"}).split(u'\f');
    QVERIFY(sheets.size() >= 2 && sheets[0].contains("Наименование товара") && sheets[1].contains("Наименование товара"));
    const QString all = sheets.join(u'\n');
    for (int i = 1; i <= 60; ++i)
        QCOMPARE(all.count(QStringLiteral("Товар%1").arg(i, 3, 10, QChar('0'))), 1);
    QCOMPARE(all.count("ИТОГО:"), 1);
}

void TstPrinterPage::failuresAreReported()
{
    PrintResult result = print(*newPdfPrinter(m_dir.filePath("no/such/dir/receipt.pdf")), 3);
    QVERIFY(!result.ok && !result.noPrinter && result.reason.contains("receipt.pdf"));

    // The second sheet is refused: no half-made document is left behind.
    OneSheetPrinter oneSheet;
    oneSheet.setOutputFileName(m_dir.filePath("half.pdf"));
    result = print(oneSheet, 60);
    QVERIFY(!result.ok && !result.reason.isEmpty());
    QVERIFY(!QFile::exists(m_dir.filePath("half.pdf")));

    // A grid that cannot be laid out starts no document.
    result = print(*newPdfPrinter(m_dir.filePath("never.pdf")), 3, 1);
    QVERIFY(!result.ok && !QFile::exists(m_dir.filePath("never.pdf")));

    // What Qt makes of the default printer when no print system answers: a PDF printer with no file.
    QPrinter silent;
    silent.setOutputFormat(QPrinter::PdfFormat);
    QVERIFY(silent.outputFileName().isEmpty());
    result = print(silent, 3);
    QVERIFY(!result.ok && result.noPrinter && !result.reason.isEmpty());
}

QTEST_MAIN(TstPrinterPage)
#include "tst_printerpage.moc"
