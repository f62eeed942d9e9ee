// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal.h"

// The journal several counters share on a PostgreSQL server. Receipts and their lines go to the
// server, where a receipt number is issued once per seller header (copies apart); the draft belongs
// to the window that closed and stays in the local journal file of this machine.

// How to reach the server. No password is ever stored: libpq reads it from the user's password file
// (~/.pgpass, %APPDATA%\postgresql\pgpass.conf) unless one was asked for and given here.
struct JournalServer {
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString password;
};

// The server for messages: "host:port/database".
QString serverLocation(const JournalServer &server);

// Opens the journal on server (creating its tables when the database has none, migrating when older)
// with the draft kept in the SQLite journal at localFilePath. On failure returns nullptr and the
// reason in status (kind ServerAway when the server could not be reached); a database made by a newer
// version is never changed.
std::unique_ptr<Journal> openServerJournal(const JournalServer &server, const QString &localFilePath,
                                           JournalStatus *status = nullptr);

// How sending the receipts kept while the server was away went: how many went up, how many of them
// were flagged there as duplicates, and the failure that stopped it (the rest wait for the next time).
struct UnsentSending {
    int sent = 0;
    int duplicates = 0;
    JournalStatus status;
};

// Sends the receipts waiting in the local journal to the shared one, oldest first, each exactly once
// (a send cut off half way is recognised the next time by the receipt's uid), and takes their mark off.
UnsentSending sendUnsent(Journal &local, Journal &server);
