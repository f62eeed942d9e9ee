#include "numbertext.h"

// Placeholder bodies until the conversions are written.
QChar DecimalSeparator(const QLocale &locale)
{
    return locale.decimalPoint().at(0);
}

double leadingNumber(QStringView, const QLocale &)
{
    return 0;
}

QString localeNumberText(double value, const QLocale &locale)
{
    return locale.toString(value, 'g', 15);
}

std::optional<double> localeNumberReading(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double v = locale.toDouble(text, &ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

double roundTo3(double value)
{
    return value;
}
