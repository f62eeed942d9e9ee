#include "memoryflexgrid.h"
#include "receiptlayout.h"
#include "receiptnumber.h"

#include <QtTest>

namespace {

// A text or a rule as a surface would show it, with the attributes in force.
struct Element {
    QPointF from, to;
    int size = 0, width = 1, page = 1;
    bool bold = false;
    QString text;
};

struct Drawn {
    QList<Element> texts, rules;
};

Drawn replay(const DrawOps &ops)
{
    Drawn drawn;
    Element state;
    for (const DrawOp &op : ops) {
        switch (op.kind) {
        case DrawOp::FontSize: state.size = op.value; break;
        case DrawOp::Bold: state.bold = op.value != 0; break;
        case DrawOp::DrawWidth: state.width = op.value; break;
        case DrawOp::NewPage: ++state.page; break;
        case DrawOp::CurrentPoint: state.from = QPointF(op.x1, op.y1); break;
        case DrawOp::Print: drawn.texts << state; drawn.texts.last().text = op.text; break;
        case DrawOp::Line: drawn.rules << Element{{op.x1, op.y1}, {op.x2, op.y2}, 0, state.width, state.page, false, {}}; break;
        default: break;
        }
    }
    return drawn;
}

const QStringList kHeadings = {"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"};
const QSize kA4(11906, 16838);
constexpr int kDx = 119, kDy = 337;
const QList<int> kBounds = {4, 10, 46, 53, 63, 74, 88};

QList<QStringList> numberedLines(int n)
{
    QList<QStringList> lines;
    for (int i = 1; i <= n; ++i)
        lines << QStringList{QString::number(i), QStringLiteral("Товар %1").arg(i), "шт", "1", "2", "2"};
    return lines;
}

ReceiptLayout layOut(const QList<QStringList> &lines, const ReceiptTexts &texts = {}, QSize page = kA4)
{
    MemoryFlexGrid grid;
    grid.setHeadings(kHeadings);
    grid.setLines(lines);
    return tabPrint(texts, grid, page);
}

void checkText(const Element &e, const QString &text, double x, double y, int size)
{
    QCOMPARE(e.text, text);
    // Positions are kept in single precision: a twentieth of a twip is far below anything printed.
    QVERIFY2(qAbs(e.from.x() - x) < 0.05 && qAbs(e.from.y() - y) < 0.05,
             qPrintable(QStringLiteral("%1 at (%2, %3), expected (%4, %5)").arg(text).arg(e.from.x()).arg(e.from.y()).arg(x).arg(y)));
    QCOMPARE(e.size, size);
    QVERIFY(e.bold);
}

void checkRule(const Element &e, double x1, double y1, double x2, double y2, int width)
{
    QCOMPARE(e.from, QPointF(x1, y1));
    QCOMPARE(e.to, QPointF(x2, y2));
    QCOMPARE(e.width, width);
}

// A grid that refuses one cell, as a widget grid might while a row is being removed.
struct RefusingGrid : MemoryFlexGrid {
    QString TextMatrix(int row, int col) const override
    {
        if (row == 2 && col == 3)
            throw GridError("no such cell");
        return MemoryFlexGrid::TextMatrix(row, col);
    }
};

} // namespace

class TstReceiptLayout : public QObject {
    Q_OBJECT

private slots:
    void unitsFollowThePaper_data();
    void unitsFollowThePaper();
    void threeLinesAtTheirPlaces();
    void emptyLineAndEmptyBoxes();
    void unusualGridsAndPages();
    void longReceiptsContinueOnFurtherSheets_data();
    void longReceiptsContinueOnFurtherSheets();
    void raisedNumber_data();
    void raisedNumber();
};

void TstReceiptLayout::unitsFollowThePaper_data()
{
    QTest::addColumn<QSize>("page");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::newRow("A4 11906x16838 -> 119, 337") << kA4 << 119 << 337;
    QTest::newRow("Letter 12240x15840 -> 122, 317") << QSize(12240, 15840) << 122 << 317;
    QTest::newRow("12250x16825 -> 122, 336 (halves to even)") << QSize(12250, 16825) << 122 << 336;
}

void TstReceiptLayout::unitsFollowThePaper()
{
    QFETCH(QSize, page);
    QFETCH(int, dx);
    QFETCH(int, dy);
    const ReceiptLayout layout = layOut(numberedLines(1), {}, page);
    QVERIFY2(layout.ok(), qPrintable(layout.error));
    QCOMPARE(layout.dx, dx);
    QCOMPARE(layout.dy, dy);
    const Drawn drawn = replay(layout.ops);
    QCOMPARE(drawn.texts.at(1).from, QPointF(25 * dx, dy));
    checkRule(drawn.rules.first(), 4 * dx, 2 * dy, 88 * dx, 2 * dy, 2);
}

