#include "totalwords.h"

#include <summastring.h>

#include <QTest>

namespace {

class MemoryTextBox : public TextBox {
public:
    explicit MemoryTextBox(const QString &text = {}) : m_text(text) {}
    QString Text() const override { return m_text; }
    void setText(const QString &text) override { m_text = text; }

private:
    QString m_text;
};

QLocale commaLocale()
{
    return QLocale(QLocale::Russian, QLocale::Russia);
}

QString inLocale(QString text, const QLocale &locale)
{
    if (locale.decimalPoint() == u".")
        text.replace(u',', u'.');
    return text;
}

const QString oldWords = QStringLiteral("старые слова");

} // namespace

class tst_TotalWords : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void words_data();
    void words();
    void leavesWordsUnchanged_data();
    void leavesWordsUnchanged();

private:
    QStringList m_formatErrors;
};

void tst_TotalWords::init()
{
    m_formatErrors.clear();
    setFormatErrorReporter([this](const QString &, const QString &text) { m_formatErrors << text; });
}

void tst_TotalWords::cleanup()
{
    setFormatErrorReporter({});
    QCOMPARE(m_formatErrors, QStringList());
}

void tst_TotalWords::words_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("words");

    struct Row {
        const char *total; // written with ","
        const char *words;
    };
    const Row rows[] = {
        // Two decimals: roubles and the kopeck digits as written.
        {"12,50", "двенадцать рублей пятьдесят копеек"},
        {"1,05", "один рубль пять копеек"},
        {"3,00", "три рубля ноль копеек"},
        {"21,01", "двадцать один рубль одна копейка"},
        {"0,50", "ноль рублей пятьдесят копеек"},
        {"1234,50", "одна тысяча двести тридцать четыре рубля пятьдесят копеек"},
        {" 12,50 ", "двенадцать рублей пятьдесят копеек"},
        {"2147483647,99", "два миллиарда сто сорок семь миллионов четыреста восемьдесят три тысячи шестьсот "
                          "сорок семь рублей девяносто девять копеек"},
        // No decimals: roubles only.
        {"7", "семь рублей"},
        {"0", "ноль рублей"},
        {"1000000", "один миллион рублей"},
        // Other than two decimals: rounded to whole kopecks on the written digits, ties to even.
        {"6,175", "шесть рублей восемнадцать копеек"},
        {"6,165", "шесть рублей шестнадцать копеек"},
        {"2,5", "два рубля пятьдесят копеек"},
        {"0,995", "один рубль ноль копеек"},
        {"1,0051", "один рубль одна копейка"},
        {"1,005", "один рубль ноль копеек"},
        {"99,999", "сто рублей ноль копеек"},
        // Negative totals: "минус" and the magnitude.
        {"-12,50", "минус двенадцать рублей пятьдесят копеек"},
        {"-0,50", "минус ноль рублей пятьдесят копеек"},
        {"-7", "минус семь рублей"},
        {"-0,001", "ноль рублей ноль копеек"},
    };
    for (const QLocale &locale : {commaLocale(), QLocale::c()}) {
        for (const Row &row : rows) {
            const QString total = inLocale(QString::fromUtf8(row.total), locale);
            QTest::addRow("%s -> %s (%s)", qPrintable(total), row.words, qPrintable(locale.name()))
                << locale << total << QString::fromUtf8(row.words);
        }
    }
    QTest::newRow("1,5E+3 -> 1500 roubles (ru_RU)") << commaLocale() << "1,5E+3"
                                                   << "одна тысяча пятьсот рублей";
    QTest::newRow("1 234,50 with a group blank (ru_RU)")
        << commaLocale() << QStringLiteral("1\u00a0234,50")
        << "одна тысяча двести тридцать четыре рубля пятьдесят копеек";
}

void tst_TotalWords::words()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, total);
    QFETCH(QString, words);

    const MemoryTextBox text7(total);
    MemoryTextBox text4(oldWords);
    writeTotalInWords(text7, text4, locale);
    QCOMPARE(text4.Text(), words);
}

void tst_TotalWords::leavesWordsUnchanged_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("total");

    for (const QLocale &locale : {commaLocale(), QLocale::c()}) {
        const QString other = locale.decimalPoint() == u"." ? QStringLiteral(",") : QStringLiteral(".");
        const QString name = locale.name();
        QTest::addRow("empty (%s)", qPrintable(name)) << locale << QString();
        QTest::addRow("blanks (%s)", qPrintable(name)) << locale << QStringLiteral("   ");
        QTest::addRow("not a number (%s)", qPrintable(name)) << locale << QStringLiteral("двенадцать");
        QTest::addRow("other separator 12%s50 (%s)", qPrintable(other), qPrintable(name))
            << locale << QStringLiteral("12%150").arg(other);
        QTest::addRow("2147483648 (%s)", qPrintable(name)) << locale << QStringLiteral("2147483648");
        QTest::addRow("-2147483648 (%s)", qPrintable(name)) << locale << QStringLiteral("-2147483648");
        QTest::addRow("2147483647,995 rounds out of range (%s)", qPrintable(name))
            << locale << inLocale(QStringLiteral("2147483647,995"), locale);
        QTest::addRow("20 digits (%s)", qPrintable(name)) << locale << QStringLiteral("99999999999999999999");
        QTest::addRow("inf (%s)", qPrintable(name)) << locale << QStringLiteral("inf");
        QTest::addRow("1E+20 (%s)", qPrintable(name)) << locale << QStringLiteral("1E+20");
    }
}

void tst_TotalWords::leavesWordsUnchanged()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, total);

    const MemoryTextBox text7(total);
    MemoryTextBox text4(oldWords);
    writeTotalInWords(text7, text4, locale);
    QCOMPARE(text4.Text(), oldWords);
}

QTEST_GUILESS_MAIN(tst_TotalWords)
#include "tst_totalwords.moc"
