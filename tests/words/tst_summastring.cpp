#include "summastring.h"
#include "summastring_p.h"
#include "wordinvariants.h"

#include <QRandomGenerator>
#include <QTest>

#include <unicode/locid.h>
#include <unicode/rbnf.h>
#include <unicode/unistr.h>

#include <iterator>
#include <limits>
#include <stdexcept>

namespace {

const NounForms Roubles{1, QStringLiteral("рубль"), QStringLiteral("рубля"), QStringLiteral("рублей")};
const NounForms Kopecks{2, QStringLiteral("копейка"), QStringLiteral("копейки"), QStringLiteral("копеек")};
const NounForms Windows{3, QStringLiteral("окно"), QStringLiteral("окна"), QStringLiteral("окон")};
const NounForms Thousands{2, QStringLiteral("тысяча"), QStringLiteral("тысячи"), QStringLiteral("тысяч")};
const NounForms NoNoun{1, {}, {}, {}};
// One noun per gender, so that the numbers checked are written in all three.
const NounForms *const NounsByRod[3] = {&Roubles, &Kopecks, &Windows};

constexpr qint32 Max = std::numeric_limits<qint32>::max();
constexpr qint32 Min = std::numeric_limits<qint32>::min();

// ICU allocates on every call, which AddressSanitizer makes slow: the sample is cut to a fifth there.
#if defined(__SANITIZE_ADDRESS__)
constexpr int SampleSize = 200000;
#else
constexpr int SampleSize = 1000000;
#endif

} // namespace

Q_DECLARE_METATYPE(NounForms)

#define CHECK_WORDS(number, words, noun)                                                                   \
    if (const char *violation = wordsInvariantViolation(number, words, noun))                              \
    QFAIL(qPrintable(QStringLiteral("%1 -> \"%2\": %3").arg(number).arg(words, QString::fromUtf8(violation))))

class TestSummaString : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void groupInWords_data();
    void groupInWords();
    void numberInWords_data();
    void numberInWords();
    void longNounsAndTexts();
    void formatErrorBeyondFourGroups();
    void everyValueUpToAMillion();
    void randomSampleAgreesWithIcu();

private:
    int m_reports = 0;
};

void TestSummaString::init()
{
    m_reports = 0;
    setFormatErrorReporter([this](const QString &title, const QString &text) {
        ++m_reports;
        QCOMPARE(title, QStringLiteral("Ошибка формата"));
        QCOMPARE(text, QStringLiteral("Неправильный формат введенной суммы"));
    });
}

void TestSummaString::cleanup()
{
    setFormatErrorReporter(nullptr);
}

void TestSummaString::groupInWords_data()
{
    QTest::addColumn<qint32>("tempValue");
    QTest::addColumn<NounForms>("noun");
    QTest::addColumn<QString>("summaIn");
    QTest::addColumn<QString>("summaOut");
    QTest::addColumn<qint32>("rest");

    const auto row = [](qint32 value, const NounForms &noun, const char *in, const char *out, qint32 rest) {
        QTest::addRow("%d before \"%s\" -> \"%s\"", value, in, out)
            << value << noun << QString::fromUtf8(in) << QString::fromUtf8(out) << rest;
    };
    row(1, Roubles, "", "один рубль", 0);
    row(14, Roubles, "", "четырнадцать рублей", 0);
    row(22, Roubles, "", "двадцать два рубля", 0);
    row(111, Roubles, "", "сто одиннадцать рублей", 0);
    row(999, Roubles, "", "девятьсот девяносто девять рублей", 0);
    row(1234567, Roubles, "", "пятьсот шестьдесят семь рублей", 1234);
    // A zero group gives the units their noun, and its blank, only when nothing is written yet.
    row(1000, Roubles, "", "рублей ", 1);
    row(1000, Roubles, "пять рублей", "пять рублей", 1);
    row(1, Thousands, "рублей ", "одна тысяча рублей", 0);
    row(2, Thousands, "рублей ", "две тысячи рублей", 0);
    row(21, Kopecks, "", "двадцать одна копейка", 0);
    row(1, NounForms{3, {}, {}, {}}, "", "одно", 0);
    row(5, NoNoun, "", "пять", 0);
    // A negative group matches no word table: only its noun, in the form for other endings.
    row(-1234567, Roubles, "", "рублей", -1234);
}

