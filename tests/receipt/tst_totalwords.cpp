#include "totalwords.h"

#include <QTest>

namespace {

struct MemoryTextBox : TextBox {
    explicit MemoryTextBox(const QString &text = {}) : text(text) {}
    QString Text() const override { return text; }
    void setText(const QString &newText) override { text = newText; }
    QString text;
};

const char *const Unchanged = "старые слова";

} // namespace

class tst_TotalWords : public QObject {
    Q_OBJECT

private slots:
    void words_data();
    void words();
};

void tst_TotalWords::words_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("words");

    // Totals written with ","; under the "." locale the same rows run with ".".
    const char *rows[][2] = {
        {"12,50", "двенадцать рублей пятьдесят копеек"},
        {"3,00", "три рубля ноль копеек"},
        {"21,01", "двадцать один рубль одна копейка"},
        {" 1234,50 ", "одна тысяча двести тридцать четыре рубля пятьдесят копеек"},
        {"2147483647,99", "два миллиарда сто сорок семь миллионов четыреста восемьдесят три тысячи "
                          "шестьсот сорок семь рублей девяносто девять копеек"},
        {"7", "семь рублей"},
        // Other than two decimals: whole kopecks from the written digits, a tie to the even kopeck.
        {"6,175", "шесть рублей восемнадцать копеек"},
        {"6,165", "шесть рублей шестнадцать копеек"},
        {"2,5", "два рубля пятьдесят копеек"},
        {"0,995", "один рубль ноль копеек"},
        {"1,0051", "один рубль одна копейка"},
        {"-12,50", "минус двенадцать рублей пятьдесят копеек"},
        {"-0,50", "минус ноль рублей пятьдесят копеек"},
        {"-0,001", "ноль рублей ноль копеек"},
        {"", Unchanged},
        {"двенадцать", Unchanged},
        {"2147483648", Unchanged},
        {"-2147483648", Unchanged},
        {"2147483647,995", Unchanged},
        {"inf", Unchanged},
    };
    for (const QLocale &locale : {QLocale(QLocale::Russian, QLocale::Russia), QLocale::c()}) {
        const bool point = locale.decimalPoint() == u".";
        for (const auto &row : rows) {
            const QString total = QString::fromUtf8(row[0]).replace(u',', point ? u'.' : u',');
            QTest::addRow("%s -> %s (%s)", qPrintable(total), row[1], qPrintable(locale.name()))
                << locale << total << QString::fromUtf8(row[1]);
        }
        const QString other = point ? QStringLiteral("12,50") : QStringLiteral("12.50");
        QTest::addRow("%s -> unchanged (%s)", qPrintable(other), qPrintable(locale.name()))
            << locale << other << QString::fromUtf8(Unchanged);
    }
    QTest::newRow("1,5E+3 -> 1500 roubles (ru_RU)")
        << QLocale(QLocale::Russian, QLocale::Russia) << "1,5E+3" << "одна тысяча пятьсот рублей";
}

void tst_TotalWords::words()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, total);
    QFETCH(QString, words);

    const MemoryTextBox text7(total);
    MemoryTextBox text4(QString::fromUtf8(Unchanged));
    writeTotalInWords(text7, text4, locale);
    QCOMPARE(text4.Text(), words);
}

QTEST_GUILESS_MAIN(tst_TotalWords)
#include "tst_totalwords.moc"
