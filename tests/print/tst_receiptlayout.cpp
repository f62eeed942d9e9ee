#include "memoryflexgrid.h"
#include "receiptlayout.h"
#include "receiptnumber.h"

#include <QtTest>

// Lets QCOMPARE print an operation that differs.
char *toString(const DrawOp &op)
{
    return qstrdup(qPrintable(describe(op)));
}

namespace {

// What a surface would show for the list: every text and rule with the attributes in force.
struct Element {
    bool isText = false;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int size = 0;
    bool bold = false;
    int width = 0;
    QString text;
    int page = 1;
};

QList<Element> replay(const DrawOps &ops)
{
    QList<Element> out;
    int size = 0, width = 1, page = 1;
    bool bold = false;
    double x = 0, y = 0;
    for (const DrawOp &op : ops) {
        switch (op.kind) {
        case DrawOp::FontSize: size = op.value; break;
        case DrawOp::Bold: bold = op.value != 0; break;
        case DrawOp::DrawWidth: width = op.value; break;
        case DrawOp::CurrentPoint: x = op.x1; y = op.y1; break;
        case DrawOp::Print: out.append({true, x, y, 0, 0, size, bold, width, op.text, page}); break;
        case DrawOp::Line: out.append({false, op.x1, op.y1, op.x2, op.y2, size, bold, width, {}, page}); break;
        case DrawOp::NewPage: ++page; break;
        default: break;
        }
    }
    return out;
}

QList<Element> texts(const QList<Element> &all)
{
    QList<Element> out;
    for (const Element &e : all)
        if (e.isText)
            out << e;
    return out;
}

QList<Element> rules(const QList<Element> &all)
{
    QList<Element> out;
    for (const Element &e : all)
        if (!e.isText)
            out << e;
    return out;
}

const QStringList kHeadings = {"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"};
const QSize kA4(11906, 16838);
constexpr int kDx = 119, kDy = 337;
const QList<int> kBounds = {4, 10, 46, 53, 63, 74, 88};

ReceiptTexts filledTexts()
{
    return {"ООО «Ромашка», ИНН 7701000000", "41", "06.12.2026", "123,50",
            "сто двадцать три рубля пятьдесят копеек", "Иванова А. П."};
}

QList<QStringList> numberedLines(int n)
{
    QList<QStringList> lines;
    for (int i = 1; i <= n; ++i)
        lines << QStringList{QString::number(i), QStringLiteral("Товар %1").arg(i, 4, 10, QChar('0')), "шт", "1",
                             "2", "2"};
    return lines;
}

// A grid that refuses to give one cell, as a widget grid might for a row being removed.
class RefusingGrid : public MemoryFlexGrid {
public:
    using MemoryFlexGrid::MemoryFlexGrid;
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
    void otherColumnCounts();
    void refusedLayouts();
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
    QTest::newRow("A5 8391x11906 -> 84, 238") << QSize(8391, 11906) << 84 << 238;
    QTest::newRow("halves 12250x16825 -> 122, 336 (to even)") << QSize(12250, 16825) << 122 << 336;
    QTest::newRow("halves 12350x16875 -> 124, 338 (to even)") << QSize(12350, 16875) << 124 << 338;
}

void TstReceiptLayout::unitsFollowThePaper()
{
    QFETCH(QSize, page);
    QFETCH(int, dx);
    QFETCH(int, dy);
    MemoryFlexGrid grid;
    grid.setHeadings(kHeadings);
    const ReceiptLayout layout = tabPrint(filledTexts(), grid, page);
    QVERIFY2(layout.ok(), qPrintable(layout.error));
    QCOMPARE(layout.dx, dx);
    QCOMPARE(layout.dy, dy);
    // The header and the table edges move with the units.
    const QList<Element> t = texts(replay(layout.ops));
    QCOMPARE(t.first().x1, 15.0 * dx);
    QCOMPARE(t.at(1).y1, double(dy));
    const QList<Element> r = rules(replay(layout.ops));
    QCOMPARE(r.first().x1, 4.0 * dx);
    QCOMPARE(r.first().x2, 88.0 * dx);
    QCOMPARE(r.first().y1, 2.0 * dy);
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
    const ReceiptLayout layout = tabPrint(filledTexts(), grid, kA4);
    QVERIFY2(layout.ok(), qPrintable(layout.error));
    QCOMPARE(layout.pages, 1);
    QCOMPARE(moves, 0);
    QCOMPARE(grid.Row(), 1);

    // Set-up first, the document ended last, no sheet break.
    QCOMPARE(layout.ops.at(0), DrawOp::setting(DrawOp::Orientation, 1));
    QCOMPARE(layout.ops.at(1), DrawOp::setting(DrawOp::PaperSize, 9));
    QCOMPARE(layout.ops.at(2), DrawOp::fontName("Times New Roman cyr"));
    QCOMPARE(layout.ops.last(), DrawOp::endDoc());
    for (const DrawOp &op : layout.ops)
        QVERIFY(op.kind != DrawOp::NewPage);

    const QList<Element> all = replay(layout.ops);
    const QList<Element> t = texts(all);
    // header, title, 7 heading passes, 18 cells, 5 footer texts
    QCOMPARE(t.size(), 2 + 7 + 18 + 5);
    for (const Element &e : t)
        QVERIFY2(e.bold, qPrintable(e.text));

    QCOMPARE(t[0].text, QString("ООО «Ромашка», ИНН 7701000000"));
    QCOMPARE(QPointF(t[0].x1, t[0].y1), QPointF(1785, 0));
    QCOMPARE(t[0].size, 12);
    QCOMPARE(t[1].text, QString(" ТОВАРНЫЙ ЧЕК № 41   от  06.12.2026"));
    QCOMPARE(QPointF(t[1].x1, t[1].y1), QPointF(2975, 337));
    QCOMPARE(t[1].size, 14);

    for (int c = 0; c <= 6; ++c) {
        const Element &h = t[2 + c];
        QCOMPARE(h.text, c < 6 ? kHeadings[c] : QString());
        QCOMPARE(h.x1, double(float((kBounds[c] + 2.1) * kDx)));
        QCOMPARE(h.y1, double(float(2.1 * kDy)));
        QCOMPARE(h.size, 10);
    }
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 6; ++c) {
            const Element &cell = t[9 + r * 6 + c];
            QCOMPARE(cell.text, grid.TextMatrix(r + 1, c));
            QCOMPARE(cell.x1, double(float((kBounds[c] + 2.2) * kDx)));
            QCOMPARE(cell.y1, double(float((3 + r + 0.1) * kDy)));
        }
    }

    // Footer: total at slot 6, words 7, spacer 8, seller 9, stamp 10.
    const QList<Element> f = t.mid(27);
    QCOMPARE(f[0].text, QString("ИТОГО: 123,50"));
    QCOMPARE(QPointF(f[0].x1, f[0].y1), QPointF(67 * kDx, 6 * kDy));
    QCOMPARE(f[0].size, 12);
    QCOMPARE(f[1].text, QString("ИТОГО на сумму: \r\n         сто двадцать три рубля пятьдесят копеек"));
    QCOMPARE(QPointF(f[1].x1, f[1].y1), QPointF(4 * kDx, 7 * kDy));
    QCOMPARE(f[1].size, 10);
    QCOMPARE(f[2].text, QString(" "));
    QCOMPARE(QPointF(f[2].x1, f[2].y1), QPointF(kDx, 8 * kDy));
    QCOMPARE(f[2].size, 8);
    QCOMPARE(f[3].text, QString("Продавец    Иванова А. П.    Подпись _______________ "));
    QCOMPARE(QPointF(f[3].x1, f[3].y1), QPointF(15 * kDx, 9 * kDy));
    QCOMPARE(f[3].size, 12);
    QCOMPARE(f[4].text, QString("  МП   "));
    QCOMPARE(QPointF(f[4].x1, f[4].y1), QPointF(35 * kDx, 10 * kDy));
    QCOMPARE(f[4].size, 12);

    // Rules: the heading row, then per body row six verticals, the right edge and the rule under it.
    const QList<Element> r = rules(all);
    QCOMPARE(r.size(), 1 + 7 + 1 + 3 * 8 + 1);
    const auto horizontal = [](const Element &e, int k, int width) {
        return e.x1 == 4 * kDx && e.x2 == 88 * kDx && e.y1 == k * kDy && e.y2 == k * kDy && e.width == width;
    };
    QVERIFY(horizontal(r[0], 2, 2));
    const QList<int> headingWidths = {1, 2, 1, 1, 1, 1, 2};
    for (int c = 0; c <= 6; ++c) {
        QCOMPARE(r[1 + c].x1, double(kBounds[c] * kDx));
        QCOMPARE(r[1 + c].x2, r[1 + c].x1);
        QCOMPARE(r[1 + c].y1, 2.0 * kDy);
        QCOMPARE(r[1 + c].y2, 3.0 * kDy);
        QCOMPARE(r[1 + c].width, headingWidths[c]);
    }
    QVERIFY(horizontal(r[8], 3, 2));
    for (int row = 0; row < 3; ++row) {
        const int k = 3 + row;
        for (int c = 0; c <= 6; ++c) {
            const Element &v = r[9 + row * 8 + c];
            QCOMPARE(v.x1, double(kBounds[c] * kDx));
            QCOMPARE(v.y1, double(k * kDy));
            QCOMPARE(v.y2, double((k + 1) * kDy));
            QCOMPARE(v.width, headingWidths[c]);
        }
        QVERIFY(horizontal(r[9 + row * 8 + 7], k + 1, 1));
    }
    QVERIFY(horizontal(r.last(), 11, 2));
}

