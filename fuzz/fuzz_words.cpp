// SPDX-License-Identifier: GPL-3.0-or-later
// Any 32-bit number, and any 64-bit one of at most five groups, in any of the three genders is written
// without a crash and reads as it must; one group of any value, with any gender, nouns and lower words,
// keeps its contract; a wider number is reported exactly when it has more than five groups.

#include "summastring.h"

#include <QString>
#include <QStringTokenizer>
#include <QStringView>
#include <QVarLengthArray>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct NounForms {
    qint16 rod;
    QString w1, w2to4, w5to10;
};

// The noun form a group's last digits call for.
QStringView expectedForm(qint64 group, QStringView w1, QStringView w2to4, QStringView w5to10)
{
    const qint64 lastTwo = group % 100;
    if (lastTwo >= 11 && lastTwo <= 19)
        return w5to10;
    const qint64 last = lastTwo % 10;
    return last == 1 ? w1 : last >= 2 && last <= 4 ? w2to4 : w5to10;
}

// Returns nullptr when `words`, the result of SummaString for `number` with the non-empty `noun`, has
// one blank between words and none at either end, "минус" first exactly for a negative number,
// "ноль" only for zero, the noun last in the form the units call for, and the scale nouns of exactly
// the non-zero higher groups, in order and each in its form. Otherwise returns what is wrong.
const char *wordsInvariantViolation(qint64 number, QStringView words, const NounForms &noun)
{
    if (words.isEmpty() || words.front() == u' ' || words.back() == u' ' || words.contains(u"  "))
        return "a blank at an end, two in a row, or no words";
    const qint64 magnitude = number < 0 ? -number : number;
    if ((number < 0) != words.startsWith(u"минус "))
        return "\"минус\" first not exactly for a negative number";
    if (number < 0)
        words = words.sliced(6);
    const qsizetype lastBlank = words.lastIndexOf(u' ');
    if (lastBlank < 0 || words.sliced(lastBlank + 1) != expectedForm(magnitude, noun.w1, noun.w2to4, noun.w5to10))
        return "the noun is not last in the form the units call for";
    words = words.first(lastBlank);
    if (magnitude == 0)
        return words == u"ноль" ? nullptr : "zero is not \"ноль\" alone";

    static constexpr struct {
        qint64 divisor;
        QStringView w1, w2to4, w5to10;
    } Scales[4] = {
        {1000000000000, u"триллион", u"триллиона", u"триллионов"},
        {1000000000, u"миллиард", u"миллиарда", u"миллиардов"},
        {1000000, u"миллион", u"миллиона", u"миллионов"},
        {1000, u"тысяча", u"тысячи", u"тысяч"},
    };
    QVarLengthArray<QStringView, 4> expected, found;
    for (const auto &scale : Scales) {
        if (const qint64 group = magnitude / scale.divisor % 1000)
            expected.append(expectedForm(group, scale.w1, scale.w2to4, scale.w5to10));
    }
    for (QStringView word : QStringTokenizer(words, u' ')) {
        if (word == u"минус" || word == u"ноль")
            return "\"минус\" or \"ноль\" inside a number";
        if (word.front() != u'м' && word.front() != u'т') // every scale noun starts so: a cheap filter
            continue;
        for (const auto &scale : Scales) {
            if (word == scale.w1 || word == scale.w2to4 || word == scale.w5to10)
                found.append(word);
        }
    }
    return found == expected ? nullptr : "the scale nouns are not those of the non-zero groups, in order and form";
}

const NounForms Nouns[3] = {
    {1, QStringLiteral("рубль"), QStringLiteral("рубля"), QStringLiteral("рублей")},
    {2, QStringLiteral("копейка"), QStringLiteral("копейки"), QStringLiteral("копеек")},
    {3, QStringLiteral("окно"), QStringLiteral("окна"), QStringLiteral("окон")},
};

int reports = 0;

[[noreturn]] void fail(const char *what, qint64 number, const QString &words)
{
    std::fprintf(stderr, "%lld -> \"%s\": %s\n", static_cast<long long>(number), qPrintable(words), what);
    std::abort();
}

QString text(FuzzedDataProvider &data)
{
    const std::string bytes = data.ConsumeRandomLengthString(64);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    static const bool reporterInstalled = [] {
        setFormatErrorReporter([](const QString &, const QString &) { ++reports; });
        return true;
    }();
    Q_UNUSED(reporterInstalled);

    FuzzedDataProvider data(bytes, size);
    const qint32 number = data.ConsumeIntegral<qint32>();
    const qint16 rod = data.ConsumeIntegralInRange<qint16>(1, 3);
    const NounForms &noun = Nouns[data.ConsumeIntegralInRange(0, 2)];

    QString words;
    reports = 0;
    SummaString(words, number, rod, noun.w1, noun.w2to4, noun.w5to10);
    if (const char *violation = wordsInvariantViolation(number, words, noun))
        fail(violation, number, words);
    if (reports != 0)
        fail("reported a format error", number, words);

    const qint64 wide = data.ConsumeIntegral<qint64>();
    summaStringWide(words, wide, rod, noun.w1, noun.w2to4, noun.w5to10);
    const bool tooWide = wide > 999999999999999 || wide < -999999999999999;
    if ((reports != 0) != tooWide)
        fail("a format error reported for the wrong number", wide, words);
    if (const char *violation = tooWide ? nullptr : wordsInvariantViolation(wide, words, noun))
        fail(violation, wide, words);

    // One group, with anything as its gender, nouns and the words before it.
    qint32 tempValue = data.ConsumeIntegral<qint32>();
    const qint16 anyRod = data.ConsumeIntegral<qint16>();
    const QString w1 = text(data);
    const QString w2to4 = text(data);
    const QString w5to10 = text(data);
    const QString lower = text(data);
    const qint32 before = tempValue;
    QString summa = lower;
    SummaStringThree(summa, tempValue, anyRod, w1, w2to4, w5to10);
    if (tempValue != before / 1000)
        fail("the group was not taken off", before, summa);
    if (before % 1000 == 0) {
        if (summa != (lower.isEmpty() ? w5to10 + u' ' : lower))
            fail("a zero group wrote more than the units' noun", before, summa);
    } else if (summa.endsWith(u' ')) {
        fail("a blank after the group's words", before, summa);
    }
    return 0;
}
