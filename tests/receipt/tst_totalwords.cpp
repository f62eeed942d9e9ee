// SPDX-License-Identifier: GPL-3.0-or-later
#include "totalwords.h"

#include <QTest>

#include <tuple>

namespace {

struct Box : TextBox {
    explicit Box(const QString &text) : text(text) {}
    QString Text() const override { return text; }
    void setText(const QString &newText) override { text = newText; }
    QString text;
};

const QLocale kComma(QLocale::Russian, QLocale::Russia);
const char *const Unchanged = "старые слова";
const char *const NotANumber = "Итог не число: сумма прописью не записана.";
const char *const TooLarge = "Сумма слишком велика: прописью пишутся суммы до 999 999 999 999 999 рублей.";

} // namespace

class tst_TotalWords : public QObject {
    Q_OBJECT

private slots:
    // Totals written with ","; ";" stands for the other locale's separator. Each total is a row under the
    // "," locale (ru) and one under the "." locale (C). Other than two decimals: whole kopecks from the
    // written digits, half away from zero.
    void words_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *total, const char *words) {
            for (const auto &[name, locale, point, other] : {std::tuple("ru", kComma, u',', u'.'), std::tuple("C", QLocale::c(), u'.', u',')}) {
                const QString text = QString(total).replace(u',', point).replace(u';', other);
                QTest::addRow("%s: %s -> %s", name, qUtf8Printable(text), words) << locale << text << QString(words);
            }
        };
        row("21,01", "двадцать один рубль одна копейка");
        row("7", "семь рублей");
        row(" 1234,00 ", "одна тысяча двести тридцать четыре рубля ноль копеек");
        row("6,165", "шесть рублей семнадцать копеек");
        row("2,5", "два рубля пятьдесят копеек");
        row("0,995", "один рубль ноль копеек");
        row("-0,50", "минус ноль рублей пятьдесят копеек");
        row("-0,001", "ноль рублей ноль копеек");
        row("1,5E+3", "одна тысяча пятьсот рублей");
        row("", Unchanged);
        row("999999999999999,99", "девятьсот девяносто девять триллионов девятьсот девяносто девять миллиардов девятьсот девяносто девять "
                                   "миллионов девятьсот девяносто девять тысяч девятьсот девяносто девять рублей девяносто девять копеек");
        for (const char *total : {"1000000000000000", "999999999999999,995", "1,23456789012346E+19"})
            row(total, TooLarge);
        row("inf", NotANumber);
        row("12;50", NotANumber);
        QTest::newRow("ru: 1 250,00 with a narrow no-break blank") << kComma << QString("1\u202f250,00")
                                                                    << QString("одна тысяча двести пятьдесят рублей ноль копеек");
    }

    void words()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, total);
        Box text4(Unchanged);
        writeTotalInWords(Box(total), text4, locale);
        QTEST(text4.Text(), "expected");
    }
};

QTEST_GUILESS_MAIN(tst_TotalWords)
#include "tst_totalwords.moc"
