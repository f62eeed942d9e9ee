// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// The 64-bit core of SummaString, for the library's own tests and tools.

// Writes Source in words followed by the noun, exactly as SummaString does, for any magnitude up to
// 999 999 999 999 (four groups: units, thousands, millions, milliards). A larger magnitude goes to the
// format-error reporter, and Summa keeps the words of the four lower groups written so far (without
// "минус"). Never throws.
void summaStringWide(QString &Summa, qint64 Source, qint16 Rod, const QString &w1, const QString &w2to4,
                     const QString &w5to10);