void TstReceiptLayout::emptyLineAndEmptyBoxes()
{
    MemoryFlexGrid grid;
    grid.setHeadings(kHeadings);
    grid.setLines({{"1", "Гвозди", "кг", "1", "2", "2"}, {}, {"3", "Дюбели", "шт", "1", "2", "2"}});
    const ReceiptLayout layout = tabPrint(ReceiptTexts{}, grid, kA4);
    QVERIFY(layout.ok());
    const QList<Element> all = replay(layout.ops);

    // The middle row is bordered like the others and its six texts are empty.
    int bottoms = 0;
    for (const Element &e : rules(all))
        bottoms += e.y1 == e.y2 && e.y1 >= 4 * kDy && e.y1 <= 6 * kDy && e.width == 1;
    QCOMPARE(bottoms, 3);
    int middleVerticals = 0;
    for (const Element &e : rules(all))
        middleVerticals += e.x1 == e.x2 && e.y1 == 4 * kDy;
    QCOMPARE(middleVerticals, 7);
    const QList<Element> t = texts(all);
    for (int c = 0; c < 6; ++c)
        QCOMPARE(t[9 + 6 + c].text, QString());

    // Empty boxes leave the captions with their blanks.
    const QList<Element> footer = t.mid(t.size() - 5);
    QCOMPARE(footer[0].text, QString("ИТОГО: "));
    QCOMPARE(footer[1].text, QString("ИТОГО на сумму: \r\n         "));
    QCOMPARE(footer[3].text, QString("Продавец        Подпись _______________ "));
    QCOMPARE(footer[4].text, QString("  МП   "));
    QCOMPARE(t[1].text, QString(" ТОВАРНЫЙ ЧЕК №    от  "));
}

