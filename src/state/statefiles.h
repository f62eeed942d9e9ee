// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// The seller header line and the receipt number, each kept in a one-line Windows-1251 text file.

inline constexpr auto kHeaderFileName = "clishr.txt";
inline constexpr auto kNumberFileName = "numch.txt";

// Loads the first line of "clishr.txt" into TxtClish and of "numch.txt" into TextN, from dir.
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

// Where the program keeps its two files: beside the executable (appDir) when that directory is
// writable, otherwise in the user's data directory; files an administrator put beside the executable
// still seed the first run.
struct StatePlaces {
    QString appDir;
    QString userDataDir;
};

// The directory of the executable and the user's data directory of this program.
StatePlaces defaultStatePlaces();

// The directory the files are saved in: beside the executable when it can take them, otherwise the
// user's data directory (created when missing). Other files of the program belong there too.
QString stateDirectory(const StatePlaces &places);

// Start, Finish and saveNumber over the places above.
void Start(const StatePlaces &places, QString &TxtClish, QString &TextN);
QList<SaveFailure> Finish(const StatePlaces &places, const QString &TxtClish, const QString &TextN);
QList<SaveFailure> saveNumber(const StatePlaces &places, const QString &TextN);
