// SPDX-License-Identifier: GPL-3.0-or-later
#include "sqljournal.h"

#include <QSqlError>
#include <QStringList>

const QString SqlJournal::kRowColumns = QStringLiteral(
    "r.id, r.number, r.issued_at, r.total, r.seller_name, r.copy_of,"
    " (SELECT l.name FROM receipt_lines l WHERE l.receipt_id = r.id AND l.name <> '' ORDER BY l.position LIMIT 1),"
    " r.duplicate");

namespace {

void report(JournalStatus *status, const JournalStatus &value)
{
    if (status)
        *status = value;
}

// Stored texts are never NULL: a null QString binds as NULL.
QVariant textValue(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

// A stored optional integer: NULL for none.
QVariant optionalValue(const std::optional<qint64> &value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<qint64>());
}

std::optional<qint64> optionalOf(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<qint64>(value.toLongLong());
}

// The date-time as stored: ISO 8601 with the local offset of the moment, to the second.
QString storedTime(const QDateTime &time)
{
    return time.isValid() ? time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate) : QString();
}

// How goods names are told apart and found: in lower case (SQLite's lower() folds ASCII only, so the
// program folds), blanks at the ends and runs of blanks aside.
QString goodsKey(const QString &name)
{
    return name.simplified().toLower();
}

// The key a line's sale is counted under; none for a name, unit or price too long to be offered
// (nobody types them; a server's index takes at most 2,704 bytes of a goods row, in UTF-8).
QString soldKey(const JournalLine &line)
{
    return line.name.size() > 200 || line.unit.size() > 100 || line.price.size() > 100 ? QString() : goodsKey(line.name);
}

// Counts a sale of one goods name, sold times: a later sale (by issue time, then id) gives the name
// as printed, and the unit and price where it has them.
const QString kCountGoods = [] {
    const QString later = QStringLiteral(
        "(excluded.last_at > goods.last_at OR (excluded.last_at = goods.last_at AND excluded.last_id > goods.last_id))");
    return QStringLiteral(
               "INSERT INTO goods (folded, name, unit, price, sold, last_at, last_id) VALUES (?, ?, ?, ?, ?, ?, ?)"
               " ON CONFLICT (folded) DO UPDATE SET sold = goods.sold + excluded.sold,"
               " name = CASE WHEN %1 THEN excluded.name ELSE goods.name END,"
               " unit = CASE WHEN excluded.unit <> '' AND (%1 OR goods.unit = '') THEN excluded.unit ELSE goods.unit END,"
               " price = CASE WHEN excluded.price <> '' AND (%1 OR goods.price = '') THEN excluded.price ELSE goods.price END,"
               " last_at = CASE WHEN %1 THEN excluded.last_at ELSE goods.last_at END,"
               " last_id = CASE WHEN %1 THEN excluded.last_id ELSE goods.last_id END")
        .arg(later);
}();

// One goods name's sales as counted into the goods table.
struct GoodsSales {
    QString name, unit, price, lastAt;
    qint64 lastId = 0;
    qint64 sold = 0;
};

// Takes in a sale of line from the receipt id issued at (stored) time at, lines taken in order: a
// later line of the same receipt is a later sale, counted once with it.
void addSale(GoodsSales &sales, const JournalLine &line, const QString &at, qint64 id)
{
    const bool later = sales.sold == 0 || at > sales.lastAt || (at == sales.lastAt && id >= sales.lastId);
    if (sales.sold == 0 || sales.lastId != id)
        ++sales.sold;
    const QString unit = line.unit.trimmed(), price = line.price.trimmed();
    if (later)
        sales.name = line.name.trimmed();
    if (!unit.isEmpty() && (later || sales.unit.isEmpty()))
        sales.unit = unit;
    if (!price.isEmpty() && (later || sales.price.isEmpty()))
        sales.price = price;
    if (later) {
        sales.lastAt = at;
        sales.lastId = id;
    }
}

JournalLine lineAt(const QSqlQuery &query, int first)
{
    return {query.value(first).toString(), query.value(first + 1).toString(), query.value(first + 2).toString(),
            query.value(first + 3).toString(), query.value(first + 4).toString(), query.value(first + 5).toString()};
}

} // namespace

