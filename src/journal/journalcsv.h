// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal.h"

// Writes the lines of the originals issued from `from` to `to` (as Journal::summary() takes the range)
// to filePath as CSV for a spreadsheet: UTF-8 with a byte-order mark, ";" between fields, a heading
// row, a field holding ";", a double quote, CR or LF quoted with its quotes doubled, CR LF after each
// row. Texts are written as recorded. The file is replaced only once everything is written; on failure
// an earlier file stays as it was and status tells why, naming the file. Sets *lines to the rows written.
JournalStatus writeJournalCsv(Journal &journal, const QDate &from, const QDate &to, const QString &filePath,
                              qint64 *lines = nullptr);
