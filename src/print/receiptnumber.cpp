// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiptnumber.h"

#include "numbertext.h"

#include <cmath>

QString raiseReceiptNumber(const QString &TextN, const QLocale &locale)
{
    const std::optional<double> number = localeNumberReading(TextN, locale);
    if (!number || !std::isfinite(*number + 1))
        return TextN;
    return localeNumberText(*number + 1, locale);
}
