// SPDX-License-Identifier: GPL-3.0-or-later
#include "summastring.h"

#include <QRandomGenerator>
#include <QTest>

#include <unicode/locid.h>
#include <unicode/rbnf.h>

#include <limits>
#include <stdexcept>
#include <utility>

namespace {

struct Noun { qint16 rod; QString w1, w2to4, w5to10; };
const Noun Roubles{1, "рубль", "рубля", "рублей"};
const Noun Kopecks{2, "копейка", "копейки", "копеек"};
const Noun Windows{3, "окно", "окна", "окон"};
const Noun Thousands{2, "тысяча", "тысячи", "тысяч"};
const Noun *const ByRod[3] = {&Roubles, &Kopecks, &Windows};
const QString Long(10000, u'ж');

// The noun form the last two digits of a magnitude call for.
const QString &form(qint64 n, const Noun &noun)
{
    return n % 100 / 10 == 1 ? noun.w5to10 : n % 10 == 1 ? noun.w1 : n % 10 >= 2 && n % 10 <= 4 ? noun.w2to4 : noun.w5to10;
}

// ICU's Russian spellout of the number words alone, in gender rod.
QString icuWords(qint64 number, int rod)
{
    static UErrorCode status = U_ZERO_ERROR;
    static icu::RuleBasedNumberFormat format(icu::URBNF_SPELLOUT, icu::Locale("ru"), status);
    static const icu::UnicodeString sets[3] = {u"%spellout-cardinal-masculine", u"%spellout-cardinal-feminine",
                                               u"%spellout-cardinal-neuter"};
    icu::UnicodeString spelled;
    icu::FieldPosition position;
    format.format(int64_t(number), sets[rod - 1], spelled, position, status);
    return U_SUCCESS(status) ? QString(reinterpret_cast<const QChar *>(spelled.getBuffer()), spelled.length())
                             : QStringLiteral("<ICU failed>");
}

} // namespace

Q_DECLARE_METATYPE(Noun)

class TestSummaString : public QObject
{
    Q_OBJECT
    int m_reports = 0, m_expectedReports = 0;

private slots:
    void init()
    {
        m_reports = 0;
        setFormatErrorReporter([this](const QString &title, const QString &text) {
            ++m_reports;
            QCOMPARE(title + u'|' + text, QStringLiteral("Ошибка формата|Неправильный формат введенной суммы"));
        });
    }

    void cleanup() { QCOMPARE(m_reports, std::exchange(m_expectedReports, 0)); }

    // A "group" row calls SummaStringThree on one group after the text "before"; the others SummaString.
    void words_data()
    {
        QTest::addColumn<qint32>("number");
        QTest::addColumn<Noun>("noun");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<qint32>("rest");
        const Noun none{1, {}, {}, {}}, longNoun{1, Long, Long, Long};

        QTest::newRow("group 1234567 -> 567, 1234 left") << 1234567 << Roubles << "" << "пятьсот шестьдесят семь рублей" << 1234;
        // A zero group gives the units' noun and its blank only when nothing is written yet.
        QTest::newRow("group 1000 -> noun") << 1000 << Roubles << "" << "рублей " << 1;
        QTest::newRow("group 1000 after words -> unchanged") << 1000 << Roubles << "пять рублей" << "пять рублей" << 1;
        QTest::newRow("group -1234567 -> noun only") << -1234567 << Roubles << "" << "рублей" << -1234;
        // Whole numbers with nouns ICU's words below cannot stand for, each row named by its number, its noun
        // and its words.
        const auto row = [](qint32 number, const QString &words, const Noun &noun, const char *nounName) {
            QTest::newRow((QString::number(number) + nounName + " -> " + words).toUtf8().constData())
                << number << noun << QString() << words << 0;
        };
        row(-5, "минус пять", none, ", no noun");
        row(123, "сто двадцать три", none, ", no noun");
        row(21, "двадцать штука", Noun{4, "штука", "штуки", "штук"}, ", gender 4");
        row(21, "двадцать один рубль", Noun{1, "рубль  ", "рубля ", "рублей "}, ", noun ending in blanks");
        QTest::newRow("min, long noun") << std::numeric_limits<qint32>::min() << longNoun << QString()
            << "минус два миллиарда сто сорок семь миллионов четыреста восемьдесят три тысячи шестьсот сорок восемь " + Long
            << 0;
    }

