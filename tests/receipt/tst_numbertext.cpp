#include "numbertext.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

const QLocale kComma(QLocale::Russian, QLocale::Russia);
const QLocale kPoint = QLocale::c();

// Each case runs under both a "," and a "." locale; the column says what to expect under each.
void addBothLocales(const char *name, const QString &text, double comma, double point)
{
    QTest::newRow(qPrintable(QStringLiteral("%1 [,]").arg(QString::fromUtf8(name))))
        << kComma << text << comma;
    QTest::newRow(qPrintable(QStringLiteral("%1 [.]").arg(QString::fromUtf8(name))))
        << kPoint << text << point;
}

} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void decimalSeparator();

    void leadingNumber_data();
    void leadingNumber();
    void leadingNumberOutOfRange();

    void localeNumberText_data();
    void localeNumberText();
    void localeNumberReading_data();
    void localeNumberReading();
    void textReadsBackAsShown();

    void roundTo3_data();
    void roundTo3();
    void roundTo3Properties();
};

void TestNumberText::decimalSeparator()
{
    QCOMPARE(DecimalSeparator(kComma), QChar(u','));
    QCOMPARE(DecimalSeparator(kPoint), QChar(u'.'));
}

void TestNumberText::leadingNumber_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    addBothLocales("'' -> 0", QString(), 0, 0);
    addBothLocales("'abc' -> 0", "abc", 0, 0);
    addBothLocales("'2' -> 2", "2", 2, 2);
    addBothLocales("'10.5' -> 10.5", "10.5", 10.5, 10.5);
    addBothLocales("'2 шт' -> 2", "2 шт", 2, 2);
    addBothLocales("' 1 2\\t3\\n4 ' -> 1234", " 1 2\t3\n4 ", 1234, 1234);
    addBothLocales("'\\r5' -> 0 (CR is not a blank)", "\r5", 0, 0);
    addBothLocales("'-3.5' -> -3.5", "-3.5", -3.5, -3.5);
    addBothLocales("' - 4' -> -4", " - 4", -4, -4);
    addBothLocales("'--4' -> 0", "--4", 0, 0);
    addBothLocales("'.5' -> 0.5", ".5", 0.5, 0.5);
    addBothLocales("'1.2.3' -> 1.2", "1.2.3", 1.2, 1.2);
    addBothLocales("'0.0625' -> 0.0625", "0.0625", 0.0625, 0.0625);
    addBothLocales("'1E3' -> 1000", "1E3", 1000, 1000);
    addBothLocales("'1e-2' -> 0.01", "1e-2", 0.01, 0.01);
    addBothLocales("'2.5D+2' -> 250", "2.5D+2", 250, 250);
    addBothLocales("'3E' -> 3", "3E", 3, 3);
    addBothLocales("'E5' -> 0", "E5", 0, 0);
    addBothLocales("'&HFF' -> 255", "&HFF", 255, 255);
    addBothLocales("'&H1G' -> 1", "&H1G", 1, 1);
    addBothLocales("'&O17' -> 15", "&O17", 15, 15);
    addBothLocales("'&X1' -> 0", "&X1", 0, 0);
    addBothLocales("'-&H10' -> 0", "-&H10", 0, 0);
    addBothLocales("'1٫5' -> 1 (Arabic digits and separators are not read)", QStringLiteral("1٫5"), 1, 1);
    // The locale's "," separator is a decimal point too, but only one point is ever read.
    addBothLocales("'12,5' -> 12.5 | 12", "12,5", 12.5, 12);
    addBothLocales("'2,5 кг' -> 2.5 | 2", "2,5 кг", 2.5, 2);
    addBothLocales("'1,000.5' -> 1 | 1", "1,000.5", 1, 1);
    addBothLocales("'1.5,3' -> 1.5 | 1.5", "1.5,3", 1.5, 1.5);
    addBothLocales("',25' -> 0.25 | 0", ",25", 0.25, 0);
    addBothLocales("'-0,5E1' -> -5 | -0", "-0,5E1", -5, 0);
}

