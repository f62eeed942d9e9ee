// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The seller header line and the receipt number, each kept in a one-line Windows-1251 text file.

inline constexpr auto kHeaderFileName = "clishr.txt";
inline constexpr auto kNumberFileName = "numch.txt";

// Loads the first line of "clishr.txt" into TxtClish and of "numch.txt" into TextN, from dir: as UTF-8
// when it starts with a UTF-8 byte-order mark or is valid UTF-8 with non-ASCII characters, otherwise
// as Windows-1251.
// A missing file leaves its text untouched; a file that exists but cannot be read empties it.
// Never fails and never blocks on a file of any size or content.
void Start(const QString &dir, QString &TxtClish, QString &TextN);

// One file that could not be saved: its full path and the reason, in Russian, for the user.
struct SaveFailure {
    QString filePath;
    QString reason;
};

// Writes TxtClish and TextN to their files in dir, each atomically, as Windows-1251 + CR LF.
// Tries both files; returns one entry per file that could not be written (empty on success).
QList<SaveFailure> Finish(const QString &dir, const QString &TxtClish, const QString &TextN);

// Saves only the receipt number (after a print), atomically, as Finish does.
QList<SaveFailure> saveNumber(const QString &dir, const QString &TextN);

// The text of a state file's line, from the bytes at the start of the file: the bytes before the first
// CR within the first 64 KiB, decoded as Start reads them. Start reads each file through this.
QString stateLineText(QByteArrayView bytes);

// The bytes Finish writes for text: Windows-1251, each character it cannot hold as "?", then CR LF.
QByteArray stateLineBytes(const QString &text);

// The characters of text that the Windows-1251 files cannot hold (each is saved as "?"), each once, in
// the order they first appear.
QStringList charactersNotKept(const QString &text);
