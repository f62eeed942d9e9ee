#include "linesums.h"
#include "memoryflexgrid.h"

#include <QTest>

namespace {

class MemoryTextBox : public TextBox {
public:
    explicit MemoryTextBox(const QString &text = {}) : m_text(text) {}
    QString Text() const override { return m_text; }
    void setText(const QString &text) override { m_text = text; }

private:
    QString m_text;
};

QLocale commaLocale()
{
    return QLocale(QLocale::Russian, QLocale::Russia);
}

// A text written with "," as it reads under the given locale.
QString inLocale(QString text, const QLocale &locale)
{
    if (locale.decimalPoint() == u".")
        text.replace(u',', u'.');
    return text;
}

QStringList column(const FlexGrid &grid, int col)
{
    QStringList cells;
    for (int row = 1; row < grid.Rows(); ++row)
        cells << grid.TextMatrix(row, col);
    return cells;
}

// A grid with one line per entry: quantity 1 and the entry as price, so the entry becomes its sum.
MemoryFlexGrid gridOfPrices(const QStringList &prices)
{
    MemoryFlexGrid grid;
    QList<QStringList> lines;
    for (const QString &price : prices)
        lines << QStringList{QString(), QString(), QString(), QStringLiteral("1"), price, QString()};
    grid.setLines(lines);
    return grid;
}

MemoryFlexGrid gridOfSums(const QStringList &sums)
{
    MemoryFlexGrid grid;
    QList<QStringList> lines;
    for (const QString &sum : sums)
        lines << QStringList{QString(), QString(), QString(), QString(), QString(), sum};
    grid.setLines(lines);
    return grid;
}

const std::function<void()> noYield = [] {};

} // namespace

class tst_LineSums : public QObject {
    Q_OBJECT

private slots:
    void lineSum_data();
    void lineSum();
    void everyLineGetsItsSum();
    void productBeyondRangeLeavesTheSumEmpty();
    void linesRemovedDuringYield_data();
    void linesRemovedDuringYield();

    void total_data();
    void total();
    void totalEndsAtUnreadableSum_data();
    void totalEndsAtUnreadableSum();
    void totalWithLinesRemovedDuringYield();
};

void tst_LineSums::lineSum_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("sum");

    struct Row {
        const char *quantity;
        const char *price;
        const char *sum; // written with ","
    };
    const Row rows[] = {
        {"2", "10.5", "21"},
        {"0.5", "12.35", "6,175"},
        {"2 шт", "3", "6"},
        {"0.0625", "1", "0,062"},
        {"1.1875", "1", "1,188"},
        {"1.0004", "1", "1"},
        {"", "", "0"},
        {"3", "", "0"},
        {"-1", "", "0"},
        {"-2", "1.5", "-3"},
        {"1000000", "1234.567", "1234567000"},
        {"0.1", "0.2", "0,02"},
    };
    for (const QLocale &locale : {commaLocale(), QLocale::c()}) {
        for (const Row &row : rows) {
            const QString sum = inLocale(QString::fromUtf8(row.sum), locale);
            QTest::addRow("%s x %s -> %s (%s)", row.quantity, row.price, qPrintable(sum),
                          qPrintable(locale.name()))
                << locale << QString::fromUtf8(row.quantity) << QString::fromUtf8(row.price) << sum;
        }
    }
    // A price typed with "," counts its decimals where "," is the decimal separator, and ends at the
    // "," where it is not.
    QTest::newRow("3 x 12,5 -> 37,5 (ru_RU)") << commaLocale() << "3" << "12,5" << "37,5";
    QTest::newRow("3 x 12,5 -> 36 (C)") << QLocale::c() << "3" << "12,5" << "36";
}

void tst_LineSums::lineSum()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, quantity);
    QFETCH(QString, price);
    QFETCH(QString, sum);

    MemoryFlexGrid grid;
    grid.setLines({{"1", "Товар", "шт", quantity, price, "старая сумма"}});
    recalculateLineSums(grid, locale, noYield);
    QCOMPARE(grid.TextMatrix(1, 5), sum);
}

void tst_LineSums::everyLineGetsItsSum()
{
    MemoryFlexGrid grid;
    grid.setHeadings({"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"});
    grid.setLines({{"1", "Гвозди", "кг", "3", "10", "набрано"}, {}, {"", "", "", "0.5", "12.35", ""}});
    int yields = 0;
    recalculateLineSums(grid, commaLocale(), [&] { ++yields; });
    QCOMPARE(column(grid, 5), QStringList({"30", "0", "6,175"}));
    QCOMPARE(grid.TextMatrix(0, 5), QStringLiteral("Сумма"));
    QCOMPARE(yields, 3);

    // Run again over the sums it wrote: nothing changes.
    recalculateLineSums(grid, commaLocale(), noYield);
    QCOMPARE(column(grid, 5), QStringList({"30", "0", "6,175"}));
}

void tst_LineSums::productBeyondRangeLeavesTheSumEmpty()
{
    MemoryFlexGrid grid;
    grid.setLines({{"", "", "", "1e200", "1e200", "5"},
                   {"", "", "", "1e400", "0", "5"},
                   {"", "", "", "2", "2", ""}});
    recalculateLineSums(grid, commaLocale(), noYield);
    QCOMPARE(column(grid, 5), QStringList({"", "", "4"}));

    // The total does not count a line without a sum.
    MemoryTextBox text7(QStringLiteral("было")), text4;
    recalculateTotal(grid, text7, text4, commaLocale(), noYield);
    QCOMPARE(text7.Text(), QStringLiteral("было"));
}

