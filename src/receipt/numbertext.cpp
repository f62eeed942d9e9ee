// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace {

// The blanks spreadsheets and accounting programs put between thousands count as ordinary blanks.
bool isWideBlank(QChar c)
{
    return c == u'\u00a0' || c == u'\u202f' || c == u'\u2009';
}

bool isIgnored(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || isWideBlank(c);
}

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int d = -1;
    if (u >= u'0' && u <= u'9')
        d = u - u'0';
    else if (u >= u'a' && u <= u'f')
        d = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        d = u - u'A' + 10;
    return d < base ? d : -1;
}

// Walks the characters of a text, stepping over blanks, tabs and line feeds wherever they stand.
class Cursor
{
public:
    explicit Cursor(QStringView text) : m_text(text) { skip(); }
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }
    void next()
    {
        ++m_pos;
        skip();
    }

private:
    void skip()
    {
        while (m_pos < m_text.size() && isIgnored(m_text[m_pos]))
            ++m_pos;
    }
    QStringView m_text;
    qsizetype m_pos = 0;
};

double readWhole(Cursor &cursor, int base)
{
    // Accumulated in a double: exact up to 2^53, then rounded, and infinity for absurdly long texts.
    double value = 0;
    for (int d; (d = digitValue(cursor.peek(), base)) >= 0; cursor.next())
        value = value * base + d;
    return value;
}

// More significant digits than a double can ever need to be rounded correctly.
constexpr std::size_t kMaxDigits = 800;
// Exponents are saturated here; anything beyond already means infinity or zero.
constexpr std::int64_t kExponentLimit = 1'000'000;

double fromDecimal(bool negative, const std::string &digits, std::int64_t exponent)
{
    if (digits.empty())
        return 0;
    // A value far outside the range of a double: say so with infinity, or round to zero.
    const std::int64_t magnitude = exponent + std::int64_t(digits.size());
    if (magnitude > 400)
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    if (magnitude < -400)
        return 0;
    std::string text = digits;
    text += 'e';
    text += std::to_string(exponent);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    else if (ec != std::errc())
        value = 0;
    return negative ? -value : value;
}

} // namespace

QChar DecimalSeparator(const QLocale &locale)
{
    const QString half = locale.toString(0.5);
    return half.size() >= 2 ? half.at(1) : locale.decimalPoint().at(0);
}

double leadingNumber(QStringView text, const QLocale &)
{
    Cursor cursor(text);

    if (cursor.peek() == u'&') {
        cursor.next();
        const QChar kind = cursor.peek().toUpper();
        if (kind != u'H' && kind != u'O')
            return 0;
        cursor.next();
        return readWhole(cursor, kind == u'H' ? 16 : 8);
    }

    bool negative = false;
    if (cursor.peek() == u'-' || cursor.peek() == u'+') {
        negative = cursor.peek() == u'-';
        cursor.next();
    }

    // Prices are in roubles, written with "," whatever the machine's locale: both are decimal points.
    const auto isPoint = [](QChar c) { return c == u'.' || c == u','; };

    // The significant digits without leading zeros, and the power of ten of the last one kept.
    std::string digits;
    std::int64_t exponent = 0;
    bool droppedNonZero = false;
    bool seenPoint = false;
    for (;; cursor.next()) {
        const QChar c = cursor.peek();
        if (c >= u'0' && c <= u'9') {
            if (digits.empty() && c == u'0') {
                if (seenPoint)
                    --exponent;
            } else if (digits.size() < kMaxDigits) {
                digits += char(c.unicode());
                if (seenPoint)
                    --exponent;
            } else {
                droppedNonZero = droppedNonZero || c != u'0';
                if (!seenPoint)
                    ++exponent;
            }
        } else if (!seenPoint && isPoint(c)) {
            seenPoint = true;
        } else {
            break;
        }
        exponent = std::clamp(exponent, -kExponentLimit, kExponentLimit);
    }
    // A sticky digit keeps the rounding right when digits beyond the limit were dropped.
    if (droppedNonZero) {
        digits += '1';
        --exponent;
    }

    const QChar e = cursor.peek().toUpper();
    if (e == u'E' || e == u'D') {
        cursor.next();
        bool negativeExponent = false;
        if (cursor.peek() == u'-' || cursor.peek() == u'+') {
            negativeExponent = cursor.peek() == u'-';
            cursor.next();
        }
        std::int64_t written = 0;
        for (int d; (d = digitValue(cursor.peek(), 10)) >= 0; cursor.next())
            written = std::min<std::int64_t>(written * 10 + d, kExponentLimit);
        exponent += negativeExponent ? -written : written;
    }

    return fromDecimal(negative, digits, exponent);
}

QString localeNumberText(double value, const QLocale &locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    // "g" drops trailing zeros and switches to an exponent only below 1e-4 or from 1e15 on.
    return plain.toString(value == 0 ? 0.0 : value, 'g', 15);
}

std::optional<double> localeNumberReading(const QString &text, const QLocale &locale)
{
    // Qt takes an ordinary blank for a locale's own blank-like group separator, so the wide blanks
    // become ordinary ones and read the same in every locale.
    QString plain = text;
    for (QChar &c : plain)
        if (isWideBlank(c))
            c = u' ';
    bool ok = false;
    const double v = locale.toDouble(plain, &ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

std::optional<qint64> roundedThousandths(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    if (value == 0)
        return 0;

    // The shortest decimal text that reads back as this double is the number it stands for: 0.5 × 12.35
    // is held as 6.17499999999999982..., but it is the number 6.175, and 1.0035 is a tie whichever way
    // the binary approximation happens to fall.
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (ec != std::errc())
        return std::nullopt;

    // buffer: "-d.ddde±xx". Gather the digits and the power of ten of the first.
    const char *p = buffer;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    std::string digits;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.')
            digits += *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);

    // Digits down to the third decimal place; 18 of them always fit, 19 may not.
    const int keep = exponent + 1 + 3;
    if (keep > 18)
        return std::nullopt;
    std::int64_t kept = 0;
    for (int i = 0; i < keep; ++i)
        kept = kept * 10 + (std::size_t(i) < digits.size() ? digits[std::size_t(i)] - '0' : 0);
    if (keep >= 0 && std::size_t(keep) < digits.size()) {
        const std::string rest = digits.substr(std::size_t(keep));
        if (rest[0] > '5' || (rest[0] == '5' && (rest.size() > 1 || kept % 2 == 1))) // "5" alone: an exact tie
            ++kept;
    }
    return negative ? -kept : kept;
}

double roundTo3(double value)
{
    const std::optional<qint64> thousandths = roundedThousandths(value);
    // Beyond 10^15 a double holds no thousandths to round, and infinity or NaN stays as it is.
    if (!thousandths)
        return value;
    if (*thousandths == 0)
        return 0.0;
    const std::string text = std::to_string(*thousandths) + "e-3";
    double result = 0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}
