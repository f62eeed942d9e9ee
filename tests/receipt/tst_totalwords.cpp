#include "totalwords.h"

#include <QTest>

namespace {

struct Box : TextBox {
    explicit Box(const QString &text) : text(text) {}
    QString Text() const override { return text; }
    void setText(const QString &newText) override { text = newText; }
    QString text;
};

const QLocale kComma(QLocale::Russian, QLocale::Russia);
const char *const Unchanged = "старые слова";

} // namespace

class tst_TotalWords : public QObject {
    Q_OBJECT

private slots:
    // Totals written with ","; ";" stands for the other locale's separator. Other than two decimals: whole
    // kopecks from the written digits, a tie to the even kopeck.
    void words()
    {
        const char *rows[][2] = {
            {"21,01", "двадцать один рубль одна копейка"}, {"7", "семь рублей"},
            {" 1234,00 ", "одна тысяча двести тридцать четыре рубля ноль копеек"},
            {"2147483647,99", "два миллиарда сто сорок семь миллионов четыреста восемьдесят три тысячи шестьсот сорок "
                              "семь рублей девяносто девять копеек"},
            {"6,175", "шесть рублей восемнадцать копеек"}, {"6,165", "шесть рублей шестнадцать копеек"},
            {"2,5", "два рубля пятьдесят копеек"}, {"0,995", "один рубль ноль копеек"},
            {"1,0051", "один рубль одна копейка"}, {"-12,50", "минус двенадцать рублей пятьдесят копеек"},
            {"-0,50", "минус ноль рублей пятьдесят копеек"}, {"-0,001", "ноль рублей ноль копеек"},
            {"1,5E+3", "одна тысяча пятьсот рублей"}, {"", Unchanged}, {"2147483648", Unchanged}, {"-2147483648", Unchanged},
            {"2147483647,995", Unchanged}, {"inf", Unchanged}, {"12;50", Unchanged},
        };
        for (const QLocale &locale : {kComma, QLocale::c()}) {
            const QChar point = locale == kComma ? u',' : u'.', other = locale == kComma ? u'.' : u',';
            QStringList got, expected;
            for (const auto &[total, words] : rows) {
                const QString text = QString(total).replace(u',', point).replace(u';', other);
                Box text4(Unchanged);
                writeTotalInWords(Box(text), text4, locale);
                got << text + " -> " + text4.Text();
                expected << text + " -> " + words;
            }
            QCOMPARE(got, expected);
        }
    }
};

QTEST_GUILESS_MAIN(tst_TotalWords)
#include "tst_totalwords.moc"
