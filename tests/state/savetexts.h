#pragma once

#include <QString>

// The texts the saving tests write: the i-th header and number of a writer named tag, long enough that
// a torn or half-written file cannot pass for a whole one.
inline QString savedHeader(const QString &tag, int i)
{
    return QStringLiteral("ИП %1 заголовок №%2 ").arg(tag).arg(i) + QString(3000, QChar(u'Ж')) + QStringLiteral(" конец");
}

inline QString savedNumber(const QString &tag, int i)
{
    return QStringLiteral("%1-%2-").arg(tag).arg(i) + QString(1500, QChar(u'7')) + QStringLiteral("-end");
}
