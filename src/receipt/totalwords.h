// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "textbox.h"

#include <QLocale>
#include <QString>

#include <optional>

// Text7_LostFocus: writes the total in Text7 in words, roubles and kopecks (rounded half away from zero
// to whole kopecks), into Text4. Leaves Text4 as it was when Text7 is empty; says why in Text4 when
// Text7 holds no number in the locale or more than 999 999 999 999 999 roubles.
void writeTotalInWords(const TextBox &Text7, TextBox &Text4, const QLocale &locale);

// The total text in whole kopecks, rounded as writeTotalInWords rounds it for its words; nothing when
// the text holds no total that would be written in words.
std::optional<qint64> totalKopecks(const QString &Text7, const QLocale &locale);
