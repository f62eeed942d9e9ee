// SPDX-License-Identifier: GPL-3.0-or-later
// Reads any text as a locale number under a "," and a "." locale; whatever reads as a number is shown
// by the locale text and reads back to exactly what is shown. Also rounds it to three places.
#include "numbertext.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void check(const QString &text, const QLocale &locale)
{
    const std::optional<double> value = localeNumberReading(text, locale);
    if (!value || !std::isfinite(*value))
        return;
    const QString shown = localeNumberText(*value, locale);
    const std::optional<double> back = localeNumberReading(shown, locale);
    if (!back || localeNumberText(*back, locale) != shown)
        std::abort();
    const double rounded = roundTo3(*value);
    if (roundTo3(rounded) != rounded || std::abs(rounded - *value) > 0.0005 + std::abs(*value) * 1e-15)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QLocale comma(QLocale::Russian, QLocale::Russia);
    static const QLocale point = QLocale::c();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    check(text, comma);
    check(text, point);
    return 0;
}