void TestNumberText::leadingNumber()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, expected);
    const double got = ::leadingNumber(text, locale);
    QCOMPARE(got, expected);
    QVERIFY2(!std::signbit(got) || got != 0, "zero never comes out negative");
}

void TestNumberText::leadingNumberOutOfRange()
{
    const double inf = std::numeric_limits<double>::infinity();
    for (const QLocale &locale : {kComma, kPoint}) {
        // Beyond the range of a double: infinity with the sign; below it: zero.
        QCOMPARE(::leadingNumber(u"1E309", locale), inf);
        QCOMPARE(::leadingNumber(u"-1E999999999999999999999", locale), -inf);
        QCOMPARE(::leadingNumber(u"1E-999999999999999999999", locale), 0.0);
        QCOMPARE(::leadingNumber(u"4.9406564584124654E-324", locale), std::numeric_limits<double>::denorm_min());

        // Long digit runs are read in linear time and rounded correctly.
        QCOMPARE(::leadingNumber(QString(100000, u'9'), locale), inf);
        QCOMPARE(::leadingNumber(QString(300, u'9'), locale), 1e300);
        QCOMPARE(::leadingNumber(QStringLiteral("0.") + QString(100000, u'0') + QStringLiteral("1"), locale), 0.0);
        // 2^53 + 1 lies halfway between two doubles; a 1 far beyond the 800th digit tips it up.
        QCOMPARE(::leadingNumber(QStringLiteral("9007199254740993") + QString(1000, u'0') + QStringLiteral("1E-1001"), locale),
                 9007199254740994.0);
        QCOMPARE(::leadingNumber(QStringLiteral("9007199254740993") + QString(1000, u'0') + QStringLiteral("E-1000"), locale),
                 9007199254740992.0);
        QCOMPARE(::leadingNumber(QStringLiteral("&H") + QString(100000, u'F'), locale), inf);
    }
}

void TestNumberText::localeNumberText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    const struct {
        const char *name;
        double value;
        const char *comma;
    } rows[] = {
        {"0", 0.0, "0"},
        {"-0", -0.0, "0"},
        {"21", 21.0, "21"},
        {"6.175", 6.175, "6,175"},
        {"-3.5", -3.5, "-3,5"},
        {"1234567.5", 1234567.5, "1234567,5"},
        {"0.1 + 0.2", 0.1 + 0.2, "0,3"},
        {"1e15", 1e15, "1E+15"},
        {"0.00001", 0.00001, "1E-05"},
        {"1.5e-7", 1.5e-7, "1,5E-07"},
        {"2/3", 2.0 / 3.0, "0,666666666666667"},
    };
    for (const auto &row : rows) {
        const QString comma = QString::fromUtf8(row.comma);
        QString point = comma;
        point.replace(u',', u'.').replace(u'E', u'e');
        QTest::newRow(qPrintable(QStringLiteral("%1 -> %2").arg(row.name, comma))) << kComma << row.value << comma;
        QTest::newRow(qPrintable(QStringLiteral("%1 -> %2").arg(row.name, point))) << kPoint << row.value << point;
    }
}

void TestNumberText::localeNumberText()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(::localeNumberText(value, locale), expected);
}

void TestNumberText::localeNumberReading_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("expected");

    QTest::newRow("'6,175' [,]") << kComma << "6,175" << true << 6.175;
    QTest::newRow("' -2,5 ' [,]") << kComma << " -2,5 " << true << -2.5;
    QTest::newRow("'1 234,5' (no-break space) [,]") << kComma << QStringLiteral("1\u00a0234,5") << true << 1234.5;
    QTest::newRow("'6.175' [,] fails") << kComma << "6.175" << false << 0.0;
    QTest::newRow("'12 шт' [,] fails") << kComma << "12 шт" << false << 0.0;
    QTest::newRow("'6.175' [.]") << kPoint << "6.175" << true << 6.175;
    QTest::newRow("'abc' [.] fails") << kPoint << "abc" << false << 0.0;
    QTest::newRow("'' [.] fails") << kPoint << "" << false << 0.0;
}

