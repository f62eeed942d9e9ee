// SPDX-License-Identifier: GPL-3.0-or-later
#include "totalwords.h"

#include "numbertext.h"

#include <summastring.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// An amount of money as its decimal digits were written, before any binary rounding.
struct WrittenAmount {
    bool negative = false;
    QString whole;    // digits before the decimal separator
    QString fraction; // digits after it; empty when the text has no decimal part
};

// Splits text into sign, whole digits and decimal digits. Accepts what the total box shows: blanks
// around, a sign, the locale's group separator (or a blank) among the whole digits, the locale's
// decimal separator, and an exponent, which moves the decimal point within the digits.
std::optional<WrittenAmount> splitWritten(const QString &input, const QLocale &locale)
{
    const QString text = input.trimmed();
    const QChar separator = DecimalSeparator(locale);
    const QString group = locale.groupSeparator();
    // The length of the sign text starts with: "-" or "+", or the locale's own signs.
    const auto signLength = [&text](QChar ascii, const QString &own) -> qsizetype {
        if (text.startsWith(ascii))
            return 1;
        return !own.isEmpty() && text.startsWith(own) ? own.size() : 0;
    };

    WrittenAmount amount;
    qsizetype at = signLength(u'-', locale.negativeSign());
    amount.negative = at > 0;
    if (!amount.negative)
        at = signLength(u'+', locale.positiveSign());

    bool inFraction = false;
    while (at < text.size()) {
        const QChar c = text.at(at);
        if (isDigit(c)) {
            (inFraction ? amount.fraction : amount.whole) += c;
            ++at;
        } else if (c == separator && !inFraction) {
            inFraction = true;
            ++at;
        } else if (!inFraction && !group.isEmpty() && QStringView(text).mid(at).startsWith(group)) {
            at += group.size();
        } else if (!inFraction && c.isSpace()) {
            ++at;
        } else {
            break;
        }
    }
    if (amount.whole.isEmpty() && amount.fraction.isEmpty())
        return std::nullopt;
    if (at == text.size())
        return amount;

    // An exponent: the locale's exponent sign (or E), an optional sign, at most three digits.
    QStringView rest = QStringView(text).mid(at);
    const QString marker = locale.exponential();
    if (!marker.isEmpty() && rest.startsWith(marker, Qt::CaseInsensitive))
        rest = rest.mid(marker.size());
    else if (rest.startsWith(u'e', Qt::CaseInsensitive))
        rest = rest.mid(1);
    else
        return std::nullopt;
    bool negativeExponent = false;
    if (rest.startsWith(u'-') || rest.startsWith(u'+')) {
        negativeExponent = rest.startsWith(u'-');
        rest = rest.mid(1);
    }
    if (rest.isEmpty() || rest.size() > 3 || !std::all_of(rest.begin(), rest.end(), isDigit))
        return std::nullopt;
    const int exponent = rest.toInt() * (negativeExponent ? -1 : 1);

    QString digits = amount.whole + amount.fraction;
    qsizetype point = amount.whole.size() + exponent;
    if (point < 0) {
        digits.prepend(QString(-point, u'0'));
        point = 0;
    } else if (point > digits.size()) {
        digits.append(QString(point - digits.size(), u'0'));
    }
    amount.whole = digits.left(point);
    amount.fraction = digits.mid(point);
    return amount;
}

// The largest rouble count written in words.
constexpr qint64 kMaxRoubles = 999'999'999'999'999;

// Rounds the decimal digits of the magnitude to whole kopecks, half away from zero as money is
// rounded (0,125 gives 13 kopecks). Returns 100 when they round up to a whole rouble.
int roundedKopecks(const QString &fraction)
{
    const QString padded = (fraction + QStringLiteral("00")).left(2);
    const int kopecks = padded.toInt();
    return fraction.size() > 2 && fraction.at(2) >= u'5' ? kopecks + 1 : kopecks;
}

// The whole digits as a rouble count, or nothing when there are more roubles than words are written for.
std::optional<qint64> roubleCount(const QString &whole)
{
    qint64 roubles = 0;
    for (const QChar c : whole) {
        roubles = roubles * 10 + (c.unicode() - u'0');
        if (roubles > kMaxRoubles)
            return std::nullopt;
    }
    return roubles;
}

const QString kNotANumber = QStringLiteral("Итог не число: сумма прописью не записана.");
const QString kTooLarge =
    QStringLiteral("Сумма слишком велика: прописью пишутся суммы до 999 999 999 999 999 рублей.");

} // namespace

void writeTotalInWords(const TextBox &Text7, TextBox &Text4, const QLocale &locale)
{
    const QString T = Text7.Text();
    const QChar separator = DecimalSeparator(locale);
    // A total written with "." under a "," locale (or the other way round) is not this locale's
    // number, even where the locale would read "," as digit grouping.
    const QChar otherSeparator = separator == u',' ? u'.' : u',';
    // A total not added up yet has no words; one that cannot be read, or is too large, says why.
    if (T.trimmed().isEmpty())
        return;
    const std::optional<double> value = localeNumberReading(T, locale);
    const std::optional<WrittenAmount> amount = splitWritten(T, locale);
    if (T.contains(otherSeparator) || !value || !amount) {
        Text4.setText(kNotANumber);
        return;
    }
    std::optional<qint64> roubles = roubleCount(amount->whole);
    if (!roubles || !std::isfinite(*value)) {
        Text4.setText(kTooLarge);
        return;
    }
    // The kopecks come from the digits as written, so "6,165" rounds to 17 kopecks and not to
    // whatever the nearest double of 6.165 would give.
    const bool withKopecks = !amount->fraction.isEmpty();
    int kopecks = withKopecks ? roundedKopecks(amount->fraction) : 0;
    if (kopecks == 100) {
        kopecks = 0;
        ++*roubles;
    }
    if (*roubles > kMaxRoubles) {
        Text4.setText(kTooLarge);
        return;
    }

    QString words;
    summaStringWide(words, *roubles, 1, QStringLiteral("рубль"), QStringLiteral("рубля"),
                QStringLiteral("рублей"));
    if (withKopecks) {
        QString kopeckWords;
        SummaString(kopeckWords, kopecks, 2, QStringLiteral("копейка"), QStringLiteral("копейки"),
                    QStringLiteral("копеек"));
        words += u' ' + kopeckWords;
    }
    // A negative total reads "минус" and its magnitude; one that rounds to nothing reads as zero.
    if (amount->negative && (*roubles != 0 || kopecks != 0))
        words.prepend(QStringLiteral("минус "));
    Text4.setText(words);
}

std::optional<qint64> totalKopecks(const QString &Text7, const QLocale &locale)
{
    // The same readings as the words: a text that gets no words gets no amount.
    const QChar separator = DecimalSeparator(locale);
    if (Text7.contains(separator == u',' ? u'.' : u','))
        return std::nullopt;
    const std::optional<double> value = localeNumberReading(Text7, locale);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    const std::optional<WrittenAmount> amount = splitWritten(Text7, locale);
    if (!amount)
        return std::nullopt;
    const std::optional<qint64> roubles = roubleCount(amount->whole);
    if (!roubles)
        return std::nullopt;
    const qint64 kopecks = *roubles * 100 + (amount->fraction.isEmpty() ? 0 : roundedKopecks(amount->fraction));
    if (kopecks / 100 > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return amount->negative ? -kopecks : kopecks;
}
