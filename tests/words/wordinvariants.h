#pragma once

// What every result of SummaString must look like, checked from the number alone (shared by the tests
// and the fuzzer).

#include <QString>
#include <QStringTokenizer>
#include <QStringView>
#include <QVarLengthArray>

struct NounForms {
    qint16 rod;
    QString w1, w2to4, w5to10;
};

// The noun form a group's last digits call for.
inline QStringView expectedForm(qint64 group, QStringView w1, QStringView w2to4, QStringView w5to10)
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
inline const char *wordsInvariantViolation(qint64 number, QStringView words, const NounForms &noun)
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
    } Scales[3] = {
        {1000000000, u"миллиард", u"миллиарда", u"миллиардов"},
        {1000000, u"миллион", u"миллиона", u"миллионов"},
        {1000, u"тысяча", u"тысячи", u"тысяч"},
    };
    QVarLengthArray<QStringView, 3> expected, found;
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