QString driverMessage(const QSqlQuery &query)
{
    const QSqlError error = query.lastError();
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

SqlJournal::SqlJournal(const QString &connectionName, const QString &location)
    : m_db(QSqlDatabase::database(connectionName, false)), m_location(location), m_connectionName(connectionName)
{
}

SqlJournal::~SqlJournal()
{
    m_kept.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

JournalStatus SqlJournal::run(QSqlQuery &query) const
{
    return query.exec() ? JournalStatus() : JournalStatus::failure(describe(query));
}

JournalStatus SqlJournal::prepare(QSqlQuery &query, const QString &sql) const
{
    return query.prepare(sql) ? JournalStatus() : JournalStatus::failure(describe(query));
}

JournalStatus SqlJournal::run(const QString &sql, std::initializer_list<std::pair<QString, QVariant>> values) const
{
    QSqlQuery q = query();
    // Without values a statement runs as it is: PostgreSQL prepares no BEGIN, COMMIT or CREATE.
    if (values.size() == 0)
        return q.exec(sql) ? JournalStatus() : JournalStatus::failure(describe(q));
    if (JournalStatus prepared = prepare(q, sql); !prepared)
        return prepared;
    for (const auto &[name, value] : values)
        q.bindValue(name, value);
    return run(q);
}

JournalStatus SqlJournal::inWriteTransaction(const std::function<JournalStatus()> &work)
{
    if (JournalStatus begun = run(beginWrite()); !begun)
        return begun;
    JournalStatus done = work();
    if (done)
        done = run(QStringLiteral("COMMIT"));
    if (!done)
        run(QStringLiteral("ROLLBACK"));
    return done;
}

JournalStatus SqlJournal::migrate()
{
    const QList<MigrationStep> steps = migrationSteps();
    JournalStatus status;
    if (storedVersion(&status) == steps.size() || !status)
        return status;
    return inWriteTransaction([&]() {
        // Read again under the write lock: another program may have just migrated the same file.
        JournalStatus read;
        const int version = storedVersion(&read);
        if (!read)
            return read;
        if (version > steps.size())
            return JournalStatus::failure(
                QStringLiteral("Журнал «%1» записан более новой версией программы; эта версия его не открывает и не меняет.")
                    .arg(m_location));
        if (version == steps.size())
            return JournalStatus();
        for (int step = version; step < steps.size(); ++step)
            if (JournalStatus moved = steps[step](*this); !moved)
                return moved;
        return writeVersion(int(steps.size()));
    });
}

QSqlQuery *SqlJournal::kept(const QString &sql, JournalStatus &status)
{
    std::shared_ptr<QSqlQuery> &statement = m_kept[sql];
    if (!statement) {
        auto prepared = std::make_shared<QSqlQuery>(m_db);
        if (status = prepare(*prepared, sql); !status) {
            m_kept.remove(sql);
            return nullptr;
        }
        statement = prepared;
    }
    return statement.get();
}

JournalStatus SqlJournal::createGoods(const QString &integer, const QString &text, const QString &include)
{
    for (const QString &sql : {QStringLiteral("CREATE TABLE goods (folded %2 PRIMARY KEY, name %2 NOT NULL, unit %2 NOT NULL,"
                                              " price %2 NOT NULL, sold %1 NOT NULL, last_at %2 NOT NULL, last_id %1 NOT NULL)")
                                   .arg(integer, text),
                               // The list's order, with the name to test while reading it: the first goods found
                               // end the reading, and a goods row is read only when its name is found.
                               QStringLiteral("CREATE INDEX goods_rank ON goods (sold DESC, last_id DESC, folded)") + include})
        if (JournalStatus made = run(sql); !made)
            return made;
    QSqlQuery lines = query();
    lines.setForwardOnly(true);
    JournalStatus status = prepare(lines, QStringLiteral(
        "SELECT r.id, r.issued_at, l.name, l.unit, l.price FROM receipts r JOIN receipt_lines l ON l.receipt_id = r.id"
        " WHERE r.copy_of IS NULL AND l.name <> '' ORDER BY r.id, l.position"));
    if (status)
        status = run(lines);
    QHash<QString, GoodsSales> sales;
    while (status && lines.next()) {
        const JournalLine line{{}, lines.value(2).toString(), lines.value(3).toString(), {}, lines.value(4).toString(), {}};
        if (const QString key = soldKey(line); !key.isEmpty())
            addSale(sales[key], line, lines.value(1).toString(), lines.value(0).toLongLong());
    }
    lines.finish();
    QSqlQuery *count = status ? kept(kCountGoods, status) : nullptr;
    for (auto it = sales.cbegin(); count && status && it != sales.cend(); ++it) {
        int column = 0;
        for (const QVariant &value : {QVariant(it.key()), textValue(it->name), textValue(it->unit), textValue(it->price),
                                      QVariant(it->sold), textValue(it->lastAt), QVariant(it->lastId)})
            count->bindValue(column++, value);
        status = run(*count);
    }
    return status;
}

// Counts the goods an original receipt sold, each name once.
JournalStatus SqlJournal::countGoods(const JournalReceipt &receipt)
{
    if (receipt.copyOf)
        return {};
    const QString at = storedTime(receipt.issuedAt);
    QHash<QString, GoodsSales> sales;
    QStringList order;
    for (const JournalLine &line : receipt.lines) {
        const QString key = soldKey(line);
        if (key.isEmpty())
            continue;
        if (!sales.contains(key))
            order << key;
        addSale(sales[key], line, at, receipt.id);
    }
    JournalStatus status;
    QSqlQuery *count = order.isEmpty() ? nullptr : kept(kCountGoods, status);
    for (qsizetype i = 0; count && status && i < order.size(); ++i) {
        const GoodsSales &one = sales[order[i]];
        int column = 0;
        for (const QVariant &value : {QVariant(order[i]), textValue(one.name), textValue(one.unit), textValue(one.price),
                                      QVariant(one.sold), textValue(one.lastAt), QVariant(one.lastId)})
            count->bindValue(column++, value);
        status = run(*count);
    }
    return status;
}

QList<JournalGoods> SqlJournal::goods(const QString &text, int limit, JournalStatus *status)
{
    const QString key = goodsKey(text);
    QList<JournalGoods> found;
    if (key.isEmpty() || limit <= 0) {
        report(status, {});
        return found;
    }
    // First among the goods sold most, which hold what is typed more often than not; only when they
    // have too few, among all of them, as the back end finds them fastest.
    QList<std::pair<QString, QStringList>> passes{goodsLookup(key)};
    const QString top = QStringLiteral(
        "SELECT g.name, g.unit, g.price FROM (SELECT folded, sold, last_id FROM goods ORDER BY sold DESC, last_id DESC"
        " LIMIT 2000) t JOIN goods g ON g.folded = t.folded WHERE %1 ORDER BY t.sold DESC, t.last_id DESC LIMIT ?")
                            .arg(containsCondition(QStringLiteral("t.folded")));
    if (goodsSoldMostFirst(key))
        passes.prepend({top, {key}});
    JournalStatus done;
    for (const auto &[sql, bound] : std::as_const(passes)) {
        QSqlQuery *q = kept(sql, done);
        if (q) {
            for (qsizetype i = 0; i < bound.size(); ++i)
                q->bindValue(int(i), bound[i]);
            q->bindValue(int(bound.size()), limit);
            done = run(*q);
        }
        found.clear();
        while (done && q->next())
            found.append({q->value(0).toString(), q->value(1).toString(), q->value(2).toString()});
        if (q)
            q->finish(); // a statement left open would hold a read transaction
        if (!done || found.size() >= limit)
            break;
    }
    report(status, done);
    return done ? found : QList<JournalGoods>();
}

std::pair<QString, QStringList> SqlJournal::goodsLookup(const QString &key) const
{
    return {QStringLiteral("SELECT name, unit, price FROM goods WHERE %1 ORDER BY sold DESC, last_id DESC LIMIT ?")
                .arg(containsCondition(QStringLiteral("folded"))),
            {key}};
}

// Up to this many lines go in one statement: a statement a line would make a server's journal wait
// for a round trip each.
constexpr qsizetype kLinesPerStatement = 100;

JournalStatus SqlJournal::insertLines(const QString &sql, const QVariant &owner, const QList<JournalLine> &lines)
{
    JournalStatus status;
    const qsizetype values = sql.indexOf(QLatin1String("VALUES ")) + 7;
    for (qsizetype first = 0; first < lines.size() && status; first += kLinesPerStatement) {
        const qsizetype count = qMin(kLinesPerStatement, lines.size() - first);
        QSqlQuery *q = kept(sql.left(values) + QStringList(count, sql.mid(values)).join(QStringLiteral(", ")), status);
        if (!q)
            break;
        int column = 0;
        for (qsizetype i = first; i < first + count; ++i) {
            const JournalLine &line = lines[i];
            if (owner.isValid())
                q->bindValue(column++, owner);
            q->bindValue(column++, qint64(i + 1));
            for (const QString *text : {&line.num, &line.name, &line.unit, &line.quantity, &line.price, &line.sum})
                q->bindValue(column++, textValue(*text));
        }
        status = run(*q);
    }
    return status;
}

JournalStatus SqlJournal::insert(JournalReceipt &receipt)
{
    JournalStatus status;
    QSqlQuery *q = kept(QStringLiteral(
        "INSERT INTO receipts (number, issued_at, date_printed, seller_header, seller_name, total,"
        " total_kopecks, words, issued_to, copy_of, uid, duplicate) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
        " RETURNING id"), status);
    if (!q)
        return status;
    int column = 0;
    for (const QVariant &value : {textValue(receipt.number), textValue(storedTime(receipt.issuedAt)),
                                  textValue(receipt.datePrinted), textValue(receipt.sellerHeader),
                                  textValue(receipt.sellerName), textValue(receipt.total),
                                  optionalValue(receipt.totalKopecks), textValue(receipt.words),
                                  textValue(receipt.issuedTo), optionalValue(receipt.copyOf),
                                  receipt.uid.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(receipt.uid),
                                  QVariant(receipt.duplicate)})
        q->bindValue(column++, value);
    if (status = run(*q); !status)
        return status;
    receipt.id = q->next() ? q->value(0).toLongLong() : 0; // RETURNING: a server's driver knows no last id
    q->finish();
    status = insertLines(QStringLiteral("INSERT INTO receipt_lines (receipt_id, position, num, name, unit, quantity, price, sum)"
                                        " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                         receipt.id, receipt.lines);
    if (status)
        status = countGoods(receipt);
    return status ? indexReceipt(receipt) : status;
}

JournalStatus SqlJournal::record(JournalReceipt &receipt)
{
    QList<JournalReceipt> one{receipt};
    const JournalStatus status = recordAll(one);
    receipt.id = one[0].id;
    return status;
}

JournalStatus SqlJournal::recordAll(QList<JournalReceipt> &receipts)
{
    QList<JournalReceipt> recorded = receipts;
    const JournalStatus status = inWriteTransaction([&]() {
        JournalStatus inserted;
        for (qsizetype i = 0; i < recorded.size() && inserted; ++i)
            inserted = insert(recorded[i]);
        return inserted;
    });
    if (status)
        receipts = recorded;
    return status;
}

std::optional<JournalReceipt> SqlJournal::receipt(qint64 id, JournalStatus *status)
{
    QSqlQuery q = query();
    JournalStatus done = prepare(q, QStringLiteral(
        "SELECT number, issued_at, date_printed, seller_header, seller_name, total, total_kopecks, words,"
        " issued_to, copy_of, uid, duplicate FROM receipts WHERE id = ?"));
    if (done) {
        q.bindValue(0, id);
        done = run(q);
    }
    if (!done) {
        report(status, done);
        return std::nullopt;
    }
    if (!q.next()) {
        report(status, JournalStatus::failure(QStringLiteral("В журнале «%1» нет чека с кодом %2.").arg(m_location).arg(id)));
        return std::nullopt;
    }
    JournalReceipt found;
    found.id = id;
    found.number = q.value(0).toString();
    found.issuedAt = QDateTime::fromString(q.value(1).toString(), Qt::ISODate);
    found.datePrinted = q.value(2).toString();
    found.sellerHeader = q.value(3).toString();
    found.sellerName = q.value(4).toString();
    found.total = q.value(5).toString();
    found.totalKopecks = optionalOf(q.value(6));
    found.words = q.value(7).toString();
    found.issuedTo = q.value(8).toString();
    found.copyOf = optionalOf(q.value(9));
    found.uid = q.value(10).toString();
    found.duplicate = q.value(11).toBool();

    QSqlQuery lines = query();
    done = prepare(lines, QStringLiteral(
        "SELECT num, name, unit, quantity, price, sum FROM receipt_lines WHERE receipt_id = ? ORDER BY position"));
    if (done) {
        lines.bindValue(0, id);
        done = run(lines);
    }
    while (done && lines.next())
        found.lines.append(lineAt(lines, 0));
    report(status, done);
    return done ? std::optional(found) : std::nullopt;
}

QString SqlJournal::dateConditions(const QDate &from, const QDate &to) const
{
    QString conditions;
    if (from.isValid())
        conditions += QStringLiteral(" AND ") + dateFromCondition();
    if (to.isValid())
        conditions += QStringLiteral(" AND ") + dateToCondition();
    return conditions;
}

void SqlJournal::bindDates(QSqlQuery &query, const QDate &from, const QDate &to)
{
    if (from.isValid())
        query.bindValue(QStringLiteral(":from"), from.toString(Qt::ISODate));
    if (to.isValid())
        query.bindValue(QStringLiteral(":to"), to.addDays(1).toString(Qt::ISODate));
}

QList<JournalRow> SqlJournal::rows(const JournalFilter &filter, int offset, int limit, JournalStatus *status)
{
    JournalStatus done;
    QList<JournalRow> found;
    const bool newestFirst = !filter.text.isEmpty() && limit > 0 && searchNewestFirst(filter.text);
    if (newestFirst)
        found = rowsOf(filter, offset, limit, true, done);
    if (!newestFirst || (done && found.size() < limit))
        found = rowsOf(filter, offset, limit, false, done);
    report(status, done);
    return done ? found : QList<JournalRow>();
}

QList<JournalRow> SqlJournal::rowsOf(const JournalFilter &filter, int offset, int limit, bool newestOnly, JournalStatus &done)
{
    const QString where = dateConditions(filter.from, filter.to).mid(5); // without the first " AND "
    // Kept: the list asks again at every key typed into the search, and a server would have each new
    // statement prepared and then dropped, a round trip each.
    QSqlQuery *q = kept(filter.text.isEmpty()
        // The rows skipped are only counted, their columns never made (a server would make them all).
        ? QStringLiteral("SELECT %1 FROM (SELECT * FROM receipts r %2 ORDER BY r.id DESC LIMIT :limit OFFSET :offset) r"
                         " ORDER BY r.id DESC")
              .arg(kRowColumns, where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where)
        : searchRowsSql(filter.text, where, newestOnly), done);
    QList<JournalRow> found;
    if (q) {
        bindDates(*q, filter.from, filter.to);
        q->bindValue(QStringLiteral(":limit"), qMax(limit, 0));
        q->bindValue(QStringLiteral(":offset"), qMax(offset, 0));
        if (!filter.text.isEmpty())
            bindSearch(*q, filter.text, newestOnly);
        q->setForwardOnly(true);
        done = run(*q);
    }
    while (done && q->next())
        found.append({q->value(0).toLongLong(), q->value(1).toString(), QDateTime::fromString(q->value(2).toString(), Qt::ISODate),
                      q->value(3).toString(), q->value(4).toString(), q->value(6).toString(), optionalOf(q->value(5)),
                      q->value(7).toBool()});
    if (q)
        q->finish(); // a statement left open would hold a read transaction
    return found;
}

std::optional<JournalSummary> SqlJournal::summary(const QDate &from, const QDate &to, JournalStatus *status)
{
    // Grouped by the date as stored (the issuing counter's own), the same date the range compares;
    // the sum is cast back from PostgreSQL's numeric so that it comes as an integer, never a double.
    QSqlQuery q = query();
    JournalStatus done = prepare(q, QStringLiteral(
        "SELECT substr(r.issued_at, 1, 10), count(*), count(r.total_kopecks), CAST(coalesce(sum(r.total_kopecks), 0) AS bigint)"
        " FROM receipts r WHERE r.copy_of IS NULL%1 GROUP BY substr(r.issued_at, 1, 10) ORDER BY 1").arg(dateConditions(from, to)));
    if (done) {
        bindDates(q, from, to);
        q.setForwardOnly(true);
        done = run(q);
    }
    JournalSummary summary{from, to, 0, 0, 0, {}};
    QList<std::pair<QDate, qint64>> days;
    while (done && q.next()) {
        const qint64 receipts = q.value(1).toLongLong(), kopecks = q.value(3).toLongLong();
        summary.receipts += receipts;
        summary.notNumbers += receipts - q.value(2).toLongLong();
        summary.kopecks += kopecks;
        if (const QDate day = QDate::fromString(q.value(0).toString(), Qt::ISODate); day.isValid())
            days.append({day, kopecks});
    }
    report(status, done);
    if (!done)
        return std::nullopt;
    if (!summary.from.isValid())
        summary.from = days.isEmpty() ? to : days.first().first;
    if (!summary.to.isValid())
        summary.to = days.isEmpty() ? summary.from : days.last().first;
    if (summary.from.isValid() && summary.to.isValid())
        summary.daily.fill(0, qMax<qint64>(summary.from.daysTo(summary.to) + 1, 0));
    for (const auto &[day, kopecks] : days)
        if (const qint64 index = summary.from.daysTo(day); index >= 0 && index < summary.daily.size())
            summary.daily[index] += kopecks;
    return summary;
}

QString SqlJournal::exportSql(const QString &where)
{
    return QStringLiteral(
               "SELECT r.number, r.issued_at, r.seller_name, r.total, l.num, l.name, l.unit, l.quantity, l.price, l.sum"
               " FROM receipts r LEFT JOIN receipt_lines l ON l.receipt_id = r.id"
               " WHERE r.copy_of IS NULL%1 ORDER BY r.issued_at, r.id, l.position")
        .arg(where);
}

JournalExportRow SqlJournal::exportRow(const QSqlQuery &query)
{
    return {query.value(0).toString(), QDateTime::fromString(query.value(1).toString(), Qt::ISODate),
            query.value(2).toString(), lineAt(query, 4), query.value(3).toString()};
}

JournalStatus SqlJournal::exportRows(const QDate &from, const QDate &to, const std::function<bool(const JournalExportRow &)> &row)
{
    QSqlQuery q = query();
    JournalStatus done = prepare(q, exportSql(dateConditions(from, to)));
    if (done) {
        bindDates(q, from, to);
        q.setForwardOnly(true);
        done = run(q);
    }
    while (done && q.next())
        if (!row(exportRow(q)))
            break;
    return done;
}

JournalStatus SqlJournal::saveDraft(const JournalDraft &draft)
{
    return inWriteTransaction([&]() {
        for (const char *sql : {"DELETE FROM draft_lines", "DELETE FROM draft"})
            if (JournalStatus cleared = run(QString::fromLatin1(sql)); !cleared)
                return cleared;
        if (draft.lines.isEmpty())
            return JournalStatus();
        if (JournalStatus kept = run(QStringLiteral("INSERT INTO draft (id, seller_name) VALUES (1, :seller)"),
                                     {{QStringLiteral(":seller"), textValue(draft.sellerName)}});
            !kept)
            return kept;
        return insertLines(QStringLiteral("INSERT INTO draft_lines (position, num, name, unit, quantity, price, sum)"
                                          " VALUES (?, ?, ?, ?, ?, ?, ?)"),
                           QVariant(), draft.lines);
    });
}

std::optional<JournalDraft> SqlJournal::draft(JournalStatus *status)
{
    QSqlQuery q = query();
    JournalStatus done = prepare(q, QStringLiteral("SELECT seller_name FROM draft WHERE id = 1"));
    if (done)
        done = run(q);
    std::optional<JournalDraft> found;
    if (done && q.next()) {
        found.emplace().sellerName = q.value(0).toString();
        QSqlQuery lines = query();
        done = prepare(lines, QStringLiteral("SELECT num, name, unit, quantity, price, sum FROM draft_lines ORDER BY position"));
        if (done)
            done = run(lines);
        while (done && lines.next())
            found->lines.append(lineAt(lines, 0));
    }
    report(status, done);
    return done ? found : std::nullopt;
}

JournalStatus SqlJournal::clearDraft()
{
    return saveDraft({});
}