void TestSummaString::groupInWords()
{
    QFETCH(qint32, tempValue);
    QFETCH(NounForms, noun);
    QFETCH(QString, summaIn);
    QFETCH(QString, summaOut);
    QFETCH(qint32, rest);

    SummaStringThree(summaIn, tempValue, noun.rod, noun.w1, noun.w2to4, noun.w5to10);
    QCOMPARE(summaIn, summaOut);
    QCOMPARE(tempValue, rest);
}

void TestSummaString::numberInWords_data()
{
    QTest::addColumn<qint32>("source");
    QTest::addColumn<NounForms>("noun");
    QTest::addColumn<QString>("expected");

    const auto row = [](qint32 source, const NounForms &noun, const char *expected) {
        QTest::addRow("%d -> %s", source, expected) << source << noun << QString::fromUtf8(expected);
    };
    row(0, Roubles, "ноль рублей");
    row(101, Roubles, "сто один рубль");
    row(1000, Roubles, "одна тысяча рублей");
    row(1001, Roubles, "одна тысяча один рубль");
    row(11000, Roubles, "одиннадцать тысяч рублей");
    row(21000, Roubles, "двадцать одна тысяча рублей");
    row(22000, Roubles, "двадцать две тысячи рублей");
    row(1001000, Roubles, "один миллион одна тысяча рублей");
    row(2000000, Roubles, "два миллиона рублей");
    row(1000000000, Roubles, "один миллиард рублей");
    row(1234567, Roubles, "один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь рублей");
    row(Max, Roubles, "два миллиарда сто сорок семь миллионов четыреста восемьдесят три тысячи шестьсот "
                      "сорок семь рублей");
    row(0, Kopecks, "ноль копеек");
    row(2, Kopecks, "две копейки");
    row(21, Kopecks, "двадцать одна копейка");
    row(0, NoNoun, "ноль");
    row(1000000, NoNoun, "один миллион");
    row(-21, Roubles, "минус двадцать один рубль");
    row(-1, Kopecks, "минус одна копейка");
    row(-1234, Roubles, "минус одна тысяча двести тридцать четыре рубля");
    row(-5, NoNoun, "минус пять");
    row(Min, Roubles, "минус два миллиарда сто сорок семь миллионов четыреста восемьдесят три тысячи "
                      "шестьсот сорок восемь рублей");
}

void TestSummaString::numberInWords()
{
    QFETCH(qint32, source);
    QFETCH(NounForms, noun);
    QFETCH(QString, expected);

    // Old text is replaced; a string sharing it keeps it; a string with room of its own is reused.
    QString summa = QStringLiteral("старый текст");
    summa.detach();
    const QString sharer = summa;
    SummaString(summa, source, noun.rod, noun.w1, noun.w2to4, noun.w5to10);
    QCOMPARE(summa, expected);
    QCOMPARE(sharer, QStringLiteral("старый текст"));
    QString reused(500, u'x');
    SummaString(reused, source, noun.rod, noun.w1, noun.w2to4, noun.w5to10);
    QCOMPARE(reused, expected);
    QCOMPARE(m_reports, 0);
}

void TestSummaString::longNounsAndTexts()
{
    const QString noun(10000, u'ж');
    QString summa;
    SummaString(summa, Min, 1, noun, noun, noun);
    QVERIFY(summa.startsWith(QStringLiteral("минус два миллиарда ")));
    QVERIFY(summa.endsWith(QStringLiteral(" сорок восемь ") + noun));

    const QString lower(10000, u'ы');
    summa = lower;
    qint32 value = 777;
    SummaStringThree(summa, value, 2, noun, noun, noun);
    QCOMPARE(summa, QStringLiteral("семьсот семьдесят семь ") + noun + u' ' + lower);
    QCOMPARE(m_reports, 0);
}

