// SPDX-License-Identifier: GPL-3.0-or-later
#include "cupsspool.h"
#include "memoryflexgrid.h"
#include "printerpage.h"
#include "receiptlayout.h"
#include "receiptnumber.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

using CupsSpool::run;

namespace {

const QStringList kHeadings = {"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"};
const QList<int> kBounds = {4, 10, 46, 53, 63, 74, 88};
const QSize kA4(11906, 16838);
// Every character half an em wide (a 10-point letter 100 twips).
const TextWidth kHalfEm = [](const QString &text, int pointSize) { return text.size() * pointSize * 10.0; };

// Positions are kept in single precision: a twentieth of a twip is far below anything printed.
QString at(double x, double y)
{
    return QStringLiteral("(%1, %2)").arg(x, 0, 'f', 1).arg(y, 0, 'f', 1);
}

// The page as a surface shows it: each text with its size and boldness, each rule with its width.
QStringList drawn(const DrawOps &ops)
{
    QStringList out;
    int size = 0, width = 0, bold = 0;
    QString point;
    for (const DrawOp &op : ops) {
        switch (op.kind) {
        case DrawOp::FontSize: size = op.value; break;
        case DrawOp::Bold: bold = op.value; break;
        case DrawOp::DrawWidth: width = op.value; break;
        case DrawOp::CurrentPoint: point = at(op.x1, op.y1); break;
        case DrawOp::Print: out << QStringLiteral("%1%2 %3 %4").arg(size).arg(QString(bold ? "b" : ""), point, op.text); break;
        case DrawOp::Line: out << QStringLiteral("w%1 %2-%3").arg(width).arg(at(op.x1, op.y1), at(op.x2, op.y2)); break;
        case DrawOp::NewPage: case DrawOp::EndDoc: out << describe(op); break;
        default: break;
        }
    }
    return out;
}

ReceiptLayout layOut(const QList<QStringList> &lines, const ReceiptTexts &texts = {}, QSize page = kA4)
{
    return tabPrint(texts, TextGrid(kHeadings, lines), page, kHalfEm);
}

// Prints a receipt of lines numbered "Товар001" on.
PrintResult print(QPrinter &printer, int lines, int cols = 6, const QString &header = "ООО Ромашка")
{
    QList<QStringList> rows;
    for (int i = 1; i <= lines; ++i)
        rows << QStringList{QString::number(i), QStringLiteral("Товар%1").arg(i, 3, 10, QChar('0')), "шт", "1", "2", "2"};
    return printReceipt(printer, {header, "41", "06.12.2026", "123,50", "сто двадцать три рубля", "Иванова"}, TextGrid(kHeadings.mid(0, cols), rows));
}

} // namespace

