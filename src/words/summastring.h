// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// Whole numbers in Russian words, followed by a noun in the form the number calls for.

// Writes one three-digit group of TempValue (its last three digits) into Summa, followed by the
// group's noun in the form the group calls for, and removes the group from TempValue (TempValue /= 1000).
// Rod is the noun's gender: 1 masculine, 2 feminine, 3 neuter.
void SummaStringThree(QString &Summa, qint32 &TempValue, const qint16 &Rod, const QString &w1,
                      const QString &w2to4, const QString &w5to10);

// Writes Source in words followed by the noun (w1 after a final one, w2to4 after a final two to four,
// w5to10 otherwise) into Summa. A negative Source is written as "минус" and the words of its magnitude.
// Never throws; a failure goes to the format-error reporter and Summa keeps what was written.
void SummaString(QString &Summa, const qint32 &Source, const qint16 &Rod, const QString &w1,
                 const QString &w2to4, const QString &w5to10);

// SummaString for a 64-bit Source, with trillions: any magnitude up to 999 999 999 999 999 (five
// groups). A larger magnitude goes to the format-error reporter, and Summa keeps the words of the five
// lower groups (without "минус"). Never throws.
void summaStringWide(QString &Summa, qint64 Source, qint16 Rod, const QString &w1, const QString &w2to4,
                     const QString &w5to10);

// Receives the failure message of SummaString (title, text). The window installs one that shows a
// critical message box; tests install their own. With none installed the failure is ignored.
using FormatErrorReporter = std::function<void(const QString &title, const QString &text)>;
void setFormatErrorReporter(FormatErrorReporter reporter);
