// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "statefiles.h"

#include <QLockFile>
#include <QString>

#include <memory>

// Where the program keeps its two files: beside the executable (appDir) when that directory is
// writable, otherwise in the user's data directory; files an administrator put beside the executable
// still seed the first run.
struct StatePlaces {
    QString appDir;
    QString userDataDir;
};

// The directory of the executable and the user's data directory of this program.
StatePlaces defaultStatePlaces();

// Start over the places: when both hold files, the pair written last is read (so a receipt number
// never goes back); a file missing from it comes from the other place.
void Start(const StatePlaces &places, QString &TxtClish, QString &TextN);
// Finish and saveNumber into the directory that can take the files (see StatePlaces).
QList<SaveFailure> Finish(const StatePlaces &places, const QString &TxtClish, const QString &TextN);
QList<SaveFailure> saveNumber(const StatePlaces &places, const QString &TextN);

// The directory the files are saved in: beside the executable when it can take them, otherwise the
// user's data directory (created when missing). Other files of the program belong there too.
QString stateDirectory(const StatePlaces &places);

// The user's data directory when the next save has to go there, the executable's directory being closed
// to writing, and neither file is there yet; otherwise empty. The user is told once, at that save.
QString firstSaveElsewhere(const StatePlaces &places);

// Locks the files of places against a second running copy of the program, with a lock file beside
// them that stays until the returned lock is destroyed; a lock left by a process that no longer runs
// is taken over. Null when another running copy holds it. When no lock file can be made at all (the
// directory cannot be written), returns an unlocked QLockFile: the saves will report that directory.
std::unique_ptr<QLockFile> lockStateFiles(const StatePlaces &places);
