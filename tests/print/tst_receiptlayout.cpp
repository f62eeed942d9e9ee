// SPDX-License-Identifier: GPL-3.0-or-later
#include "memoryflexgrid.h"
#include "receiptlayout.h"
#include "receiptnumber.h"

#include <QtTest>

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

} // namespace

class TstReceiptLayout : public QObject {
    Q_OBJECT

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
        QTest::newRow("1000 lines -> 22 sheets") << 1000 << 1 << 22;
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
};

QTEST_GUILESS_MAIN(TstReceiptLayout)
#include "tst_receiptlayout.moc"
