// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

// Conversions between the text of grid cells and text boxes and the numbers computed from it.
// Every function takes the user's locale as a parameter; none reads it from the machine.

// The character the locale puts between the whole and the fractional part of a number.
QChar DecimalSeparator(const QLocale &locale);

// Reads the number at the start of text (quantity, price). Blanks (the no-break and thin ones too), tabs
// and line feeds are ignored wherever they stand; then sign, digits, one decimal point, an E or D
// exponent; "&H"/"&O" read hex and octal whole numbers. "." and "," are both decimal points, in every
// locale. Stops at the first character that cannot continue the number; never fails; no number reads
// as 0.
double leadingNumber(QStringView text, const QLocale &locale);

// The locale's text of value: up to 15 significant digits, no grouping, no trailing zeros, the
// locale's decimal separator, exponent only for very large or very small magnitudes.
QString localeNumberText(double value, const QLocale &locale);

// The locale's reading of text as a number (its separator and grouping, surrounding blanks, a sign).
// No-break, narrow no-break and thin blanks read as ordinary blanks. Returns nothing for a text that is
// not a number.
std::optional<double> localeNumberReading(const QString &text, const QLocale &locale);

// value rounded to 3 decimal places, a tie going to the even last digit, judged on the decimal value
// the double holds.
double roundTo3(double value);

// value rounded to 3 places as roundTo3 does, as a whole number of thousandths; nothing for infinity,
// NaN and magnitudes of 10^15 and more.
std::optional<qint64> roundedThousandths(double value);
