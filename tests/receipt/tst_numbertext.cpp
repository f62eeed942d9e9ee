// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbertext.h"

#include <QRandomGenerator>
#include <QTest>

#include <bit>
#include <cmath>
#include <limits>

namespace {

const QLocale kComma(QLocale::Russian, QLocale::Russia);
constexpr double kInf = std::numeric_limits<double>::infinity();

// The shortest text that reads back as the same double: an exact comparison (QCOMPARE forgives the last digits).
QString exactly(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    // Text and its number, the same under "," and under "."; the long texts are read in linear time and rounded
    // correctly: 2^53 + 1 lies halfway between two doubles, and a 1 far beyond the 800th digit tips it up.
    // Rows are named by the quoted text (control characters escaped, the long ones cut in the middle).
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("expected");
        const auto row = [](const QString &text, double expected) {
            QString name = text.size() > 24 ? text.first(16) + u'…' + text.last(8) : text;
            name.replace(u'\r', QLatin1String("\\r")).replace(u'\t', QLatin1String("\\t")).replace(u'\n', QLatin1String("\\n"));
            QTest::addRow("\"%s\" (ru)", qUtf8Printable(name)) << text << kComma << expected;
            QTest::addRow("\"%s\" (C)", qUtf8Printable(name)) << text << QLocale::c() << expected;
        };
        for (const char *noNumber : {"", "\r5", "--4", "E5", "&X1", "-&H10"})
            row(noNumber, 0);
        row(" 1 2\t3\n4 ", 1234);
        row(" - 4", -4);
        row("1e-2", 0.01);
        row("2.5D+2", 250);
        row("3E", 3);
        row("&HFFG", 255);
        row("&HA", 10);
        row("&O178", 15);
        row("2,5 кг", 2.5);
        row("1,000.5", 1);
        row("1\u00a0234\u202f567\u2009,5", 1234567.5);
        row("-0,5E1", -5);
        row("1E309", kInf);
        row("-1E999999999999999999999", -kInf);
        row("1E-999999999999999999999", 0);
        row("4.9406564584124654E-324", 5e-324);
        row(QString(100000, u'9'), kInf);
        row("0." + QString(100000, u'0') + "1", 0);
        row("&H" + QString(100000, u'F'), kInf);
        row("9007199254740993" + QString(1000, u'0') + "1E-1001", 9007199254740994.0);
        row("9007199254740993" + QString(1000, u'0') + "E-1000", 9007199254740992.0);
    }

    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(QLocale, locale);
        QFETCH(double, expected);
        QCOMPARE(exactly(::leadingNumber(text, locale)), exactly(expected));
    }

    void localeNumberText()
    {
        QStringList comma, point;
        for (double value : {-0.0, 6.175, -3.5, 1234567.5, 0.1 + 0.2, 1e15, 0.00001, 1.5e-7, 2.0 / 3.0}) {
            comma << ::localeNumberText(value, kComma);
            point << ::localeNumberText(value, QLocale::c());
        }
        const QString expected = "0 6,175 -3,5 1234567,5 0,3 1E+15 1E-05 1,5E-07 0,666666666666667";
        QCOMPARE(comma.join(u' '), expected);
        QCOMPARE(point.join(u' '), QString(expected).replace(u',', u'.').replace(u'E', u'e'));
        // The locale's separator and grouping, blanks around, a sign; anything else is not a number.
        QStringList read;
        for (const char *text : {" -1\u00a0234,5 ", "1\u202f234,5", "1\u2009000", "6.175", "12 шт", "", "abc"})
            read << exactly(::localeNumberReading(text, *text == 'a' ? QLocale::c() : kComma).value_or(qQNaN()));
        QCOMPARE(read.join(u' '), "-1234.5 1234.5 1000 nan nan nan nan");
    }

    // Ties to the even digit, judged on the decimal value the double stands for.
    void roundTo3()
    {
        QStringList rounded;
        for (double value : {2.0625, 1.1875, 1.0004, 0.5 * 12.35, 3 * 0.3345, 1.00450001, -2.0625, -0.0004, 999999.9995,
                             123456789012.3456, 1e20, kInf, std::numeric_limits<double>::quiet_NaN()})
            rounded << exactly(::roundTo3(value));
        QCOMPARE(rounded.join(u' '), "2.062 1.188 1 6.175 1.004 1.005 -2.062 0 1e+06 123456789012.346 1e+20 inf nan");
    }

    // Random values: rounding lands within half a thousandth on a value already rounded, and whatever a
    // value's text shows, reading it gives the double nearest to the shown digits.
    void randomValues()
    {
        QRandomGenerator random(20261206);
        for (int i = 0; i < 60000; ++i) {
            const double bits = std::bit_cast<double>(random.generate64());
            const double value = i % 3 == 0 ? std::ldexp(random.generateDouble() - 0.5, random.bounded(-80, 80))
                               : i % 3 == 1 ? std::round(random.generateDouble() * 1e9) / 1000
                               : std::isfinite(bits) ? bits : 1;
            const double rounded = ::roundTo3(value);
            QVERIFY(std::abs(rounded - value) <= 0.0005 * (1 + 1e-12) + std::abs(value) * 1e-15);
            QCOMPARE(::roundTo3(rounded), rounded);
            const QLocale &locale = i % 2 ? kComma : QLocale::c();
            const QString text = ::localeNumberText(value, locale);
            const double back = ::localeNumberReading(text, locale).value_or(qQNaN());
            QCOMPARE(text + " -> " + exactly(back), text + " -> " + exactly(QString::number(value, 'g', 15).toDouble()));
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
