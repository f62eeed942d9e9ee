// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <initializer_list>
#include <memory>

// The journal over Qt SQL: the statements every back end shares are written here once; a back end
// adds how it opens, what its failures mean, its schema steps and its full-text search.
class SqlJournal : public Journal {
public:
    ~SqlJournal() override;

    QString location() const override { return m_location; }
    JournalStatus record(JournalReceipt &receipt) override;
    JournalStatus recordAll(QList<JournalReceipt> &receipts) override;
    std::optional<JournalReceipt> receipt(qint64 id, JournalStatus *status = nullptr) override;
    QList<JournalRow> rows(const JournalFilter &filter, int offset, int limit, JournalStatus *status = nullptr) override;
    std::optional<JournalSummary> summary(const QDate &from, const QDate &to, JournalStatus *status = nullptr) override;
    JournalStatus exportRows(const QDate &from, const QDate &to,
                             const std::function<bool(const JournalExportRow &)> &row) override;
    QList<JournalGoods> goods(const QString &text, int limit, JournalStatus *status = nullptr) override;
    JournalStatus saveDraft(const JournalDraft &draft) override;
    std::optional<JournalDraft> draft(JournalStatus *status = nullptr) override;
    JournalStatus clearDraft() override;

    // The latest schema version: the number of migration steps.
    int schemaVersion() const { return int(migrationSteps().size()); }

protected:
    // Takes over the open connection named connectionName; location names the file or server.
    SqlJournal(const QString &connectionName, const QString &location);

    // One schema step: moves version i to i + 1 inside the migration's transaction.
    using MigrationStep = std::function<JournalStatus(SqlJournal &)>;
    virtual QList<MigrationStep> migrationSteps() const = 0;
    virtual int storedVersion(JournalStatus *status) = 0;
    virtual JournalStatus writeVersion(int version) = 0;
    // The statement that starts a transaction that will write (taking the write lock at once).
    virtual QString beginWrite() const { return QStringLiteral("BEGIN"); }
    // The user's reason for a failed statement, naming location().
    virtual QString describe(const QSqlQuery &query) const = 0;

    // Full-text search: keeps the search copy of a just-recorded receipt, and the list's SQL for a
    // text. The text only chooses among fixed statements, it is never part of one: bindSearch binds
    // it. The statement selects kRowColumns from receipts "r" under the date conditions "where" (may
    // be empty), newest first, with the :limit and :offset placeholders; with newestOnly, among the
    // newest kNewest receipts only.
    virtual JournalStatus indexReceipt(const JournalReceipt &receipt) = 0;
    virtual QString searchRowsSql(const QString &text, const QString &where, bool newestOnly) const = 0;
    virtual void bindSearch(QSqlQuery &query, const QString &text, bool newestOnly) const = 0;
    // Whether the list for text is first looked for among the newest receipts, where a common text
    // fills its page at once, and only when they do not fill it among them all.
    virtual bool searchNewestFirst(const QString &text) const = 0;
    // The receipts a search reads first, from the newest.
    static constexpr int kNewest = 5000;
    // The condition that column holds the text bound to the next placeholder, literally.
    virtual QString containsCondition(const QString &column) const = 0;
    // The statement that lists the goods whose lower-cased name holds key (the goods table's order,
    // name, unit and price, a LIMIT placeholder last) and the texts to bind before the limit. This one
    // reads the whole goods index.
    virtual std::pair<QString, QStringList> goodsLookup(const QString &key) const;
    // Whether a look-up of key first reads the goods sold most: where goodsLookup gathers every name
    // found before ordering them, they end a common text's look-up early.
    virtual bool goodsSoldMostFirst(const QString &key) const
    {
        Q_UNUSED(key);
        return true;
    }
    // Conditions on the issue date of receipts "r", from and to bound as ISO dates (to exclusive).
    virtual QString dateFromCondition() const = 0;
    virtual QString dateToCondition() const = 0;

    // The goods table every back end keeps (its SQL types given, include ending its index), and
    // filling it from the receipts already recorded, for a migration step.
    JournalStatus createGoods(const QString &integer, const QString &text, const QString &include = {});

    // Runs the pending migration steps in one transaction. A version newer than the last step is
    // refused, changing nothing.
    JournalStatus migrate();

    // The one place statements run: a failed prepare or exec becomes a status with the reason.
    JournalStatus run(QSqlQuery &query) const;
    JournalStatus run(const QString &sql, std::initializer_list<std::pair<QString, QVariant>> values = {}) const;
    QSqlQuery query() const { return QSqlQuery(m_db); }
    JournalStatus prepare(QSqlQuery &query, const QString &sql) const;
    // A statement prepared once and kept for the journal's life (for what is run for every receipt);
    // nullptr with the reason in status when it cannot be prepared.
    QSqlQuery *kept(const QString &sql, JournalStatus &status);
    // Forgets the kept statements: a connection opened again has none.
    void forgetStatements() { m_kept.clear(); }
    // Runs work inside a write transaction, committing when it succeeds and rolling back otherwise.
    JournalStatus inWriteTransaction(const std::function<JournalStatus()> &work);

    // The columns of a list row, selected from receipts "r".
    static const QString kRowColumns;

    // The export's statement: the lines of the original receipts "r" under the date conditions where
    // (empty, or each beginning with " AND "), in the order of issue; and the row it has read.
    static QString exportSql(const QString &where);
    static JournalExportRow exportRow(const QSqlQuery &query);

    // Inserts the receipt inside the caller's transaction and sets its id.
    JournalStatus insert(JournalReceipt &receipt);

    QSqlDatabase m_db;
    QString m_location;

private:
    QList<JournalRow> rowsOf(const JournalFilter &filter, int offset, int limit, bool newestOnly, JournalStatus &done);
    // The date conditions of receipts "r" for from and to (null: open), each beginning with " AND ",
    // and their values bound into a query prepared with them.
    QString dateConditions(const QDate &from, const QDate &to) const;
    static void bindDates(QSqlQuery &query, const QDate &from, const QDate &to);
    JournalStatus countGoods(const JournalReceipt &receipt);
    JournalStatus insertLines(const QString &sql, const QVariant &owner, const QList<JournalLine> &lines);
    QString m_connectionName;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_kept;
};

// What a failed statement says for the log and the user: the driver's text.
QString driverMessage(const QSqlQuery &query);