void TstReceiptLayout::otherColumnCounts()
{
    // Five columns: each weighted column is 0.75·W/4 units; 11.5 rounds to 12, 90.875 to 91.
    MemoryFlexGrid five(5, 2);
    five.setHeadings({"a", "b", "c", "d", "e"});
    const ReceiptLayout layout5 = tabPrint(ReceiptTexts{}, five, kA4);
    QVERIFY(layout5.ok());
    QList<double> xs;
    for (const Element &e : rules(replay(layout5.ops)))
        if (e.x1 == e.x2 && e.y1 == 2 * kDy)
            xs << e.x1 / kDx;
    QCOMPARE(xs, (QList<double>{4, 12, 57, 65, 77, 91}));

    // Forty columns: columns past the sixth take no width and nothing is refused.
    MemoryFlexGrid wide(40, 2);
    wide.setTextMatrix(0, 39, "последний");
    const ReceiptLayout layout40 = tabPrint(ReceiptTexts{}, wide, kA4);
    QVERIFY2(layout40.ok(), qPrintable(layout40.error));
    const QList<Element> t = texts(replay(layout40.ops));
    QCOMPARE(t[2 + 39].text, QString("последний"));
    QCOMPARE(t[2 + 39].x1, t[2 + 40].x1);
    QCOMPARE(t[2 + 39].x1, t[2 + 6].x1);
}

