#include "numbertext.h"

#include <QRandomGenerator>
#include <QTest>

#include <bit>
#include <cmath>
#include <limits>

namespace {

const QLocale kComma(QLocale::Russian, QLocale::Russia);
const QLocale kPoint = QLocale::c();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A row under each locale, named by the text (cut short) and the result under that locale.
void addBothLocales(const QString &text, double comma, double point)
{
    QString shown = text.size() > 24 ? text.first(20) + QStringLiteral("…(%1)").arg(text.size()) : text;
    shown.replace(u'\t', QStringLiteral("\\t")).replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
    QTest::addRow("'%s' -> %.15g [,]", qUtf8Printable(shown), comma) << kComma << text << comma;
    QTest::addRow("'%s' -> %.15g [.]", qUtf8Printable(shown), point) << kPoint << text << point;
}

void addBothLocales(const QString &text, double value) { addBothLocales(text, value, value); }

// Exactly equal (QCOMPARE on doubles forgives the last digits), and zero never negative; got is a
// variable.
#define COMPARE_EXACTLY(got, expected)                                                                       \
    QVERIFY2((got) == (expected) && (!std::signbit(got) || (got) != 0),                                      \
             qPrintable(QStringLiteral("%1, expected %2").arg(got, 0, 'g', 17).arg(expected, 0, 'g', 17)))

} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumber_data();
    void leadingNumber();
    void localeNumberText_data();
    void localeNumberText();
    void localeNumberReading();
    void roundTo3_data();
    void roundTo3();
    void roundTo3Properties();
};

void TestNumberText::leadingNumber_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    for (const char *zero : {"", "abc", "\r5", "--4", "E5", "&X1", "-&H10"})
        addBothLocales(QString::fromUtf8(zero), 0);
    addBothLocales("2 шт", 2);
    addBothLocales(" 1 2\t3\n4 ", 1234);
    addBothLocales(" - 4", -4);
    addBothLocales("-3.5", -3.5);
    addBothLocales(".5", 0.5);
    addBothLocales("1.2.3", 1.2);
    addBothLocales("1e-2", 0.01);
    addBothLocales("2.5D+2", 250);
    addBothLocales("3E", 3);
    addBothLocales("&HFF", 255);
    addBothLocales("&H1G", 1);
    addBothLocales("&O17", 15);
    addBothLocales(QStringLiteral("1٫5"), 1); // Arabic digits and separators are not read
    // The locale's "," separator is a decimal point too, but only one point is ever read.
    addBothLocales("12,5", 12.5, 12);
    addBothLocales("2,5 кг", 2.5, 2);
    addBothLocales("1,000.5", 1);
    addBothLocales("1.5,3", 1.5);
    addBothLocales(",25", 0.25, 0);
    addBothLocales("-0,5E1", -5, 0);
    // Beyond the range of a double: infinity with the sign; below it: zero. Long runs of digits are read
    // in linear time and rounded correctly: 2^53 + 1 lies halfway between two doubles, and a 1 far
    // beyond the 800th digit tips it up.
    addBothLocales("1E309", kInf);
    addBothLocales("-1E999999999999999999999", -kInf);
    addBothLocales("1E-999999999999999999999", 0);
    addBothLocales("4.9406564584124654E-324", std::numeric_limits<double>::denorm_min());
    addBothLocales(QString(100000, u'9'), kInf);
    addBothLocales(QString(300, u'9'), 1e300);
    addBothLocales("0." + QString(100000, u'0') + "1", 0);
    addBothLocales("9007199254740993" + QString(1000, u'0') + "1E-1001", 9007199254740994.0);
    addBothLocales("9007199254740993" + QString(1000, u'0') + "E-1000", 9007199254740992.0);
    addBothLocales("&H" + QString(100000, u'F'), kInf);
}

void TestNumberText::leadingNumber()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, expected);
    const double got = ::leadingNumber(text, locale);
    COMPARE_EXACTLY(got, expected);
}

