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

// Appends "0" when exactly one character follows the first separator, so "12,5" reads "12,50".
static void padSingleDecimal(TextBox &box, QChar separator)
{
    const QString text = box.Text();
    const qsizetype at = text.indexOf(separator);
    if (at >= 0 && at == text.size() - 2)
        box.setText(text + u'0');
}

void recalculateTotal(const FlexGrid &grid, TextBox &Text7, TextBox &Text4, const QLocale &locale,
                      const std::function<void()> &yield)
{
    Text4.setText(QString());
    double total = 0;
    const int n = grid.Rows() - 1;
    for (int i = 1; i <= n; ++i) {
        const std::optional<double> t = localeNumberReading(grid.TextMatrix(i, 5), locale);
        // An unreadable sum ("inf" included, which the locale reading accepts) ends the total silently.
        if (!t || !std::isfinite(*t))
            return;
        const double sum = roundTo3(*t) + total;
        if (!std::isfinite(sum))
            return;
        total = sum;
        const int rowsBefore = grid.Rows();
        if (yield)
            yield();
        Text7.setText(localeNumberText(total, locale));
        // Lines removed during the yield move the rows below them up, so the next row could be one
        // already counted, or none: the total ends with the lines counted so far.
        if (grid.Rows() < rowsBefore)
            break;
    }
    padSingleDecimal(Text7, u'.');
    padSingleDecimal(Text7, u',');
}
