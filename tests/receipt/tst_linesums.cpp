// SPDX-License-Identifier: GPL-3.0-or-later
#include "linesums.h"
#include "memoryflexgrid.h"

#include <QTest>

namespace {

struct Box : TextBox {
    explicit Box(const QString &text = {}) : text(text) {}
    QString Text() const override { return text; }
    void setText(const QString &newText) override { text = newText; }
    QString text;
};

const QLocale kComma(QLocale::Russian, QLocale::Russia);
const std::function<void()> noYield = [] {};

QString sums(const FlexGrid &grid)
{
    QStringList cells;
    for (int row = 0; row < grid.Rows(); ++row)
        cells << grid.TextMatrix(row, 5);
    return cells.join(u'|');
}

// One line per "|"-separated text: "quantity*price*sum", or the sum alone.
MemoryFlexGrid gridOf(const QString &lines)
{
    const QStringList texts = lines.split(u'|');
    MemoryFlexGrid grid(6, int(texts.size()) + 1);
    for (int row = 1; row < grid.Rows(); ++row) {
        const QStringList cells = texts[row - 1].split(u'*');
        for (int i = 0; i < cells.size(); ++i)
            grid.setTextMatrix(row, 6 - int(cells.size()) + i, cells[i]);
    }
    return grid;
}

} // namespace

class tst_LineSums : public QObject {
    Q_OBJECT

private slots:
    // Line sums replace stale ones (none for a product beyond a double); totals in whole kopecks, none at an
    // unreadable sum, Text7 holding "старый" before. "," stands for the locale's separator, ";" for the other one.
    void sumsAndTotals_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow(",") << kComma;
        QTest::newRow(".") << QLocale::c();
    }

    void sumsAndTotals()
    {
        QFETCH(QLocale, locale);
        const bool comma = locale == kComma;
        const auto local = [comma](QString text) { return text.replace(u',', comma ? u',' : u'.').replace(u';', comma ? u'.' : u','); };
        MemoryFlexGrid grid = gridOf("2*10.5*x|0.5*12.35*x|2 шт*3*x|0.0625*1*x|1.1875*1*x|**x|-1**x|1e200*1e200*x|"
                                     "1e400*0*x|3*12,5*x");
        recalculateLineSums(grid, locale, noYield);
        QCOMPARE(sums(grid), local("|21|6,175|6|0,062|1,188|0|0|||37,5"));

        QStringList totals;
        for (const char *column : {"21|6,175", "10,5|2", "0", "0,1|0,2", "-10,5|2", "-0,005", "2173,688", "5|x|3", "2,5|",
                                   "inf", "12;5", "1E+308|1E+308"}) {
            Box text7(QStringLiteral("старый")), text4(QStringLiteral("старые слова"));
            recalculateTotal(gridOf(local(column)), text7, text4, locale, noYield);
            totals << text7.Text() + (text4.Text().isEmpty() ? "" : " / " + text4.Text());
        }
        const QString failed = " / Сумма в строке %1 не число: итог не подведён.";
        QCOMPARE(totals.join(" | "), local("27,18 | 12,50 | 0 | 0,30 | -8,50 | -0,01 | 2173,69 | ") + failed.arg(2) + " | " +
                                         failed.arg(2) + " | " + failed.arg(1) + " | " + failed.arg(1) + " | " + failed.arg(2));
    }

    // Long receipts of 10 000 lines add up to the exact decimal sum, not to a drifting binary one.
    void exactTotal_data()
    {
        QTest::addColumn<QStringList>("cycle");
        QTest::addColumn<QString>("total");
        QTest::newRow("0,1 each -> 1000") << QStringList{"0,1"} << "1000";
        QTest::newRow("0,1, 0,01, 89,9 in turn -> 300003,43") << QStringList{"0,1", "0,01", "89,9"} << "300003,43";
    }

    void exactTotal()
    {
        QFETCH(QStringList, cycle);
        QStringList column;
        for (int i = 0; i < 10000; ++i)
            column << cycle[i % cycle.size()];
        Box text7, text4;
        recalculateTotal(gridOf(column.join(u'|')), text7, text4, kComma, noYield);
        QTEST(text7.Text(), "total");
    }

    // Four lines priced (or summed) 1 to 4; a handler run at the given yield writes 5 as the price of the
    // line about to be summed, then removes the listed rows.
    void changedDuringYield_data()
    {
        QTest::addColumn<int>("atYield");
        QTest::addColumn<QList<int>>("removed");
        QTest::addColumn<QString>("sums");
        QTest::addColumn<QString>("total");
        QTest::newRow("price written while its line is summed") << 2 << QList<int>{} << "|1|5|3|4" << "10";
        QTest::newRow("last line removed while it is summed") << 4 << QList<int>{4} << "|1|2|3" << "10";
        QTest::newRow("middle line removed: the next one gets no sum") << 2 << QList<int>{2} << "|1||" << "3";
    }

    void changedDuringYield()
    {
        QFETCH(int, atYield);
        QFETCH(QList<int>, removed);
        const auto changingAt = [&](MemoryFlexGrid &grid) {
            return [&, yields = 0]() mutable {
                if (++yields != atYield)
                    return;
                grid.setTextMatrix(atYield, 4, QStringLiteral("5"));
                for (int row : removed)
                    grid.RemoveItem(row);
            };
        };
        MemoryFlexGrid priced = gridOf("1*1*|1*2*|1*3*|1*4*"), summed = gridOf("1|2|3|4");
        recalculateLineSums(priced, kComma, changingAt(priced));
        QTEST(sums(priced), "sums");
        Box text7, text4;
        recalculateTotal(summed, text7, text4, kComma, changingAt(summed));
        QTEST(text7.Text(), "total");
    }
};

QTEST_GUILESS_MAIN(tst_LineSums)
#include "tst_linesums.moc"