void TestNumberText::localeNumberText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    const std::pair<double, const char *> rows[] = {
        {0.0, "0"},          {-0.0, "0"},       {6.175, "6,175"},   {-3.5, "-3,5"},
        {1234567.5, "1234567,5"}, {0.1 + 0.2, "0,3"}, {1e15, "1E+15"}, {0.00001, "1E-05"},
        {1.5e-7, "1,5E-07"}, {2.0 / 3.0, "0,666666666666667"},
    };
    for (const auto &[value, text] : rows) {
        const QString comma = QString::fromUtf8(text);
        const QString point = QString(comma).replace(u',', u'.').replace(u'E', u'e');
        QTest::addRow("%.15g -> %s", value, text) << kComma << value << comma;
        QTest::addRow("%.15g -> %s", value, qPrintable(point)) << kPoint << value << point;
    }
}

void TestNumberText::localeNumberText()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QTEST(::localeNumberText(value, locale), "expected");
}

void TestNumberText::localeNumberReading()
{
    QCOMPARE(DecimalSeparator(kComma), QChar(u','));
    QCOMPARE(DecimalSeparator(kPoint), QChar(u'.'));
    // The locale's separator and grouping, blanks around, a sign; anything else is not a number.
    QCOMPARE(::localeNumberReading(QStringLiteral(" -1\u00a0234,5 "), kComma).value_or(0), -1234.5);
    for (const char *text : {"6.175", "12 шт", ""})
        QVERIFY(!::localeNumberReading(QString::fromUtf8(text), kComma));
    QVERIFY(!::localeNumberReading(QStringLiteral("abc"), kPoint));
    // Whatever the text shows, the reading gives back: the double nearest to the shown digits, whose
    // text is the same text again.
    QRandomGenerator random(20261206);
    for (const QLocale &locale : {kComma, kPoint}) {
        for (int i = 0; i < 20000; ++i) {
            const double bits = std::bit_cast<double>(random.generate64());
            const double value = i % 3 == 0 ? std::ldexp(random.generateDouble() - 0.5, random.bounded(-80, 80))
                               : i % 3 == 1 ? std::round(random.generateDouble() * 1e9) / 1000
                               : std::isfinite(bits) ? bits : 1;
            const QString text = ::localeNumberText(value, locale);
            const std::optional<double> back = ::localeNumberReading(text, locale);
            QVERIFY2(back.has_value(), qPrintable(text));
            QCOMPARE(::localeNumberText(*back, locale), text);
            COMPARE_EXACTLY(*back, QString::number(value, 'g', 15).toDouble());
        }
    }
}

void TestNumberText::roundTo3_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");

    const auto row = [](const char *name, double value, double expected) {
        QTest::addRow("%s -> %.15g", name, expected) << value << expected;
    };
    row("2.0625", 2.0625, 2.062);
    row("1.1875", 1.1875, 1.188);
    row("1.0004", 1.0004, 1.0);
    row("0.5 * 12.35", 0.5 * 12.35, 6.175);
    row("3 * 0.3345 (1.0035 ties to even)", 3 * 0.3345, 1.004);
    row("1.0045", 1.0045, 1.004);
    row("1.00450001", 1.00450001, 1.005);
    row("-2.0625", -2.0625, -2.062);
    row("0.0005", 0.0005, 0.0);
    row("-0", -0.0, 0.0);
    row("-0.0004", -0.0004, 0.0);
    row("999999.9995", 999999.9995, 1000000.0);
    row("123456789012.3456", 123456789012.3456, 123456789012.346);
    row("1e20", 1e20, 1e20);
    row("inf", kInf, kInf);
}

void TestNumberText::roundTo3()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    const double got = ::roundTo3(value);
    COMPARE_EXACTLY(got, expected);
}

void TestNumberText::roundTo3Properties()
{
    QVERIFY(std::isnan(::roundTo3(std::numeric_limits<double>::quiet_NaN())));
    // At most half a thousandth away, already on three places, and its text has at most three.
    QRandomGenerator random(6175);
    for (int i = 0; i < 100000; ++i) {
        const double value = std::ldexp(random.generateDouble() - 0.5, random.bounded(-20, 60));
        const double rounded = ::roundTo3(value);
        QVERIFY(std::abs(rounded - value) <= 0.0005 * (1 + 1e-12) + std::abs(value) * 1e-15);
        QCOMPARE(::roundTo3(rounded), rounded);
        const QString text = ::localeNumberText(rounded, kPoint);
        if (!text.contains(u'e') && text.contains(u'.'))
            QVERIFY2(text.size() - text.indexOf(u'.') - 1 <= 3, qPrintable(text));
    }
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
