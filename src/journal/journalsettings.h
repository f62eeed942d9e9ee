// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serverjournal.h"

// Which journal the program uses, kept in "selvaro.ini" (INI format) in the directory of the state
// files, section [journal]: driver=sqlite (also when the file or the key is missing) or
// driver=postgresql with host, port, database and user. The password never goes into the file.

inline constexpr auto kSettingsFileName = "selvaro.ini";

struct JournalSettings {
    QString driver = QStringLiteral("sqlite"); // "sqlite" or "postgresql"
    JournalServer server;                      // with "postgresql"; its password is not stored
};

// The settings in dir's "selvaro.ini"; the defaults where it says nothing.
JournalSettings readJournalSettings(const QString &dir);

// Writes the settings into dir's "selvaro.ini", keeping its other sections; the reason on failure.
JournalStatus writeJournalSettings(const QString &dir, const JournalSettings &settings);

// Opens the journal the settings name: the file "journal.sqlite" in dir, or the server with the draft
// kept in that file. On failure nullptr and the reason in status.
std::unique_ptr<Journal> openJournal(const JournalSettings &settings, const QString &dir, JournalStatus *status = nullptr);