void TstReceiptLayout::threeLinesAtTheirPlaces()
{
    MemoryFlexGrid grid;
    grid.setHeadings(kHeadings);
    grid.setLines({{"1", "Гвозди 100 мм", "кг", "2.5", "180", "450"},
                   {"2", "Шурупы", "уп", "3", "120", "360"},
                   {"3", "Дюбели", "шт", "100", "1.5", "150"}});
    int moves = 0;
    grid.onRowColChange = [&moves] { ++moves; };
    const ReceiptLayout layout = tabPrint({"ООО Ромашка", "41", "06.12.2026", "123,50", "сто рублей", "Иванова"}, grid, kA4);
    QVERIFY2(layout.ok(), qPrintable(layout.error));
    QCOMPARE(moves, 0); // the caller owns the current cell
    QCOMPARE(layout.pages, 1);
    QCOMPARE(layout.ops.last().kind, DrawOp::EndDoc);

    const auto [t, r] = replay(layout.ops);
    QCOMPARE(t.size(), 2 + 7 + 18 + 5);
    checkText(t[0], "ООО Ромашка", 15 * kDx, 0, 12);
    checkText(t[1], " ТОВАРНЫЙ ЧЕК № 41   от  06.12.2026", 25 * kDx, kDy, 14);
    for (int c = 0; c <= 6; ++c)
        checkText(t[2 + c], kHeadings.value(c), (kBounds[c] + 2.1) * kDx, 2.1 * kDy, 10);
    for (int row = 0; row < 3; ++row)
        for (int c = 0; c < 6; ++c)
            checkText(t[9 + 6 * row + c], grid.TextMatrix(row + 1, c), (kBounds[c] + 2.2) * kDx, (3 + row + 0.1) * kDy, 10);
    checkText(t[27], "ИТОГО: 123,50", 67 * kDx, 6 * kDy, 12);
    checkText(t[28], "ИТОГО на сумму: \r\n         сто рублей", 4 * kDx, 7 * kDy, 10);
    checkText(t[29], " ", kDx, 8 * kDy, 8);
    checkText(t[30], "Продавец    Иванова    Подпись _______________ ", 15 * kDx, 9 * kDy, 12);
    checkText(t[31], "  МП   ", 35 * kDx, 10 * kDy, 12);

    // Thick: the top, under the headings, after "№" (10), the right edge (88) and the closing rule.
    QCOMPARE(r.size(), 1 + 7 + 1 + 3 * 8 + 1);
    const QList<int> widths = {1, 2, 1, 1, 1, 1, 2};
    checkRule(r[0], 4 * kDx, 2 * kDy, 88 * kDx, 2 * kDy, 2);
    for (int row = 0; row < 4; ++row) { // the heading row, then the three lines
        const int k = 2 + row, first = 1 + 8 * row;
        for (int c = 0; c <= 6; ++c)
            checkRule(r[first + c], kBounds[c] * kDx, k * kDy, kBounds[c] * kDx, (k + 1) * kDy, widths[c]);
        checkRule(r[first + 7], 4 * kDx, (k + 1) * kDy, 88 * kDx, (k + 1) * kDy, row == 0 ? 2 : 1);
    }
    checkRule(r.last(), 4 * kDx, 11 * kDy, 88 * kDx, 11 * kDy, 2);
}

void TstReceiptLayout::emptyLineAndEmptyBoxes()
{
    const ReceiptLayout layout = layOut({{"1", "Гвозди", "кг", "1", "2", "2"}, {}, {"3", "Дюбели"}});
    QVERIFY(layout.ok());
    const auto [t, r] = replay(layout.ops);
    // The empty middle line is bordered like the others: seven verticals and the rule under it.
    int verticals = 0, under = 0;
    for (const Element &e : r) {
        verticals += e.from.x() == e.to.x() && e.from.y() == 4 * kDy;
        under += e.from.y() == e.to.y() && e.from.y() == 5 * kDy && e.width == 1;
    }
    QCOMPARE(verticals, 7);
    QCOMPARE(under, 1);
    for (int c = 0; c < 6; ++c)
        QCOMPARE(t[15 + c].text, QString());
    // Empty boxes leave only the captions, blanks included.
    QCOMPARE(t[1].text, QString(" ТОВАРНЫЙ ЧЕК №    от  "));
    QCOMPARE(t[t.size() - 5].text, QString("ИТОГО: "));
    QCOMPARE(t[t.size() - 4].text, QString("ИТОГО на сумму: \r\n         "));
    QCOMPARE(t[t.size() - 2].text, QString("Продавец        Подпись _______________ "));
}

