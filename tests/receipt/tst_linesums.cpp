#include "linesums.h"
#include "memoryflexgrid.h"

#include <QTest>

namespace {

struct MemoryTextBox : TextBox {
    explicit MemoryTextBox(const QString &text = {}) : text(text) {}
    QString Text() const override { return text; }
    void setText(const QString &newText) override { text = newText; }
    QString text;
};

const QLocale comma(QLocale::Russian, QLocale::Russia);
const std::function<void()> noYield = [] {};

// A text written with "," as the locale writes it.
QString inLocale(QString text, const QLocale &locale)
{
    return locale.decimalPoint() == u"." ? text.replace(u',', u'.') : text;
}

QStringList sums(const FlexGrid &grid)
{
    QStringList cells;
    for (int row = 1; row < grid.Rows(); ++row)
        cells << grid.TextMatrix(row, 5);
    return cells;
}

// One line per entry, holding it in column `col`; quantity 1 when the entry is a price.
MemoryFlexGrid gridWith(int col, const QStringList &entries)
{
    MemoryFlexGrid grid;
    QList<QStringList> lines;
    for (const QString &entry : entries) {
        QStringList line(6);
        line[3] = QStringLiteral("1");
        line[col] = entry;
        lines << line;
    }
    grid.setLines(lines);
    return grid;
}

} // namespace

class tst_LineSums : public QObject {
    Q_OBJECT

private slots:
    void lineSum_data();
    void lineSum();
    void linesRemovedDuringYield_data();
    void linesRemovedDuringYield();
    void lineWrittenDuringItsYieldIsSummed();
    void total_data();
    void total();
};

void tst_LineSums::lineSum_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("sum");

    const char *rows[][3] = {
        {"2", "10.5", "21"},     {"0.5", "12.35", "6,175"}, {"2 шт", "3", "6"}, {"0.0625", "1", "0,062"},
        {"1.1875", "1", "1,188"}, {"", "", "0"},           {"-1", "", "0"},
        // A product beyond the range of a double leaves no sum, not a stale one.
        {"1e200", "1e200", ""},  {"1e400", "0", ""},
    };
    for (const QLocale &locale : {comma, QLocale::c()}) {
        for (const auto &row : rows) {
            const QString sum = inLocale(QString::fromUtf8(row[2]), locale);
            QTest::addRow("%s x %s -> %s (%s)", row[0], row[1], qPrintable(sum), qPrintable(locale.name()))
                << locale << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1]) << sum;
        }
    }
    // A price typed with "," keeps its decimals only where "," is the decimal separator.
    QTest::newRow("3 x 12,5 -> 37,5 (ru_RU)") << comma << "3" << "12,5" << "37,5";
    QTest::newRow("3 x 12,5 -> 36 (C)") << QLocale::c() << "3" << "12,5" << "36";
}

void tst_LineSums::lineSum()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, quantity);
    QFETCH(QString, price);
    QFETCH(QString, sum);

    MemoryFlexGrid grid;
    grid.setHeadings({"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"});
    grid.setLines({{"1", "Гвозди", "кг", quantity, price, "набрано"}, {"2", "", "", "3", "10", ""}});
    recalculateLineSums(grid, locale, noYield);
    QCOMPARE(sums(grid), QStringList({sum, "30"}));
    QCOMPARE(grid.TextMatrix(0, 5), QStringLiteral("Сумма"));
}

void tst_LineSums::linesRemovedDuringYield_data()
{
    QTest::addColumn<int>("atYield");
    QTest::addColumn<QList<int>>("removed");
    QTest::addColumn<QStringList>("sums");
    QTest::addColumn<QString>("total");

    // Four lines priced (or summed) 1 to 4; a handler run at the given yield removes the listed rows.
    QTest::newRow("last line removed while it is summed") << 4 << QList<int>{4} << QStringList{"1", "2", "3"} << "10";
    QTest::newRow("middle line removed: the next line does not get its sum")
        << 2 << QList<int>{2} << QStringList{"1", "", ""} << "3";
    QTest::newRow("all but one line removed at the first yield") << 1 << QList<int>{4, 3, 2} << QStringList{""} << "1";
}

void tst_LineSums::linesRemovedDuringYield()
{
    QFETCH(int, atYield);
    QFETCH(QList<int>, removed);
    const auto removingAt = [&](MemoryFlexGrid &grid) {
        return [&, yields = 0]() mutable {
            if (++yields == atYield)
                for (int row : removed)
                    grid.RemoveItem(row);
        };
    };
    MemoryFlexGrid priced = gridWith(4, {"1", "2", "3", "4"});
    recalculateLineSums(priced, comma, removingAt(priced));
    QTEST(sums(priced), "sums");

    MemoryFlexGrid summed = gridWith(5, {"1", "2", "3", "4"});
    MemoryTextBox text7, text4;
    recalculateTotal(summed, text7, text4, comma, removingAt(summed));
    QTEST(text7.Text(), "total");
}

void tst_LineSums::lineWrittenDuringItsYieldIsSummed()
{
    MemoryFlexGrid grid = gridWith(4, {"1", "2"});
    recalculateLineSums(grid, comma, [&grid, yields = 0]() mutable {
        if (++yields == 2)
            grid.setTextMatrix(2, 4, QStringLiteral("5"));
    });
    QCOMPARE(sums(grid), QStringList({"1", "5"}));
}

void tst_LineSums::total_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("sums");
    QTest::addColumn<QString>("total");

    // Text7 holds "старый" before the click; an unreadable sum ends the adding up silently.
    const QList<QPair<QStringList, const char *>> rows = {
        {{"21", "6,175"}, "27,175"}, {{"10,5", "2"}, "12,50"},  {{"0"}, "0"},
        {{"7"}, "7"},                {{"0,1", "0,2"}, "0,30"},  {{"-10,5", "2"}, "-8,50"},
        {{"5", "x", "3"}, "5"},      {{"2,5", ""}, "2,5"},      {{"inf"}, "старый"},
    };
    for (const QLocale &locale : {comma, QLocale::c()}) {
        for (const auto &[written, total] : rows) {
            QStringList sums;
            for (const QString &sum : written)
                sums << inLocale(sum, locale);
            const QString expected = inLocale(QString::fromUtf8(total), locale);
            QTest::addRow("%s -> %s (%s)", qPrintable(sums.join(u" + ")), qPrintable(expected),
                          qPrintable(locale.name()))
                << locale << sums << expected;
        }
    }
    QTest::newRow("1E+308 + 1E+308 -> 1E+308") << comma << QStringList{"1E+308", "1E+308"} << "1E+308";
    QTest::newRow("12.5 under , -> старый") << comma << QStringList{"12.5"} << "старый";
    QTest::newRow("12,5 under . -> старый") << QLocale::c() << QStringList{"12,5"} << "старый";
}

void tst_LineSums::total()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, sums);
    QFETCH(QString, total);

    const MemoryFlexGrid grid = gridWith(5, sums);
    MemoryTextBox text7(QStringLiteral("старый")), text4(QStringLiteral("старые слова"));
    recalculateTotal(grid, text7, text4, locale, noYield);
    QCOMPARE(text7.Text(), total);
    QCOMPARE(text4.Text(), QString());
}

QTEST_GUILESS_MAIN(tst_LineSums)
#include "tst_linesums.moc"
