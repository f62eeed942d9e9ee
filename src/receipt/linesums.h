// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "flexgrid.h"
#include "textbox.h"

#include <QLocale>

#include <functional>

// Writes quantity x price, rounded to 3 places, as locale text into column 5 ("Сумма") of every
// receipt line; a product beyond the range of a double leaves that line's sum empty. yield processes
// the window's pending events once per row, before the row is read and summed; lines removed during a
// yield end the loop, so it never writes a sum into a row that no longer holds its line.
void recalculateLineSums(FlexGrid &grid, const QLocale &locale, const std::function<void()> &yield);

// Text7_Click: empties Text4, adds up column 5 exactly into Text7 (showing the running total, yielding
// once per row): in whole kopecks, no decimals for whole roubles, otherwise two. A line sum that is not
// a finite number in the locale empties Text7 and says so in Text4. Lines removed during a yield end
// the adding up early.
void recalculateTotal(const FlexGrid &grid, TextBox &Text7, TextBox &Text4, const QLocale &locale,
                      const std::function<void()> &yield);
