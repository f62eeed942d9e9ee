#include "summastring.h"

// Placeholder bodies until the words are written.
void SummaStringThree(QString &, qint32 &TempValue, const qint16 &, const QString &, const QString &,
                      const QString &)
{
    TempValue /= 1000;
}

void SummaString(QString &Summa, const qint32 &, const qint16 &, const QString &, const QString &,
                 const QString &)
{
    Summa.clear();
}

void setFormatErrorReporter(FormatErrorReporter) {}
