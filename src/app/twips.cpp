// SPDX-License-Identifier: GPL-3.0-or-later
#include "twips.h"

#include <QStringList>

QFont designFont(const QString &family, double pointSize, bool bold)
{
    QFont font;
    if (family.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0) {
        // Arial-metric faces keep the designed column and caption widths closest; DejaVu Sans, the
        // usual system sans, runs about 15 % wider.
        font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                          QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                          QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")});
        font.setStyleHint(QFont::SansSerif);
    } else {
        font.setFamilies({family});
    }
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}