void TestSummaString::formatErrorBeyondFourGroups()
{
    const auto wide = [this](qint64 source) {
        m_reports = 0;
        QString summa;
        summaStringWide(summa, source, Roubles.rod, Roubles.w1, Roubles.w2to4, Roubles.w5to10);
        return summa;
    };
    const QString widest = wide(999999999999);
    CHECK_WORDS(999999999999, widest, Roubles);
    QCOMPARE(m_reports, 0);

    // Reported once; the words of the four lower groups stay, without "минус".
    const QString lowerGroups = QStringLiteral("двести тридцать четыре миллиарда пятьсот шестьдесят семь "
                                               "миллионов восемьсот девяносто одна тысяча одиннадцать рублей");
    for (const qint64 source : {Q_INT64_C(1234567891011), Q_INT64_C(-1234567891011)}) {
        QCOMPARE(wide(source), lowerGroups);
        QCOMPARE(m_reports, 1);
    }
    wide(std::numeric_limits<qint64>::min());
    QCOMPARE(m_reports, 1);

    // With nobody to tell, or a teller that throws, the failure goes no further.
    setFormatErrorReporter(nullptr);
    QCOMPARE(wide(1000000000000), QStringLiteral("рублей "));
    setFormatErrorReporter([](const QString &, const QString &) { throw std::runtime_error("no window"); });
    QCOMPARE(wide(1000000000000), QStringLiteral("рублей "));
}

void TestSummaString::everyValueUpToAMillion()
{
    QString summa;
    for (qint32 number = 0; number <= 1000000; ++number) {
        const NounForms &noun = *NounsByRod[number % 3];
        SummaString(summa, number, noun.rod, noun.w1, noun.w2to4, noun.w5to10);
        CHECK_WORDS(number, summa, noun);
    }
    QCOMPARE(m_reports, 0);
}

// ICU writes the number words alone: the noun (checked by the invariants) is taken off before comparing.
void TestSummaString::randomSampleAgreesWithIcu()
{
    UErrorCode status = U_ZERO_ERROR;
    icu::RuleBasedNumberFormat icu(icu::URBNF_SPELLOUT, icu::Locale("ru"), status);
    QVERIFY2(U_SUCCESS(status), "ICU has no Russian spellout rules");
    const icu::UnicodeString ruleSets[3] = {u"%spellout-cardinal-masculine", u"%spellout-cardinal-feminine",
                                            u"%spellout-cardinal-neuter"};

    const qint32 fixed[] = {0, 1, -1, 1000, -1000, 1000000, 1000000000, Max, Min};
    QRandomGenerator random(20240611);
    QString summa;
    icu::UnicodeString spelled;
    for (int i = 0; i < 3 * int(std::size(fixed)) + SampleSize; ++i) {
        const auto number = i < 3 * int(std::size(fixed)) ? fixed[i / 3] : qint32(random.generate());
        const NounForms &noun = *NounsByRod[i % 3];
        SummaString(summa, number, noun.rod, noun.w1, noun.w2to4, noun.w5to10);
        CHECK_WORDS(number, summa, noun);

        icu::FieldPosition position;
        icu.format(number, ruleSets[noun.rod - 1], spelled.remove(), position, status);
        const QStringView words = QStringView(summa).first(summa.lastIndexOf(u' '));
        const QStringView icuWords(spelled.getBuffer(), spelled.length());
        if (U_FAILURE(status) || words != icuWords)
            QFAIL(qPrintable(QStringLiteral("%1 in gender %2: \"%3\", ICU \"%4\"")
                                 .arg(number).arg(noun.rod).arg(words, icuWords)));
    }
    QCOMPARE(m_reports, 0);
}

QTEST_GUILESS_MAIN(TestSummaString)
#include "tst_summastring.moc"
