// SPDX-License-Identifier: GPL-3.0-or-later
#include "linesums.h"

#include "numbertext.h"

#include <cmath>

void recalculateLineSums(FlexGrid &grid, const QLocale &locale, const std::function<void()> &yield)
{
    const int n = grid.Rows() - 1;
    for (int i = 1; i <= n; ++i) {
        const int rowsBefore = grid.Rows();
        if (yield)
            yield();
        // Lines removed by a handler run during the yield move the rows below them up: row i may now
        // hold another line, or none. The rest is left to the next recalculation.
        if (grid.Rows() < rowsBefore)
            return;
        // The line is read after the yield, so a quantity or price written back by a handler run
        // during it is what gets summed, never the text from before.
        const double q = leadingNumber(grid.TextMatrix(i, 3), locale);
        const double p = leadingNumber(grid.TextMatrix(i, 4), locale);
        const double product = p * q;
        // A product beyond the range of a double has no sum: the cell is emptied rather than left
        // with a stale sum or "inf", so the total cannot count it as a number.
        QString s;
        if (std::isfinite(product)) {
            double rounded = roundTo3(product);
            if (rounded == 0)
                rounded = 0; // never "-0" for a negative quantity with no price
            s = localeNumberText(rounded, locale);
        }
        grid.setTextMatrix(i, 5, s);
    }
}

namespace {

// Appends "0" when exactly one character follows the first separator, so "12,5" reads "12,50".
void padSingleDecimal(TextBox &box, QChar separator)
{
    const QString text = box.Text();
    const qsizetype at = text.indexOf(separator);
    if (at >= 0 && at == text.size() - 2)
        box.setText(text + u'0');
}

// Below this many thousandths in magnitude two sums add up without overflow.
constexpr qint64 kExactLimit = 1'000'000'000'000'000'000;

// Money in whole kopecks: thousandths rounded half away from zero, as accounting rounds money; whole
// roubles without decimals, otherwise two.
QString kopeckText(qint64 thousandths, const QLocale &locale)
{
    const qint64 kopecks = (qAbs(thousandths) + 5) / 10;
    QLocale plain = locale;
    plain.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    QString text = thousandths < 0 && kopecks != 0 ? locale.negativeSign() : QString();
    text += plain.toString(kopecks / 100);
    if (kopecks % 100 != 0)
        text += DecimalSeparator(locale) + QStringLiteral("%1").arg(kopecks % 100, 2, 10, QLatin1Char('0'));
    return text;
}

} // namespace

void recalculateTotal(const FlexGrid &grid, TextBox &Text7, TextBox &Text4, const QLocale &locale,
                      const std::function<void()> &yield)
{
    Text4.setText(QString());
    // Line sums have at most three decimals, so the total is added up exactly in thousandths; only
    // beyond 10^15 roubles, where a double has no thousandths left, is it a double.
    std::optional<qint64> exact = 0;
    double total = 0;
    const int n = grid.Rows() - 1;
    for (int i = 1; i <= n; ++i) {
        const std::optional<double> t = localeNumberReading(grid.TextMatrix(i, 5), locale);
        // "inf" is read by the locale reading too; neither it nor a sum that overflows is a total.
        const double line = t ? roundTo3(*t) : 0;
        if (!t || !std::isfinite(line) || !std::isfinite(line + total)) {
            // No total rather than the total of some of the lines.
            Text7.setText(QString());
            Text4.setText(QStringLiteral("Сумма в строке %1 не число: итог не подведён.").arg(i));
            return;
        }
        total = line + total;
        const std::optional<qint64> thousandths = roundedThousandths(line);
        if (exact && thousandths && qAbs(*exact + *thousandths) < kExactLimit)
            *exact += *thousandths;
        else
            exact.reset();
        const int rowsBefore = grid.Rows();
        if (yield)
            yield();
        Text7.setText(exact ? kopeckText(*exact, locale) : localeNumberText(total, locale));
        // Lines removed during the yield move the rows below them up, so the next row could be one
        // already counted, or none: the total ends with the lines counted so far.
        if (grid.Rows() < rowsBefore)
            break;
    }
    padSingleDecimal(Text7, u'.');
    padSingleDecimal(Text7, u',');
}
