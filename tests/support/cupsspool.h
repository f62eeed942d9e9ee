#pragma once

#include <QString>
#include <QStringList>

// Printing through the real CUPS scheduler in tests: the default queue that scripts/cups-setup.sh
// makes (a cups-pdf queue) and the documents CUPS keeps in its spool, which are the PDFs Qt sent.
namespace CupsSpool {

// Why printing cannot be tested end to end here (no default printer, one that would print on real
// paper, an unreadable spool), or an empty text when it can.
QString unavailableReason();

// The documents now in the spool, oldest first.
QStringList documents();

// Waits for a document that was not among before and whose text contains token, then for its job to
// complete on the default queue. Returns the document's path, or an empty text when either did not
// happen in time.
QString waitForDocument(const QStringList &before, const QString &token);

// What program writes to its standard output when run with args (waits at most 30 s).
QString run(const QString &program, const QStringList &args);

} // namespace CupsSpool