    void words()
    {
        QFETCH(qint32, number);
        QFETCH(Noun, noun);
        QFETCH(QString, before);
        if (QByteArrayView(QTest::currentDataTag()).startsWith("group")) {
            SummaStringThree(before, number, noun.rod, noun.w1, noun.w2to4, noun.w5to10);
            QTEST(before, "expected");
            QTEST(number, "rest");
            return;
        }
        // Old text is replaced; a string sharing it keeps it; a string with room of its own is reused.
        QString summa = QStringLiteral("старый текст"), reused(500, u'x');
        summa.detach();
        const QString sharer = summa;
        SummaString(summa, number, noun.rod, noun.w1, noun.w2to4, noun.w5to10);
        SummaString(reused, number, noun.rod, noun.w1, noun.w2to4, noun.w5to10);
        QTEST(summa, "expected");
        QTEST(reused, "expected");
        QCOMPARE(sharer, QStringLiteral("старый текст"));
    }

    void beyondFiveGroups()
    {
        const auto wide = [](qint64 source) {
            QString summa;
            summaStringWide(summa, source, Roubles.rod, Roubles.w1, Roubles.w2to4, Roubles.w5to10);
            return summa;
        };
        for (qint64 n : {1000000000000, 2000000000001, 999999999999999})
            QCOMPARE(wide(n), icuWords(n, 1) + u' ' + form(n, Roubles));
        // Reported once each; the words of the five lower groups stay, without "минус".
        const QString lower = "пятьсот шестьдесят семь триллионов восемьсот девяносто один миллиард одиннадцать миллионов "
                              "сто двадцать одна тысяча триста четырнадцать рублей";
        QCOMPARE(wide(1234567891011121314), lower);
        QCOMPARE(wide(-1234567891011121314), lower);
        wide(std::numeric_limits<qint64>::min());
        m_expectedReports = 3;
        // With nobody to tell, or a teller that throws, the failure goes no further.
        setFormatErrorReporter(nullptr);
        QCOMPARE(wide(1000000000000000), QStringLiteral("рублей "));
        setFormatErrorReporter([](const QString &, const QString &) { throw std::runtime_error("no window"); });
        QCOMPARE(wide(1000000000000000), QStringLiteral("рублей "));
    }

    // Every value below a million against ICU's words of its groups (thousands are feminine); then fixed
    // values and a seeded random sample against ICU's words of the whole number.
    void agreesWithIcu()
    {
#if defined(__SANITIZE_ADDRESS__)
        constexpr int SampleSize = 200000; // ICU allocates on every call, which AddressSanitizer makes slow
#else
        constexpr int SampleSize = 1000000;
#endif
        constexpr int M = 1000000;
        const qint32 fixed[] = {0, 1, -1, 1000, -1000, M, 1000000000, std::numeric_limits<qint32>::max(),
                                std::numeric_limits<qint32>::min()};
        QString groups[3][1000], summa, expected;
        for (int n = 0; n < 3000; ++n)
            groups[n / 1000][n % 1000] = icuWords(n % 1000, n / 1000 + 1);
        QRandomGenerator random(20240611);
        for (int i = 0; i < M + 27 + SampleSize; ++i) {
            const Noun &noun = *ByRod[i % 3];
            const qint32 n = i < M ? i : i < M + 27 ? fixed[(i - M) / 3] : qint32(random.generate());
            const int high = n / 1000, low = n % 1000;
            expected = i >= M ? icuWords(n, noun.rod) + u' ' : high ? groups[1][high] + u' ' + form(high, Thousands) + u' ' : QString();
            if (i < M && (low || !high))
                expected += groups[noun.rod - 1][low] + u' ';
            expected += form(qAbs(qint64(n)), noun);
            SummaString(summa, n, noun.rod, noun.w1, noun.w2to4, noun.w5to10);
            if (summa != expected)
                QCOMPARE(summa, expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestSummaString)
#include "tst_summastring.moc"