void TstReceiptLayout::unusualGridsAndPages()
{
    // Columns past the sixth take no width, and there is no limit on their number.
    MemoryFlexGrid wide(40, 2);
    wide.setTextMatrix(0, 39, "последний");
    const QList<Element> t = replay(tabPrint({}, wide, kA4).ops).texts;
    QCOMPARE(t.value(2 + 39).text, QString("последний"));
    QCOMPARE(t.value(2 + 39).from, t.value(2 + 6).from);

    // Refused with a reason and no operations: one column, unusable paper, a cell the grid refuses.
    MemoryFlexGrid one(1, 2), grid;
    RefusingGrid refusing;
    refusing.setLines(numberedLines(3));
    const QList<ReceiptLayout> refused = {tabPrint({}, one, kA4), tabPrint({}, grid, QSize(40, 20)),
                                          tabPrint({}, grid, QSize(11906, 2000000000)), tabPrint({}, refusing, kA4)};
    for (const ReceiptLayout &layout : refused)
        QVERIFY(!layout.ok() && layout.ops.isEmpty());
    QVERIFY(refused.last().error.contains("строка 2"));
}

void TstReceiptLayout::longReceiptsContinueOnFurtherSheets_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("pages");
    QTest::newRow("41 lines -> 1 sheet") << 41 << 1;
    QTest::newRow("42 lines -> 2 sheets") << 42 << 2;
    QTest::newRow("1000 lines -> 22 sheets") << 1000 << 22;
}

void TstReceiptLayout::longReceiptsContinueOnFurtherSheets()
{
    QFETCH(int, lines);
    QFETCH(int, pages);
    const ReceiptLayout layout = layOut(numberedLines(lines));
    QVERIFY2(layout.ok(), qPrintable(layout.error));
    QCOMPARE(layout.pages, pages);

    // Every line once; the heading row atop every sheet; the footer together on the last, with at
    // least one line; nothing nearer the sheet's foot than the last slot.
    const Drawn drawn = replay(layout.ops);
    QHash<QString, int> seen;
    QList<int> headingPages, footerPages;
    int lastLinePage = 0;
    for (const Element &e : drawn.texts) {
        QVERIFY(e.from.y() >= 0 && e.from.y() < 49 * kDy);
        if (e.text.startsWith("Товар ")) {
            ++seen[e.text];
            lastLinePage = e.page;
        }
        if (e.text == kHeadings[1]) {
            headingPages << e.page;
            QCOMPARE(e.from.y(), double(float(2.1 * kDy)));
        }
        if (e.text.startsWith("ИТОГО") || e.text.startsWith("Продавец") || e.text == "  МП   ")
            footerPages << e.page;
    }
    QCOMPARE(seen.size(), lines);
    QCOMPARE(std::count(seen.cbegin(), seen.cend(), 1), lines);
    QCOMPARE(headingPages.size(), pages);
    QCOMPARE(headingPages.last(), pages);
    QCOMPARE(footerPages, QList<int>(4, pages));
    QCOMPARE(lastLinePage, pages);
    QCOMPARE(drawn.rules.last().page, pages);
    QVERIFY(drawn.rules.last().from.y() <= 49 * kDy);
}

void TstReceiptLayout::raisedNumber_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QLocale ru(QLocale::Russian, QLocale::Russia), c = QLocale::c();
    QTest::newRow("ru: 41 -> 42") << ru << "41" << "42";
    QTest::newRow("C: 007 -> 8") << c << "007" << "8";
    QTest::newRow("ru: 999999 -> 1000000") << ru << "999999" << "1000000";
    QTest::newRow("ru: 41,5 -> 42,5") << ru << "41,5" << "42,5";
    QTest::newRow("C: 41.5 -> 42.5") << c << "41.5" << "42.5";
    QTest::newRow("ru: empty unchanged") << ru << "" << "";
    QTest::newRow("C: 12abc unchanged") << c << "12abc" << "12abc";
}

void TstReceiptLayout::raisedNumber()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, before);
    QTEST(raiseReceiptNumber(before, locale), "after");
}

QTEST_GUILESS_MAIN(TstReceiptLayout)
#include "tst_receiptlayout.moc"