void TstReceiptLayout::refusedLayouts()
{
    MemoryFlexGrid one(1, 2);
    ReceiptLayout layout = tabPrint(filledTexts(), one, kA4);
    QVERIFY(!layout.ok());
    QVERIFY(layout.ops.isEmpty());

    MemoryFlexGrid grid;
    for (const QSize page : {QSize(0, 16838), QSize(11906, -1), QSize(40, 20), QSize(2000000000, 16838)}) {
        layout = tabPrint(filledTexts(), grid, page);
        QVERIFY2(!layout.ok(), qPrintable(QString("%1x%2").arg(page.width()).arg(page.height())));
        QVERIFY(layout.ops.isEmpty());
    }

    RefusingGrid refusing(6, 2);
    refusing.setLines(numberedLines(3));
    layout = tabPrint(filledTexts(), refusing, kA4);
    QVERIFY(!layout.ok());
    QVERIFY(layout.error.contains("строка 2"));
    QVERIFY(layout.ops.isEmpty());
}

void TstReceiptLayout::longReceiptsContinueOnFurtherSheets_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("pages");
    QTest::newRow("41 lines -> 1 sheet") << 41 << 1;
    QTest::newRow("42 lines -> 2 sheets") << 42 << 2;
    QTest::newRow("47 lines -> 2 sheets") << 47 << 2;
    QTest::newRow("60 lines -> 2 sheets") << 60 << 2;
    QTest::newRow("95 lines -> 3 sheets") << 95 << 3;
    QTest::newRow("1000 lines -> 22 sheets") << 1000 << 22;
}

void TstReceiptLayout::longReceiptsContinueOnFurtherSheets()
{
    QFETCH(int, lines);
    QFETCH(int, pages);
    MemoryFlexGrid grid;
    grid.setHeadings(kHeadings);
    grid.setLines(numberedLines(lines));
    const ReceiptLayout layout = tabPrint(filledTexts(), grid, kA4);
    QVERIFY2(layout.ok(), qPrintable(layout.error));
    QCOMPARE(layout.pages, pages);

    const QList<Element> all = replay(layout.ops);
    QHash<QString, int> seen;
    QList<int> headingsOnPage(pages + 1, 0);
    QList<int> footerPage;
    for (const Element &e : all) {
        // Nothing comes nearer the bottom edge than the closing rule of a one-sheet receipt.
        QVERIFY(e.y1 >= 0 && e.y1 <= 49 * kDy && e.y2 <= 49 * kDy);
        if (e.text.startsWith("Товар "))
            ++seen[e.text];
        if (e.text == "Наименование товара") {
            ++headingsOnPage[e.page];
            QCOMPARE(e.y1, double(float(2.1 * kDy)));
        }
        if (e.text.startsWith("ИТОГО") || e.text.startsWith("Продавец") || e.text == "  МП   ")
            footerPage << e.page;
    }
    QCOMPARE(seen.size(), lines);
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        QCOMPARE(it.value(), 1);
    for (int p = 1; p <= pages; ++p)
        QCOMPARE(headingsOnPage[p], 1);
    QCOMPARE(footerPage, QList<int>(4, pages));
    // The closing rule is the last rule, on the last sheet, at most at slot 49.
    const Element closing = rules(all).last();
    QCOMPARE(closing.page, pages);
    QCOMPARE(closing.width, 2);
    QVERIFY(closing.y1 <= 49 * kDy);
    if (lines == 41)
        QCOMPARE(closing.y1, double(49 * kDy));
}

void TstReceiptLayout::raisedNumber_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    const QLocale c = QLocale::c();
    for (const QLocale &l : {ru, c}) {
        const QString tag = l == ru ? "ru: " : "C: ";
        QTest::newRow(qPrintable(tag + "41 -> 42")) << l << "41" << "42";
        QTest::newRow(qPrintable(tag + "007 -> 8")) << l << "007" << "8";
        QTest::newRow(qPrintable(tag + "999999 -> 1000000 (no grouping)")) << l << "999999" << "1000000";
        QTest::newRow(qPrintable(tag + "empty unchanged")) << l << "" << "";
        QTest::newRow(qPrintable(tag + "letters unchanged")) << l << "№ А-12" << "№ А-12";
        QTest::newRow(qPrintable(tag + "12abc unchanged")) << l << "12abc" << "12abc";
    }
    QTest::newRow("ru: 41,5 -> 42,5") << ru << "41,5" << "42,5";
    QTest::newRow("C: 41.5 -> 42.5") << c << "41.5" << "42.5";
}

void TstReceiptLayout::raisedNumber()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QCOMPARE(raiseReceiptNumber(before, locale), after);
}

QTEST_GUILESS_MAIN(TstReceiptLayout)
#include "tst_receiptlayout.moc"
