// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The receipt journal: every receipt printed or saved as PDF, kept with the texts it was printed with,
// found again by number, goods word, seller or date, and an unprinted receipt kept as a draft. Nothing
// here knows about windows; everything above this interface never learns which database is behind it.

// One line of a receipt: the six cell texts of a grid row, as printed.
struct JournalLine {
    QString num, name, unit, quantity, price, sum;
};

// One issued receipt. id and copyOf are the journal's own; 0 / nullopt before it is recorded.
struct JournalReceipt {
    qint64 id = 0;
    QString number;         // the receipt number as printed in the title
    QDateTime issuedAt;     // when it was issued (stored as ISO 8601 local time with offset)
    QString datePrinted;    // the date text printed in the title
    QString sellerHeader;
    QString sellerName;
    QString total;          // the total box's text as printed
    std::optional<qint64> totalKopecks; // the total in whole kopecks, rounded as its words; none if not a number
    QString words;
    QString issuedTo;       // "printer:<queue>" or "pdf:<path>"
    std::optional<qint64> copyOf; // set on a reprint: the id of the original
    QList<JournalLine> lines;
    QString uid{};          // made at the counter when it is issued: the same receipt sent twice is known
    bool duplicate = false; // its number was issued meanwhile on another counter while this one was cut off
};

// A row of the journal's list: enough to show and pick a receipt without loading its lines.
struct JournalRow {
    qint64 id = 0;
    QString number;
    QDateTime issuedAt;
    QString total;
    QString sellerName;
    QString firstName; // the first goods name of the receipt
    std::optional<qint64> copyOf;
    bool duplicate = false; // as JournalReceipt::duplicate
};

// What to list: text found literally (any case) in the number, any goods name or the seller's name
// or header, where its first word begins a word there ("гвоз" finds "Гвозди" and "Дюбель-гвоздь", "возди"
// finds neither); a text without a letter or digit is found anywhere, but slowly in a large journal.
// An empty text finds all. Dates bound issuedAt's local date, inclusive; a null date is open.
struct JournalFilter {
    QString text;
    QDate from;
    QDate to;
};

// What was issued in a range of days, copies apart, summed in whole kopecks.
struct JournalSummary {
    QDate from, to;        // the days covered; an open end of the range becomes the first or last receipt's day
    qint64 receipts = 0;   // the originals issued
    qint64 notNumbers = 0; // of them, those whose total is not a number: counted, left out of kopecks
    qint64 kopecks = 0;    // the sum of the other totals
    QList<qint64> daily;   // kopecks issued on each day from `from` to `to`, 0 on a day without receipts

    // The average of the totals that are numbers, rounded half away from zero; 0 when there is none.
    qint64 averageKopecks() const
    {
        const qint64 counted = receipts - notNumbers;
        if (counted <= 0)
            return 0;
        const qint64 whole = kopecks / counted, rest = kopecks % counted; // both take the sign of kopecks
        return whole + (2 * (rest < 0 ? -rest : rest) >= counted ? (kopecks < 0 ? -1 : 1) : 0);
    }
};

// One receipt line as exported, with its receipt's number, issue time (the issuing counter's own),
// seller and total text; a receipt without lines comes as one row with empty line texts.
struct JournalExportRow {
    QString number;
    QDateTime issuedAt;
    QString sellerName;
    JournalLine line;
    QString total;
};

// A goods name sold before, offered while a name is typed: the name as last printed, and the unit and
// price of the latest sale that gave them.
struct JournalGoods {
    QString name, unit, price;
};

// The receipt in the window when it closed unprinted.
struct JournalDraft {
    QString sellerName;
    QList<JournalLine> lines;
};

// What kind of failure a status tells, where the program can do something about it.
enum class JournalFailure {
    Other,
    NumberIssued, // record(): a shared journal already has an original receipt with this number and header
    ServerAway,   // the journal's server could not be reached
};

// How an operation went: on failure the reason in Russian for the user, naming the file or server.
struct JournalStatus {
    bool ok = true;
    QString reason;
    JournalFailure kind = JournalFailure::Other;

    static JournalStatus failure(const QString &why) { return {false, why}; }
    explicit operator bool() const { return ok; }
};

class Journal {
public:
    virtual ~Journal() = default;

    // The file path or server the journal lives in, for messages.
    virtual QString location() const = 0;

    // Records receipt with its lines in one transaction and sets receipt.id. Nothing is kept on failure.
    virtual JournalStatus record(JournalReceipt &receipt) = 0;