void tst_LineSums::linesRemovedDuringYield_data()
{
    QTest::addColumn<int>("atYield");
    QTest::addColumn<QList<int>>("removed");
    QTest::addColumn<QStringList>("sums");

    // Four lines priced 1, 2, 3, 4; the handler removes the listed rows at the given yield.
    QTest::newRow("last line removed while it is summed") << 4 << QList<int>{4} << QStringList{"1", "2", "3"};
    QTest::newRow("two last lines removed at the first yield")
        << 1 << QList<int>{4, 3} << QStringList{"", ""};
    QTest::newRow("middle line removed: the next line does not get its sum")
        << 2 << QList<int>{2} << QStringList{"1", "", ""};
    QTest::newRow("all but one line removed") << 3 << QList<int>{4, 3, 2} << QStringList{"1"};
}

void tst_LineSums::linesRemovedDuringYield()
{
    QFETCH(int, atYield);
    QFETCH(QList<int>, removed);
    QFETCH(QStringList, sums);

    MemoryFlexGrid grid = gridOfPrices({"1", "2", "3", "4"});
    int yields = 0;
    const auto yield = [&] {
        if (++yields == atYield) {
            for (int row : removed)
                grid.RemoveItem(row);
        }
    };
    recalculateLineSums(grid, commaLocale(), yield);
    QCOMPARE(column(grid, 5), sums);
}

void tst_LineSums::total_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("sums");
    QTest::addColumn<QString>("total");

    struct Row {
        QStringList sums; // written with ","
        const char *total;
    };
    const Row rows[] = {
        {{"21", "6,175"}, "27,175"},
        {{"10,5", "2"}, "12,50"},
        {{"1,25", "2,25"}, "3,50"},
        {{"0"}, "0"},
        {{"7"}, "7"},
        {{"6,175"}, "6,175"},
        {{"0,1", "0,2"}, "0,30"},
        {{"-10,5", "2"}, "-8,50"},
        {{"0,0625"}, "0,062"},
        {{"1000000", "234567,89"}, "1234567,89"},
    };
    for (const QLocale &locale : {commaLocale(), QLocale::c()}) {
        for (const Row &row : rows) {
            QStringList sums;
            for (const QString &sum : row.sums)
                sums << inLocale(sum, locale);
            const QString total = inLocale(QString::fromUtf8(row.total), locale);
            QTest::addRow("%s -> %s (%s)", qPrintable(sums.join(u" + ")), qPrintable(total),
                          qPrintable(locale.name()))
                << locale << sums << total;
        }
    }
}

void tst_LineSums::total()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, sums);
    QFETCH(QString, total);

    const MemoryFlexGrid grid = gridOfSums(sums);
    MemoryTextBox text7(QStringLiteral("старый итог")), text4(QStringLiteral("старые слова"));
    recalculateTotal(grid, text7, text4, locale, noYield);
    QCOMPARE(text7.Text(), total);
    QCOMPARE(text4.Text(), QString());

    // A second click shows the same text.
    recalculateTotal(grid, text7, text4, locale, noYield);
    QCOMPARE(text7.Text(), total);
}

void tst_LineSums::totalEndsAtUnreadableSum_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("sums");
    QTest::addColumn<QString>("total");

    QTest::newRow("5, x, 3 -> 5") << commaLocale() << QStringList{"5", "x", "3"} << "5";
    QTest::newRow("2,5, empty -> 2,5 unpadded") << commaLocale() << QStringList{"2,5", ""} << "2,5";
    QTest::newRow("x first -> old text") << commaLocale() << QStringList{"x", "3"} << "12,5";
    QTest::newRow("12.5 under , -> old text") << commaLocale() << QStringList{"12.5"} << "12,5";
    QTest::newRow("12,5 under . -> old text") << QLocale::c() << QStringList{"12,5"} << "12,5";
    QTest::newRow("inf -> old text") << commaLocale() << QStringList{"inf"} << "12,5";
}

void tst_LineSums::totalEndsAtUnreadableSum()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, sums);
    QFETCH(QString, total);

    const MemoryFlexGrid grid = gridOfSums(sums);
    MemoryTextBox text7(QStringLiteral("12,5")), text4(QStringLiteral("старые слова"));
    recalculateTotal(grid, text7, text4, locale, noYield);
    QCOMPARE(text7.Text(), total);
    QCOMPARE(text4.Text(), QString());
}

void tst_LineSums::totalWithLinesRemovedDuringYield()
{
    // Lines 1,5 to 4: the handler run at the first yield removes the last two lines.
    MemoryFlexGrid grid = gridOfSums({"1,5", "2", "3", "4"});
    int yields = 0;
    QStringList shown;
    MemoryTextBox text7, text4;
    const auto yield = [&] {
        shown << text7.Text();
        if (++yields == 1) {
            grid.RemoveItem(4);
            grid.RemoveItem(3);
        }
    };
    recalculateTotal(grid, text7, text4, commaLocale(), yield);
    QCOMPARE(text7.Text(), QStringLiteral("1,50"));
    QCOMPARE(yields, 1);

    // Undisturbed, Text7 shows the running total while the lines are added up.
    shown.clear();
    yields = 0;
    recalculateTotal(grid, text7, text4, commaLocale(), [&] { shown << text7.Text(); });
    QCOMPARE(shown, QStringList({"1,50", "1,5"}));
    QCOMPARE(text7.Text(), QStringLiteral("3,50"));
}

QTEST_GUILESS_MAIN(tst_LineSums)
#include "tst_linesums.moc"
