// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiptnumber.h"

#include "numbertext.h"

#include <cmath>

namespace {

// The number after TextN, or nothing when TextN is no finite number or too large to go up by one.
std::optional<double> nextNumber(const QString &TextN, const QLocale &locale)
{
    const std::optional<double> number = localeNumberReading(TextN, locale);
    if (!number || !std::isfinite(*number + 1) || *number + 1 == *number)
        return std::nullopt;
    return *number + 1;
}

} // namespace

QString raiseReceiptNumber(const QString &TextN, const QLocale &locale)
{
    const std::optional<double> next = nextNumber(TextN, locale);
    return next ? localeNumberText(*next, locale) : TextN;
}

bool receiptNumberCounts(const QString &TextN, const QLocale &locale)
{
    return nextNumber(TextN, locale).has_value();
}