    // Records several receipts in one transaction (receipts kept elsewhere meanwhile, an import) and
    // sets their ids. Nothing is kept on failure.
    virtual JournalStatus recordAll(QList<JournalReceipt> &receipts) = 0;

    // The receipt with its lines, or nullopt with the reason in status.
    virtual std::optional<JournalReceipt> receipt(qint64 id, JournalStatus *status = nullptr) = 0;

    // Up to limit rows matching filter, newest first, skipping offset rows (for lazy loading).
    virtual QList<JournalRow> rows(const JournalFilter &filter, int offset, int limit,
                                   JournalStatus *status = nullptr) = 0;

    // The summary of the originals issued from `from` to `to` (local dates of issue, inclusive, as the
    // list's filter takes them; a null date is open), or nullopt with the reason in status.
    virtual std::optional<JournalSummary> summary(const QDate &from, const QDate &to, JournalStatus *status = nullptr) = 0;

    // Gives each line of the originals issued from `from` to `to` (as summary() takes them) to row, in
    // the order of issue; stops early, successfully, when row returns false.
    virtual JournalStatus exportRows(const QDate &from, const QDate &to,
                                     const std::function<bool(const JournalExportRow &)> &row) = 0;

    // Up to limit goods names containing text (any case, blanks at the ends and runs of blanks aside), the
    // most often sold first (receipts that sold them, copies apart; ties the latest sold first). An
    // empty text finds none.
    virtual QList<JournalGoods> goods(const QString &text, int limit, JournalStatus *status = nullptr) = 0;

    // The draft: saved over any earlier one; an empty draft (no lines) removes it.
    virtual JournalStatus saveDraft(const JournalDraft &draft) = 0;
    virtual std::optional<JournalDraft> draft(JournalStatus *status = nullptr) = 0;
    virtual JournalStatus clearDraft() = 0;

    // The number to offer when record() failed with NumberIssued: the greatest whole number issued
    // under sellerHeader (copies apart) plus one, "1" when there is none. A journal on one machine
    // does not keep numbers unique and returns nullopt.
    virtual std::optional<QString> nextFreeNumber(const QString &sellerHeader, JournalStatus *status = nullptr)
    {
        Q_UNUSED(sellerHeader);
        if (status)
            *status = {};
        return std::nullopt;
    }

    // Takes back an original receipt recorded just now whose printing then failed, so that its number
    // is free again. Only a shared journal takes numbers before printing; others refuse.
    virtual JournalStatus withdraw(qint64 id)
    {
        Q_UNUSED(id);
        return JournalStatus::failure(QStringLiteral("Журнал «%1» не возвращает записанных чеков.").arg(location()));
    }

    // Receipts printed while the shared journal's server was away wait in the journal of this computer,
    // marked as not yet sent. recordUnsent records one so and sets its id; unsent lists them with their
    // lines, oldest first; markSent takes the mark off (duplicate: the server flagged its number).
    // Only the SQLite journal keeps them; the others refuse.
    virtual JournalStatus recordUnsent(JournalReceipt &receipt)
    {
        Q_UNUSED(receipt);
        return JournalStatus::failure(QStringLiteral("Журнал «%1» не хранит неотправленных чеков.").arg(location()));
    }
    virtual QList<JournalReceipt> unsent(JournalStatus *status = nullptr)
    {
        if (status)
            *status = {};
        return {};
    }
    virtual JournalStatus markSent(qint64 id, bool duplicate)
    {
        Q_UNUSED(id);
        Q_UNUSED(duplicate);
        return JournalStatus::failure(QStringLiteral("Журнал «%1» не хранит неотправленных чеков.").arg(location()));
    }

    // Takes a receipt printed on a counter cut off from this shared journal: one already here (the same
    // uid, a send cut off half way) is not recorded again; one whose number was issued meanwhile is
    // recorded flagged as a duplicate, never renumbered. Sets receipt.id and receipt.duplicate.
    virtual JournalStatus deliver(JournalReceipt &receipt)
    {
        Q_UNUSED(receipt);
        return JournalStatus::failure(QStringLiteral("Журнал «%1» не общий: чеки в него не отправляются.").arg(location()));
    }
};

// Opens (creating when missing, migrating when older) the SQLite journal at filePath. On failure
// returns nullptr and the reason in status; a damaged file or one made by a newer version is never
// changed.
std::unique_ptr<Journal> openSqliteJournal(const QString &filePath, JournalStatus *status = nullptr);

// The journal's file name in the directory where the two state files are kept.
inline constexpr auto kJournalFileName = "journal.sqlite";
