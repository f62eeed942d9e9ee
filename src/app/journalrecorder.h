// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal.h"
#include "printerpage.h"
#include "receiptlayout.h"
#include "serverjournal.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class FlexGrid;
class FrmSelvaro;
class JournalWindow;
class QPrinter;
class QWidget;

// The receipt as it stands in texts and grid, issued now to issuedTo ("printer:<queue>" or
// "pdf:<path>"): every line's six cells, the total in kopecks as its words round it.
JournalReceipt journalReceipt(const ReceiptTexts &texts, const FlexGrid &grid, const QLocale &locale,
                              const QString &issuedTo, const QDateTime &issuedAt);

// The texts a recorded receipt was printed with, its recorded date included.
ReceiptTexts receiptTexts(const JournalReceipt &receipt);

// Where printer puts its pages, as the journal keeps it: "pdf:<file>" or "printer:<queue>".
QString issuedTo(const QPrinter &printer);

// The window's side of the receipt journal. It opens "journal.sqlite" in the directory of the state
// files, records every receipt the print command counts, keeps unprinted lines as the draft when the
// window closes and puts them back at the next start, and opens the journal window (Ctrl+J). A journal
// that cannot be opened or written is told; printing goes on, and a receipt that could not be recorded
// is kept and recorded with the next one.
class JournalRecorder : public QObject {
    Q_OBJECT
public:
    // Gives window its Ctrl+J shortcut. The window must outlive this object.
    explicit JournalRecorder(FrmSelvaro *window);
    ~JournalRecorder() override;

    // Opens the journal and puts a kept draft into the window; tells the user when it cannot be opened.
    void start();

    // The journal's file.
    QString filePath() const;
    // why, a reason the journal gave, with the journal's file named in it (once).
    QString failureText(const QString &why) const;
    // The open journal; tries to open it again when it could not be opened before. On failure nullptr,
    // with the reason in why.
    Journal *journal(QString *why = nullptr);

    // The goods sold before whose names contain text, the most often sold first, at most 10; none
    // without a journal. After the journal failed to open or answer, none are asked for a minute, so
    // that a server gone away does not hold up typing at every key.
    QList<JournalGoods> goods(const QString &text);

    // Records what was just printed or saved from the window (the print command calls this as it counts
    // the receipt). The draft goes: a printed receipt leaves none.
    void recordPrint(const ReceiptTexts &printed, const QPrinter &printer);

    // Before a receipt of the window is printed to issuedTo: a shared journal records it at once, so
    // that its number is this counter's alone. When another counter has issued the number, the seller is
    // offered the next free one (put into texts and TextN) or not to print; when the server cannot be
    // used, to print and keep the receipt in this computer's journal until it can be sent, or not to
    // print. Receipts kept so are sent first. False when nothing is to be printed. A journal on this
    // computer alone takes nothing here.
    bool claimNumber(ReceiptTexts &texts, const QString &issuedTo);
    // The print after claimNumber failed or was not made: its number is given back.
    void releaseNumber();
    // Whether the settings name a shared journal on a server.
    bool shared() const;
    // How many receipts printed while the server was away wait in this computer's journal.
    int unsentCount();
    // Sends them to the shared journal; how it went.
    UnsentSending sendUnsent();

    // Prints a recorded receipt again as it was, on the default printer or (pdf) into a file the user
    // chooses, and records the copy. Returns whether it was printed.
    bool printCopy(const JournalReceipt &original, QWidget *parent);
    bool saveCopyAsPdf(const JournalReceipt &original, QWidget *parent);
    // Draws a recorded receipt for a print preview, as it was printed.
    PrintResult preview(QPrinter &printer, const JournalReceipt &receipt) const;

    // Replaces the window's lines with lines (at least one line stays) and adds up the total again.
    void putLines(const QList<JournalLine> &lines);

    // At closing: keeps the window's lines as the draft when they hold anything not printed. When that
    // fails the user may close anyway or stay (returns false).
    bool keepDraft();

    // "Журнал на сервере…": edits where the journal is kept; the journal is opened anew from then on.
    void editServer();
    // Shows the journal window (Ctrl+J, "Журнал чеков…").
    void showWindow();
    // The journal window once it was opened.
    JournalWindow *journalWindow() const;

    // The grid's header row, which every recorded receipt is printed with.
    QStringList headings() const;

signals:
    // A receipt or a copy went into the journal.
    void recorded();

private:
    bool record(JournalReceipt &receipt);
    // Tells that receipt was printed but not recorded (why), keeping it to be recorded later.
    void tellUnrecorded(const JournalReceipt &receipt, const QString &why);
    // This computer's journal file, where receipts wait while the server is away.
    Journal *outbox(QString *why = nullptr);
    // Where the draft is kept: the journal, or with a shared one away, this computer's file.
    Journal *draftJournal(QString *why = nullptr);
    bool recordUnrecorded(QString *why);
    PrintResult printOn(QPrinter &printer, const JournalReceipt &receipt) const;
    bool saveAsPdf(const JournalReceipt &receipt, QWidget *parent, bool asCopy);
    // Records a copy of original just printed on printer.
    void recordCopy(const JournalReceipt &original, const QPrinter &printer);
    QList<QStringList> windowLines() const;

    FrmSelvaro *m_window;
    std::unique_ptr<Journal> m_journal;
    std::unique_ptr<Journal> m_outbox;
    std::optional<JournalReceipt> m_claim; // taken for the print under way (or to be kept unsent)
    bool m_claimUnsent = false;
    QList<JournalReceipt> m_unrecorded;   // printed, but not yet in the journal
    QList<QStringList> m_printedLines;    // the lines last printed from the window
    bool m_draftKept = false;             // the journal may hold a draft of this window
    QPointer<JournalWindow> m_journalWindow;
    QDeadlineTimer m_goodsPause; // no goods are asked for until it expires
};