// The printed page: its drawing operations laid out in twips, and their rendering to PDF and on a queue.
class TstPrint : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void threeLines_data()
    {
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QSize>("units");
        QTest::addColumn<ReceiptTexts>("texts");
        QTest::newRow("A4 -> 119, 337") << kA4 << QSize(119, 337) << ReceiptTexts{"ООО Ромашка", "41", "06.12.2026", "123,50", "сто рублей", "Иванова"};
        QTest::newRow("12250x16825 -> 122, 336 (halves to even), empty boxes") << QSize(12250, 16825) << QSize(122, 336) << ReceiptTexts{};
    }

    void threeLines()
    {
        QFETCH(QSize, page);
        QFETCH(ReceiptTexts, texts);
        // The empty middle line is still a bordered row.
        const QList<QStringList> lines = {{"1", "Гвозди 100 мм", "кг", "2.5", "180", "450"}, {}, {"3", "Дюбели", "шт", "100", "1.5", "150"}};
        const ReceiptLayout layout = layOut(lines, texts, page);
        QTEST(QSize(layout.dx, layout.dy), "units");

        // Thick rules: the top, under the headings, after "№" (10), the right edge (88) and the closing rule.
        const int dx = layout.dx, dy = layout.dy;
        const auto across = [&](int k, int w) { return QStringLiteral("w%1 %2-%3").arg(w).arg(at(4 * dx, k * dy), at(88 * dx, k * dy)); };
        const auto down = [&](int c, int k) {
            return QStringLiteral("w%1 %2-%3").arg(c == 1 || c == 6 ? 2 : 1).arg(at(kBounds[c] * dx, k * dy), at(kBounds[c] * dx, (k + 1) * dy));
        };
        QStringList expected = {"12b " + at(15 * dx, 0) + ' ' + texts.TxtClish,
                                "14b " + at(25 * dx, dy) + "  ТОВАРНЫЙ ЧЕК № " + texts.TextN + "   от  " + texts.date, across(2, 2)};
        for (int c = 0; c <= 6; ++c)
            expected << down(c, 2) << "10b " + at((kBounds[c] + 2.1) * dx, 2.1 * dy) + ' ' + kHeadings.value(c);
        expected << across(3, 2);
        for (int row = 0; row < 3; ++row) {
            for (int c = 0; c < 6; ++c)
                expected << down(c, 3 + row) << "10b " + at((kBounds[c] + 2.2) * dx, (3.1 + row) * dy) + ' ' + lines[row].value(c);
            expected << down(6, 3 + row) << across(4 + row, 1);
        }
        expected << "12b " + at(67 * dx, 6 * dy) + " ИТОГО: " + texts.Text7
                 << "10b " + at(4 * dx, 7 * dy) + " ИТОГО на сумму: \r\n         " + texts.Text4 << "8b " + at(dx, 8 * dy) + "  "
                 << "12b " + at(15 * dx, 9 * dy) + " Продавец    " + texts.TextFIO + "    Подпись _______________ "
                 << "12b " + at(35 * dx, 10 * dy) + "   МП   " << across(11, 2) << "EndDoc";
        QCOMPARE(drawn(layout.ops), expected);
        // An A4 sheet upright, whatever paper the printer was set to.
        QStringList sheet;
        for (const DrawOp &op : layout.ops)
            if (op.kind == DrawOp::Orientation || op.kind == DrawOp::PaperSize)
                sheet << describe(op);
        QCOMPARE(sheet, QStringList({"Orientation 1", "PaperSize 9"}));
    }

    void longTextsWrapInsideTheirColumn_data()
    {
        // The name's column leaves room for 39 letters of 100 twips.
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("printed");
        QTest::newRow("line break and tab -> blanks") << "Гвозди\r\n100\tмм" << QStringList{"Гвозди 100 мм"};
        QTest::newRow("10 words -> 5 + 5, broken at blanks") << QStringList(10, "слово").join("  ")
                                                             << QStringList{QStringList(5, "слово").join("  "), QStringList(5, "слово").join("  ")};
        QTest::newRow("90-letter word -> 39 + 39 + 12") << "ок " + QString(90, u'ж') << QStringList{"ок", QString(39, u'ж'), QString(39, u'ж'), QString(12, u'ж')};
    }

    void longTextsWrapInsideTheirColumn()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, printed);
        const QStringList page = drawn(layOut({{"1", name, "шт", "1", "2", "2"}, {"2", "Дюбели"}}).ops);
        // The lines one under another in the name's column, the row's rules as tall as they are, the next
        // row and the footer below them.
        const qsizetype n = printed.size();
        QStringList expected;
        for (qsizetype i = 0; i <= n; ++i)
            expected << "10b " + at(12.2 * 119, (3.1 + i) * 337) + ' ' + (i < n ? printed[i] : "Дюбели");
        QCOMPARE(page.filter(at(12.2 * 119, 0).chopped(5)), expected);
        QVERIFY(page.contains("w2 " + at(88 * 119, 3 * 337) + '-' + at(88 * 119, (3 + n) * 337)));
        QVERIFY(page.contains("12b " + at(67 * 119, (4 + n) * 337) + " ИТОГО: "));
    }

    void longWordsWrapAboveTheSellerLine()
    {
        // 95 letters of 100 twips fit behind the nine blanks before the table's right edge.
        const QString words = QStringList(30, "слово").join(' ');
        const QStringList page = drawn(layOut({{"1"}}, {"", "", "", "", words, ""}).ops);
        QCOMPARE(page.mid(page.indexOf(QRegularExpression(".*ИТОГО на сумму.*", QRegularExpression::DotMatchesEverythingOption)), 3),
                 QStringList({"10b " + at(4 * 119, 5 * 337) + " ИТОГО на сумму: \r\n         " + QStringList(16, "слово").join(' '),
                              "10b " + at(0, 6 * 337) + " \r\n         " + QStringList(14, "слово").join(' '), "8b " + at(119, 7 * 337) + "  "}));
    }

    void refusedOrUnusual()
    {
        // Columns past the sixth take no width, and there is no limit on their number.
        MemoryFlexGrid wide(40, 2);
        wide.setTextMatrix(0, 39, "последний");
        const QStringList headed = drawn(tabPrint({}, wide, kA4, kHalfEm).ops); // each heading after its rule
        QCOMPARE(headed.value(4 + 2 * 39), headed.value(4 + 2 * 6) + "последний");

        // Refused with a reason and no operations: one column, unusable paper, a cell the grid refuses.
        struct RefusingGrid : MemoryFlexGrid {
            int Cols() const override { return 7; }
            QString TextMatrix(int row, int col) const override { return col < 6 ? MemoryFlexGrid::TextMatrix(row, col) : throw GridError("no such cell"); }
        };
        MemoryFlexGrid one(1, 2), grid;
        const QList<ReceiptLayout> refused = {tabPrint({}, one, kA4, kHalfEm), tabPrint({}, grid, QSize(40, 20), kHalfEm),
                                              tabPrint({}, grid, QSize(11906, 2000000000), kHalfEm), tabPrint({}, RefusingGrid(), kA4, kHalfEm)};
        for (const ReceiptLayout &layout : refused)
            QVERIFY(!layout.ok() && layout.ops.isEmpty());
        QVERIFY2(refused.last().error.contains("столбец 7"), qPrintable(refused.last().error));
    }

    void longReceiptsContinueOnFurtherSheets_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("height"); // each line's, in slots
        QTest::addColumn<int>("pages");
        QTest::newRow("41 lines -> 1 sheet") << 41 << 1 << 1;
        QTest::newRow("42 lines -> 2 sheets") << 42 << 1 << 2;
        QTest::newRow("20 lines of 2 slots -> 1 sheet") << 20 << 2 << 1;
        QTest::newRow("21 lines of 2 slots -> 2 sheets") << 21 << 2 << 2;
        QTest::newRow("1 line of 100 slots -> 3 sheets") << 1 << 100 << 3;
    }

    void longReceiptsContinueOnFurtherSheets()
    {
        QFETCH(int, lines);
        QFETCH(int, height);
        QList<QStringList> rows;
        QStringList names;
        const QString more = QString(" " + QString(39, u'ж')).repeated(height - 1); // a line of the column each
        for (int i = 1; i <= lines; ++i)
            rows << QStringList{QString::number(i), names.emplaceBack(QStringLiteral("Товар%1").arg(i)) + more, "шт", "1", "2", "2"};
        const ReceiptLayout layout = layOut(rows);

        // Every line once and in order, headings atop every sheet, the footer with a line, nothing below slot 49.
        const QStringList sheets = drawn(layout.ops).join('\n').split("NewPage");
        QTEST(int(sheets.size()), "pages");
        QCOMPARE(sheets.filter(at(12.1 * 119, 2.1 * 337) + " Наименование товара").size(), sheets.size());
        const QRegularExpression footer("(" + names.last() + "|ж)\n.*ИТОГО: .*ИТОГО на сумму.*Продавец.*  МП   ", QRegularExpression::DotMatchesEverythingOption);
        QVERIFY(sheets.last().contains(footer));
        QCOMPARE(drawn(layout.ops).filter(QRegularExpression(" Товар\\d+$")).replaceInStrings(QRegularExpression("^.* "), ""), names);
        QVERIFY(std::all_of(layout.ops.cbegin(), layout.ops.cend(), [](const DrawOp &op) { return std::max(op.y1, op.y2) <= 49 * 337; }));
    }

    void raisedNumber()
    {
        // No grouping and no exponent; a fraction keeps the locale's separator; what is no number stays.
        const QLocale ru(QLocale::Russian, QLocale::Russia), c = QLocale::c();
        const QStringList raised = {raiseReceiptNumber("41", ru),   raiseReceiptNumber("007", c), raiseReceiptNumber("999999", ru),
                                    raiseReceiptNumber("41,5", ru), raiseReceiptNumber("41.5", c), raiseReceiptNumber("", ru),
                                    raiseReceiptNumber("12abc", c)};
        QCOMPARE(raised, QStringList({"42", "8", "1000000", "42,5", "42.5", "", "12abc"}));
    }

    void printsToPdf_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("pages");
        QTest::newRow("3 lines -> 1 sheet") << 3 << 1;
        QTest::newRow("60 lines -> 2 sheets") << 60 << 2;
    }

    void printsToPdf()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext, pdfinfo and pdffonts are missing: install poppler-utils (scripts/deps.sh test)");
        QFETCH(int, lines);
        QFETCH(int, pages);
        const QString pdf = m_dir.filePath(QStringLiteral("%1.pdf").arg(lines));
        const PrintResult result = print(*newPdfPrinter(pdf), lines);
        QVERIFY2(result.ok && result.pages == pages, qPrintable(result.reason));
        const QString info = run("pdfinfo", {pdf}), fonts = run("pdffonts", {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))) && info.contains("(A4)"), qPrintable(info));
        QVERIFY2(fonts.contains(QRegularExpression("LiberationSerif-Bold\\s.*\\syes\\s")) && !fonts.contains("Sans"), qPrintable(fonts));

        // The texts in reading order, every line once, the heading row atop both sheets.
        const QString heading = " № Наименование товара Ед. Кол-во Цена Сумма";
        QString expected = "ООО Ромашка ТОВАРНЫЙ ЧЕК № 41 от 06.12.2026" + heading;
        for (int i = 1; i <= lines; ++i)
            expected += (i == 47 ? heading : QString()) + QStringLiteral(" %1 Товар%2 шт 1 2 2").arg(i).arg(i, 3, 10, QChar('0'));
        expected += " ИТОГО: 123,50 ИТОГО на сумму: сто двадцать три рубля Продавец Иванова Подпись _______________ МП";
        QCOMPARE(run("pdftotext", {"-layout", pdf, "-"}).simplified(), expected);

        // Word boxes in points (twips / 20): a text's position is the top-left corner of its first letter.
        const auto corner = [boxes = run("pdftotext", {"-bbox", pdf, "-"})](const QString &word) {
            const QRegularExpressionMatch m = QRegularExpression(QString(R"re(xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>%1<)re").arg(word)).match(boxes);
            return QPointF(m.captured(1).toDouble(), m.captured(2).toDouble());
        };
        const QPointF cell = corner("Товар002"), caption = corner("на"), words = corner("сто"); // Товар002: column 1, slot 4
        QVERIFY2(qAbs(cell.x() - 12.2 * 119 / 20) < 1 && qAbs(cell.y() - 4.1 * 337 / 20) < 1.5, qPrintable(QString("%1 %2").arg(cell.x()).arg(cell.y())));
        // The words go on the line under their caption, from the left edge behind nine blanks.
        QVERIFY(words.y() > caption.y() + 8 && words.y() < caption.y() + 16 && words.x() < 30);

        // Blanks copy out as blanks: the fonts' Unicode maps give no glyph the code of a tab.
        const QString unpacked = m_dir.filePath("unpacked.pdf");
        run("mutool", {"clean", "-d", pdf, unpacked});
        QFile file(unpacked);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString codes;
        for (const QRegularExpressionMatch &m : QRegularExpression("(?m)^<[0-9A-F]{4}> <[0-9A-F]{4}> (.*)$").globalMatch(QString::fromLatin1(file.readAll())))
            codes += m.captured(1);
        QVERIFY2(codes.contains("<0441>") && !codes.contains("<0009>"), qPrintable(codes));
        for (const QString &text : {run("pdftotext", {"-raw", pdf, "-"}), run("mutool", {"draw", "-F", "txt", pdf})})
            QVERIFY2(text.contains("ИТОГО на сумму:") && text.contains("сто двадцать три рубля") && !text.contains('\t'), qPrintable(text));
    }

    void staysInsideThePrintableArea()
    {
        // A queue that cannot print within 12 pt of the sides, 14 pt of the top and 17 pt of the bottom.
        const QString queue = QPrinterInfo::defaultPrinter().printerName() + "-margins";
        if (const QString unavailable = CupsSpool::unavailableReason(); !unavailable.isEmpty())
            QSKIP(qPrintable(unavailable));
        if (QPrinterInfo::printerInfo(queue).isNull())
            QSKIP(qPrintable("No queue " + queue + " with margins: run scripts/cups-setup.sh as root"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(queue);
        const QString token = QUuid::createUuid().toString(QUuid::Id128).left(12);
        const QStringList before = CupsSpool::documents();
        QVERIFY(print(printer, 60, 6, token).ok);
        const QString document = CupsSpool::waitForDocument(before, token, queue);
        QVERIFY2(!document.isEmpty(), "the job did not reach the queue or did not complete");

        // Every word of both sheets inside the printable area (a word's box is its font's, a little taller
        // than its letters), and the seller line at its top.
        const QString boxes = run("pdftotext", {"-bbox", document, "-"});
        const QRegularExpression box(R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re");
        int words = 0;
        for (const QRegularExpressionMatch &m : box.globalMatch(boxes)) {
            const QRectF word(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()), QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
            QVERIFY2(QRectF(11.5, 13.5, 583 - 11, 825 - 13).contains(word), qPrintable(m.captured(5)));
            ++words;
        }
        QVERIFY(words > 300 && boxes.count("<page ") == 2);
        QVERIFY2(boxes.contains(QRegularExpression(R"re(yMin="1[3-5]\.\d*"[^>]*>)re" + token)), qPrintable(boxes.left(2000)));
    }

    void failuresAreReported()
    {
        // An unwritable file; a printer that cannot start a second sheet (no half-made file is left);
        // a grid that cannot be laid out (no file is begun); and what Qt makes of the default printer
        // when no print system answers, a PDF printer with no file, which is no printer at all.
        struct OneSheetPrinter : QPrinter { bool newPage() override { return false; } } oneSheet;
        oneSheet.setOutputFileName(m_dir.filePath("half.pdf"));
        QPrinter silent;
        silent.setOutputFormat(QPrinter::PdfFormat);
        const PrintResult results[] = {print(*newPdfPrinter(m_dir.filePath("no/such/dir/receipt.pdf")), 3), print(oneSheet, 60),
                                       print(*newPdfPrinter(m_dir.filePath("never.pdf")), 3, 1), print(silent, 3)};
        for (const PrintResult &result : results)
            QVERIFY(!result.ok && !result.reason.isEmpty() && result.noPrinter == (&result == &results[3]));
        QVERIFY2(results[0].reason.contains("receipt.pdf"), qPrintable(results[0].reason));
        QVERIFY(!QFile::exists(m_dir.filePath("half.pdf")) && !QFile::exists(m_dir.filePath("never.pdf")));
    }
};

QTEST_MAIN(TstPrint)
#include "tst_print.moc"
