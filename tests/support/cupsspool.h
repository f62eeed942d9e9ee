// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Printing through the real CUPS scheduler in tests: the default queue that scripts/cups-setup.sh
// makes (a cups-pdf queue) and the documents CUPS keeps in its spool, which are the PDFs Qt sent.
namespace CupsSpool {

// Why printing cannot be tested end to end here, or an empty text when it can.
QString unavailableReason();
// The documents now in the spool.
QStringList documents();
// Waits for a document not among before whose text contains token, then for its job to complete on
// queue (the default one when empty). Returns the document's path, or an empty text when that did not
// happen in time.
QString waitForDocument(const QStringList &before, const QString &token, QString queue = {});
// What program writes to its standard output when run with args (waits at most 30 s).
QString run(const QString &program, const QStringList &args);

} // namespace CupsSpool
