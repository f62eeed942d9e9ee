#pragma once

// What every result of SummaString must look like, checked from the number alone (shared by the tests
// and the fuzzer).

#include <QString>
#include <QStringTokenizer>
#include <QStringView>

struct NounForms {
    qint16 rod;
    QString w1, w2to4, w5to10;
};

// The noun form the last three digits of a number call for.
inline QStringView expectedForm(qint64 magnitude, QStringView w1, QStringView w2to4, QStringView w5to10)
{
    const qint64 lastTwo = magnitude % 100;
    if (lastTwo >= 11 && lastTwo <= 19)
        return w5to10;
    switch (lastTwo % 10) {
    case 1:
        return w1;
    case 2:
    case 3:
    case 4:
        return w2to4;
    default:
        return w5to10;
    }
}

// Returns nullptr when `words`, the result of SummaString for `number` with the non-empty `noun`, has
// one blank between words and none at either end, "минус" first exactly for a negative number, no
// "ноль" inside a number, the noun last in the form the units group calls for, and the noun of each
// higher group once, in order and in its form, exactly when that group is not zero. Otherwise
// returns what is wrong.
inline const char *wordsInvariantViolation(qint64 number, QStringView words, const NounForms &noun)
{
    if (words.isEmpty())
        return "no words";
    if (words.front() == u' ' || words.back() == u' ')
        return "a blank at an end";
    if (words.contains(u"  "))
        return "two blanks in a row";

    const qint64 magnitude = number < 0 ? -number : number;
    if (number < 0) {
        if (!words.startsWith(u"минус "))
            return "a negative number without \"минус\" first";
        words = words.sliced(6);
    }

    const qsizetype lastBlank = words.lastIndexOf(u' ');
    if (lastBlank < 0)
        return "no noun after the number";
    if (words.sliced(lastBlank + 1) != expectedForm(magnitude, noun.w1, noun.w2to4, noun.w5to10))
        return "the noun is not last in the form the units call for";
    if (magnitude == 0)
        return words.first(lastBlank) == u"ноль" ? nullptr : "zero is not \"ноль\"";

    struct Scale {
        qint64 divisor;
        QStringView w1, w2to4, w5to10;
        qsizetype found = 0;
        bool rightForm = false;
        qsizetype position = -1;
    };
    Scale scales[3] = {
        {1000000000, u"миллиард", u"миллиарда", u"миллиардов"},
        {1000000, u"миллион", u"миллиона", u"миллионов"},
        {1000, u"тысяча", u"тысячи", u"тысяч"},
    };
    qsizetype position = 0;
    for (QStringView word : QStringTokenizer(words.first(lastBlank), u' ')) {
        if (word == u"ноль")
            return "\"ноль\" inside a number";
        if (word == u"минус")
            return "\"минус\" inside a number";
        // Every scale noun starts with "м" or "т"; this keeps the scan cheap for the number words.
        if (word.front() == u'м' || word.front() == u'т') {
            for (Scale &scale : scales) {
                if (word == scale.w1 || word == scale.w2to4 || word == scale.w5to10) {
                    ++scale.found;
                    scale.position = position;
                    scale.rightForm = word == expectedForm(magnitude / scale.divisor % 1000, scale.w1,
                                                           scale.w2to4, scale.w5to10);
                }
            }
        }
        ++position;
    }

    qsizetype previous = -1;
    for (const Scale &scale : scales) {
        const bool zeroGroup = magnitude / scale.divisor % 1000 == 0;
        if (zeroGroup && scale.found != 0)
            return "a group of zero writes its noun";
        if (zeroGroup)
            continue;
        if (scale.found != 1)
            return "a non-zero group without exactly one noun of its own";
        if (!scale.rightForm)
            return "a group's noun is not in the form the group calls for";
        if (scale.position <= previous)
            return "the groups are out of order";
        previous = scale.position;
    }
    return nullptr;
}
