// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

// The number of the next receipt: TextN read as a number under locale's rules, plus one, written back
// in the shortest form with locale's decimal separator and no grouping ("41" -> "42", "007" -> "8").
// A text that is not a finite number (empty, letters), or one too large to go up, comes back unchanged.
QString raiseReceiptNumber(const QString &TextN, const QLocale &locale);

// Whether raiseReceiptNumber counts TextN on to a next number.
bool receiptNumberCounts(const QString &TextN, const QLocale &locale);
