// SPDX-License-Identifier: GPL-3.0-or-later
// Reads any text as a leading number under a "," and a "." locale: no crash, no sanitizer report, never
// NaN, and both locales agree (a "," is a decimal point in either).
#include "numbertext.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QLocale comma(QLocale::Russian, QLocale::Russia);
    static const QLocale point = QLocale::c();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const double a = leadingNumber(text, comma);
    const double b = leadingNumber(text, point);
    if (std::isnan(a) || std::isnan(b))
        std::abort();
    if (a != b)
        std::abort();
    return 0;
}
