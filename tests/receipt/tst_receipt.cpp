// SPDX-License-Identifier: GPL-3.0-or-later
#include "celledit.h"
#include "linesums.h"
#include "memoryflexgrid.h"
#include "numbertext.h"
#include "totalwords.h"

#include <QRandomGenerator>
#include <QTest>

#include <bit>
#include <cmath>
#include <limits>
#include <tuple>

namespace {

const QLocale kComma(QLocale::Russian, QLocale::Russia);
constexpr double kInf = std::numeric_limits<double>::infinity();

// The shortest text that reads back as the same double: an exact comparison (QCOMPARE forgives the last digits).
QString exactly(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

struct Box : TextBox {
    explicit Box(const QString &text = {}) : text(text) {}
    QString Text() const override { return text; }
    void setText(const QString &newText) override { text = newText; }
    QString text;
};

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

const char *const Unchanged = "старые слова";
const char *const NotANumber = "Итог не число: сумма прописью не записана.";
const char *const TooLarge = "Сумма слишком велика: прописью пишутся суммы до 999 999 999 999 999 рублей.";

// An editor that records what the edit cycle did to it.
struct RecordingEditor : CellEditor {
    QString Text() const override { return text; }
    void setText(const QString &t) override { text = t; }
    bool Visible() const override { return visible; }
    void setVisible(bool v) override { visible = v; }
    void Move(int, int, int, int) override { steps << "move"; }
    void SetFocus() override { steps << "focus"; }
    bool ReadOnly() const override { return readOnly; }
    void setReadOnly(bool r) override { readOnly = r; }
    void selectAll() override { steps << "select all"; }
    void setCursorAtEnd() override { steps << "cursor at end"; }

    QString text = "Text1";
    bool visible = false;
    bool readOnly = false;
    QStringList steps;
};

} // namespace

// The receipt's arithmetic: numbers read and written, line sums and the total, the total in words, the cell editor.
class TestReceipt : public QObject
{
    Q_OBJECT

private slots:
    // Text and its number, the same under "," and under "."; the long texts are read in linear time and rounded
    // correctly: 2^53 + 1 lies halfway between two doubles, and a 1 far beyond the 800th digit tips it up.
    // Rows are named by the quoted text (control characters escaped, the long ones cut in the middle).
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("expected");
        const auto row = [](const QString &text, double expected) {
            QString name = text.size() > 24 ? text.first(16) + u'…' + text.last(8) : text;
            name.replace(u'\r', QLatin1String("\\r")).replace(u'\t', QLatin1String("\\t")).replace(u'\n', QLatin1String("\\n"));
            QTest::addRow("\"%s\" (ru)", qUtf8Printable(name)) << text << kComma << expected;
            QTest::addRow("\"%s\" (C)", qUtf8Printable(name)) << text << QLocale::c() << expected;
        };
        for (const char *noNumber : {"", "\r5", "--4", "E5", "&X1", "-&H10"})
            row(noNumber, 0);
        row(" 1 2\t3\n4 ", 1234);
        row(" - 4", -4);
        row("1e-2", 0.01);
        row("2.5D+2", 250);
        row("3E", 3);
        row("&HFFG", 255);
        row("&HA", 10);
        row("&O178", 15);
        row("2,5 кг", 2.5);
        row("1,000.5", 1);
        row("1\u00a0234\u202f567\u2009,5", 1234567.5);
        row("-0,5E1", -5);
        row("-1E999999999999999999999", -kInf);
        row("1E-999999999999999999999", 0);
        row("4.9406564584124654E-324", 5e-324);
        row(QString(100000, u'9'), kInf);
        row("0." + QString(100000, u'0') + "1", 0);
        row("&H" + QString(100000, u'F'), kInf);
        row("9007199254740993" + QString(1000, u'0') + "1E-1001", 9007199254740994.0);
        row("9007199254740993" + QString(1000, u'0') + "E-1000", 9007199254740992.0);
    }

    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(QLocale, locale);
        QFETCH(double, expected);
        QCOMPARE(exactly(::leadingNumber(text, locale)), exactly(expected));
    }

    void localeNumberText()
    {
        QStringList comma, point;
        for (double value : {-0.0, 6.175, -3.5, 1234567.5, 0.1 + 0.2, 1e15, 0.00001, 1.5e-7, 2.0 / 3.0}) {
            comma << ::localeNumberText(value, kComma);
            point << ::localeNumberText(value, QLocale::c());
        }
        const QString expected = "0 6,175 -3,5 1234567,5 0,3 1E+15 1E-05 1,5E-07 0,666666666666667";
        QCOMPARE(comma.join(u' '), expected);
        QCOMPARE(point.join(u' '), QString(expected).replace(u',', u'.').replace(u'E', u'e'));
        // The locale's separator and grouping, blanks around, a sign; anything else is not a number.
        QStringList read;
        for (const char *text : {" -1\u00a0234,5 ", "1\u202f234,5", "1\u2009000", "6.175", "12 шт", "", "abc"})
            read << exactly(::localeNumberReading(text, *text == 'a' ? QLocale::c() : kComma).value_or(qQNaN()));
        QCOMPARE(read.join(u' '), "-1234.5 1234.5 1000 nan nan nan nan");
    }

    // Random values: rounding lands within half a thousandth on a value already rounded, and whatever a
    // value's text shows, reading it gives the double nearest to the shown digits.
    void randomValues()
    {
        QRandomGenerator random(20261206);
        for (int i = 0; i < 60000; ++i) {
            const double bits = std::bit_cast<double>(random.generate64());
            const double value = i % 3 == 0 ? std::ldexp(random.generateDouble() - 0.5, random.bounded(-80, 80))
                               : i % 3 == 1 ? std::round(random.generateDouble() * 1e9) / 1000
                               : std::isfinite(bits) ? bits : 1;
            const double rounded = ::roundTo3(value);
            QVERIFY(std::abs(rounded - value) <= 0.0005 * (1 + 1e-12) + std::abs(value) * 1e-15);
            QCOMPARE(::roundTo3(rounded), rounded);
            const QLocale &locale = i % 2 ? kComma : QLocale::c();
            const QString text = ::localeNumberText(value, locale);
            const double back = ::localeNumberReading(text, locale).value_or(qQNaN());
            QCOMPARE(text + " -> " + exactly(back), text + " -> " + exactly(QString::number(value, 'g', 15).toDouble()));
        }
    }

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

    // Totals written with ","; ";" stands for the other locale's separator. Each total is a row under the
    // "," locale (ru) and one under the "." locale (C). Other than two decimals: whole kopecks from the
    // written digits, half away from zero.
    void words_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *total, const char *words) {
            for (const auto &[name, locale, point, other] : {std::tuple("ru", kComma, u',', u'.'), std::tuple("C", QLocale::c(), u'.', u',')}) {
                const QString text = QString(total).replace(u',', point).replace(u';', other);
                QTest::addRow("%s: %s -> %s", name, qUtf8Printable(text), words) << locale << text << QString(words);
            }
        };
        row("21,01", "двадцать один рубль одна копейка");
        row(" 1234,00 ", "одна тысяча двести тридцать четыре рубля ноль копеек");
        row("6,165", "шесть рублей семнадцать копеек");
        row("2,5", "два рубля пятьдесят копеек");
        row("0,995", "один рубль ноль копеек");
        row("-0,50", "минус ноль рублей пятьдесят копеек");
        row("-0,001", "ноль рублей ноль копеек");
        row("1,5E+3", "одна тысяча пятьсот рублей");
        row("", Unchanged);
        row("999999999999999,99", "девятьсот девяносто девять триллионов девятьсот девяносто девять миллиардов девятьсот девяносто девять "
                                   "миллионов девятьсот девяносто девять тысяч девятьсот девяносто девять рублей девяносто девять копеек");
        for (const char *total : {"1000000000000000", "999999999999999,995", "1,23456789012346E+19"})
            row(total, TooLarge);
        row("inf", NotANumber);
        row("12;50", NotANumber);
        QTest::newRow("ru: 1 250,00 with a narrow no-break blank") << kComma << QString("1\u202f250,00")
                                                                    << QString("одна тысяча двести пятьдесят рублей ноль копеек");
    }

    void words()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, total);
        Box text4(Unchanged);
        writeTotalInWords(Box(total), text4, locale);
        QTEST(text4.Text(), "expected");
    }

    // Focused before the yield, so keys queued behind the one that opened it reach it; shown again over the
    // same cell (an edit pending) it keeps text and cursor. Over the sums it shows them read-only, and
    // neither a write-back nor Esc writes anything.
    void showWriteBackAndCancel()
    {
        MemoryFlexGrid grid;
        grid.setLines({{"1", "Мыло", "шт", "3", "12.5", "37,5"}});
        grid.setCol(4);
        RecordingEditor editor;
        auto yield = [&] { editor.steps << (editor.visible ? "yield" : "yield while hidden") << editor.text; };
        showCellEditor(grid, 600, 1320, editor, EditorOpening::SelectAll, yield);
        editor.text = "13";
        showCellEditor(grid, 600, 1320, editor, EditorOpening::CursorAtEnd, yield);
        QCOMPARE(editor.steps, QStringList({"select all", "move", "focus", "yield", "12.5", "move", "focus", "yield", "13"}));
        editor.text = "14";
        cancelCellEdit(editor);
        QVERIFY(!CommitCellEdit(grid, editor) && !editor.visible);
        grid.setCol(5);
        showCellEditor(grid, 600, 1320, editor, EditorOpening::CursorAtEnd, {});
        QVERIFY(editor.readOnly && editor.steps.contains("cursor at end"));
        editor.text = "доставка";
        QVERIFY(!CommitCellEdit(grid, editor) && !editor.visible);
        QCOMPARE(grid.TextMatrix(1, 4) + ' ' + grid.TextMatrix(1, 5), "12.5 37,5");
    }

    void keyMoves_data()
    {
        QTest::addColumn<EntryKey>("key");
        QTest::addColumn<QPoint>("from");  // (col, row) in a grid of the header row and two lines
        QTest::addColumn<QString>("to");
        QTest::newRow("Tab in a line -> next cell") << EntryKey::Tab << QPoint(3, 1) << "1:4";
        QTest::newRow("Enter after the last price -> a new line") << EntryKey::Enter << QPoint(4, 2) << "3:0 appended";
        QTest::newRow("Shift+Tab at a line's start -> price above") << EntryKey::BackTab << QPoint(0, 2) << "1:4";
        QTest::newRow("Shift+Tab in a line -> previous cell") << EntryKey::BackTab << QPoint(1, 2) << "2:0";
        QTest::newRow("Shift+Tab on the first cell -> nowhere") << EntryKey::BackTab << QPoint(0, 1) << "none";
        QTest::newRow("Up on the first line -> nowhere") << EntryKey::Up << QPoint(2, 1) << "none";
        QTest::newRow("Down -> same column below") << EntryKey::Down << QPoint(5, 1) << "2:5";
    }
    void keyMoves()
    {
        QFETCH(EntryKey, key);
        QFETCH(QPoint, from);
        const std::optional<EntryMove> move = entryMove(key, from.y(), from.x(), 3, 6);
        QFETCH(QString, to);
        QCOMPARE(move ? QStringLiteral("%1:%2%3").arg(move->row).arg(move->col).arg(move->appendLine ? " appended" : "")
                      : QStringLiteral("none"),
                 to);
    }
};

QTEST_GUILESS_MAIN(TestReceipt)
#include "tst_receipt.moc"