void TestNumberText::localeNumberReading()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, expected);
    const std::optional<double> got = ::localeNumberReading(text, locale);
    QCOMPARE(got.has_value(), ok);
    if (ok)
        QCOMPARE(*got, expected);
}

void TestNumberText::textReadsBackAsShown()
{
    // Whatever the text shows, the reading gives back: the double nearest to the shown digits, and
    // its text is the same text again.
    QRandomGenerator random(20261206);
    for (const QLocale &locale : {kComma, kPoint}) {
        for (int i = 0; i < 20000; ++i) {
            double value;
            switch (i % 3) {
            case 0: value = std::ldexp(random.generateDouble() - 0.5, random.bounded(-80, 80)); break;
            case 1: value = std::round(random.generateDouble() * 1e9) / 1000; break;
            default: {
                quint64 bits = random.generate64();
                std::memcpy(&value, &bits, sizeof value);
                if (!std::isfinite(value))
                    value = 1;
            }
            }
            const QString text = ::localeNumberText(value, locale);
            const std::optional<double> back = ::localeNumberReading(text, locale);
            QVERIFY2(back.has_value(), qPrintable(text));
            QCOMPARE(::localeNumberText(*back, locale), text);
            QCOMPARE(*back, QString::number(value, 'g', 15).toDouble());
        }
    }
}

void TestNumberText::roundTo3_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");

    QTest::newRow("2.0625 -> 2.062") << 2.0625 << 2.062;
    QTest::newRow("1.1875 -> 1.188") << 1.1875 << 1.188;
    QTest::newRow("1.0004 -> 1") << 1.0004 << 1.0;
    QTest::newRow("0.5 * 12.35 -> 6.175") << 0.5 * 12.35 << 6.175;
    QTest::newRow("3 * 0.3345 -> 1.004 (1.0035 ties to even)") << 3 * 0.3345 << 1.004;
    QTest::newRow("1.0045 -> 1.004") << 1.0045 << 1.004;
    QTest::newRow("1.00450001 -> 1.005") << 1.00450001 << 1.005;
    QTest::newRow("-2.0625 -> -2.062") << -2.0625 << -2.062;
    QTest::newRow("0.0005 -> 0") << 0.0005 << 0.0;
    QTest::newRow("0.00051 -> 0.001") << 0.00051 << 0.001;
    QTest::newRow("-0.0004 -> 0") << -0.0004 << 0.0;
    QTest::newRow("999999.9995 -> 1000000") << 999999.9995 << 1000000.0;
    QTest::newRow("123456789012.3456 -> 123456789012.346") << 123456789012.3456 << 123456789012.346;
    QTest::newRow("1e20 -> 1e20") << 1e20 << 1e20;
    QTest::newRow("inf -> inf") << std::numeric_limits<double>::infinity()
                                << std::numeric_limits<double>::infinity();
}

void TestNumberText::roundTo3()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    const double got = ::roundTo3(value);
    QCOMPARE(got, expected);
    QVERIFY2(!std::signbit(got) || got != 0, "zero never comes out negative");
}

void TestNumberText::roundTo3Properties()
{
    QVERIFY(std::isnan(::roundTo3(std::numeric_limits<double>::quiet_NaN())));
    QRandomGenerator random(6175);
    for (int i = 0; i < 100000; ++i) {
        const double value = std::ldexp(random.generateDouble() - 0.5, random.bounded(-20, 60));
        const double rounded = ::roundTo3(value);
        // At most half a thousandth away, already on three places, and its text has at most three.
        QVERIFY(std::abs(rounded - value) <= 0.0005 * (1 + 1e-12) + std::abs(value) * 1e-15);
        QCOMPARE(::roundTo3(rounded), rounded);
        const QString text = ::localeNumberText(rounded, kPoint);
        if (!text.contains(u'e') && text.contains(u'.'))
            QVERIFY2(text.size() - text.indexOf(u'.') - 1 <= 3, qPrintable(text));
    }
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
