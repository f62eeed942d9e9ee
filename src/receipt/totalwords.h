// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "textbox.h"

#include <QLocale>

// Text7_LostFocus: writes the total in Text7 in words, roubles and kopecks, into Text4.
// Leaves Text4 as it was when Text7 holds no number in the locale.
void writeTotalInWords(const TextBox &Text7, TextBox &Text4, const QLocale &locale);
