// Any 32-bit number in any of the three genders is written without a crash and reads as it must;
// one group of any value, with any gender, nouns and lower words, keeps its contract; a wider number
// is reported exactly when it has more than four groups.

#include "../tests/words/wordinvariants.h"
#include "summastring.h"
#include "summastring_p.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

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
    const bool tooWide = wide > 999999999999 || wide < -999999999999;
    if ((reports != 0) != tooWide)
        fail("a format error reported for the wrong number", wide, words);

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
