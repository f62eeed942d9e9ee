// SPDX-License-Identifier: GPL-3.0-or-later
// The journal on PostgreSQL: connecting, what its errors mean, its schema steps, its search, and the
// unique receipt numbers of a shared journal.
#include "serverjournal.h"
#include "sqljournal.h"

#include <QSqlError>

#include <algorithm>
#include <atomic>

namespace {

// The search copy's fields in one text, as its trigram index keeps them (t: "" or a table's "s.").
#define SELVARO_SEARCH_FIELDS(t) t "number || E'\\x02' || " t "seller_name || E'\\x02' || " t "seller_header || E'\\x02' || " t "names"

// Any fixed key: the lock that keeps two programs from creating the tables at once.
constexpr qint64 kMigrationLock = 0x73656c7661726f; // "selvaro"

// The goods names in the search copy, one per line.
constexpr char16_t kNameSeparator = u'\n';

// PostgreSQL cannot keep U+0000 in a text; no stored text holds it, so a search text with one finds
// nothing whatever stands in its place, and U+FFFF stands for it in what is recorded.
constexpr char16_t kNulStandIn = u'\uffff';

void report(JournalStatus *status, const JournalStatus &value)
{
    if (status)
        *status = value;
}

// Stands before every word in the search copy and in the search text, so that a text beginning with
// a word is only found where a word begins. A word: a run of letters, digits and private-use
// characters (as full-text search tokenizers take them).
constexpr char16_t kWordMark = u'\u0001';

bool isWordCharacter(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return (category >= QChar::Number_DecimalDigit && category <= QChar::Number_Other)
        || (category >= QChar::Letter_Uppercase && category <= QChar::Letter_Other) || category == QChar::Other_PrivateUse;
}

// The search copy's text and the search text, folded the same way on every server whatever its
// locale, by the program: lower case, a mark before each word. The mark and NUL in the text itself
// become U+FFFF.
QString searchForm(const QString &text)
{
    QString marked(u""_qs);
    marked.reserve(text.size() + text.size() / 4 + 1);
    bool inWord = false;
    for (char32_t c : text.toLower().toUcs4()) {
        const bool word = isWordCharacter(c);
        if (word && !inWord)
            marked += kWordMark;
        inWord = word;
        if (c == 0 || c == kWordMark)
            c = kNulStandIn;
        marked += QString::fromUcs4(&c, 1);
    }
    return marked;
}

// The words of a text in its search form, each as the search copy has it after its mark, at most
// kWordLength characters (a longer one cut there); with whether it ended before the text did.
constexpr qsizetype kWordLength = 100;

struct SearchWord {
    QString text;
    bool whole; // followed by another character: the copy's word is this one, not one it begins
};

QList<SearchWord> wordsOf(const QString &marked)
{
    QList<SearchWord> words;
    std::u32string word;
    bool inWord = false;
    const auto end = [&](bool whole) {
        const bool cut = qsizetype(word.size()) > kWordLength;
        words.append({QString::fromStdU32String(word.substr(0, kWordLength)), whole && !cut});
        word.clear();
        inWord = false;
    };
    for (char32_t c : marked.toUcs4()) {
        if (inWord && !isWordCharacter(c))
            end(true);
        if (c == kWordMark)
            inWord = true;
        else if (inWord)
            word += c;
    }
    if (inWord)
        end(false);
    return words;
}

// A lexeme of a tsvector or tsquery, quoted: the text is taken as it is, never parsed.
QString lexeme(const QString &word)
{
    return u'\'' + QString(word).replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// Stands in a receipt's words when it has more than kMostWords different ones: such a receipt is read
// by every search that has words (a tsvector holds at most 1 MB).
QString allWords()
{
    return lexeme(QString(kWordMark));
}
constexpr qsizetype kMostWords = 1000;

// Two words one after the other in a field, as one lexeme: three common words in a row are rarely
// found together, each of them in a fifth of the receipts.
QString pair(const SearchWord &first, const SearchWord &second)
{
    return first.text + kWordMark + second.text;
}

// The signs of a text in its search form (what is neither a word's nor a blank), each once, each a
// lexeme of its own: no word holds one, so none is taken for a word. A text of signs alone ("№",
// quotes) is looked up by them rather than read through every receipt.
QStringList signsOf(const QString &marked)
{
    QStringList signs;
    for (char32_t c : marked.toUcs4())
        if (!isWordCharacter(c) && !QChar::isSpace(c) && c != kWordMark)
            signs << QString::fromUcs4(&c, 1);
    signs.removeDuplicates();
    return signs;
}

// The words of a receipt's search copy fields, the pairs of words in a row and the signs, each once,
// as a tsvector.
QString receiptWords(const QStringList &fields)
{
    QStringList words;
    for (const QString &field : fields) {
        const QList<SearchWord> inField = wordsOf(field);
        for (qsizetype i = 0; i < inField.size(); ++i) {
            words << lexeme(inField[i].text);
            if (i)
                words << lexeme(pair(inField[i - 1], inField[i]));
        }
        for (const QString &sign : signsOf(field))
            words << lexeme(sign);
    }
    words.removeDuplicates();
    return words.size() > kMostWords ? allWords() : words.isEmpty() ? u""_qs : words.join(u' ');
}

// What a search looks up: its word, or every pair of its words in a row, each with whether it is
// only begun (the last word, where the text ends in it); for a text without words, its signs. Of many
// pairs the longest serve.
using SearchTerms = QList<std::pair<QString, bool>>;

SearchTerms searchTerms(const QString &marked)
{
    const QList<SearchWord> words = wordsOf(marked);
    SearchTerms terms;
    for (qsizetype i = 0; i < words.size(); ++i)
        if (words.size() == 1 || i)
            terms.append({i ? pair(words[i - 1], words[i]) : words[i].text, !words[i].whole});
    if (words.isEmpty())
        for (const QString &sign : signsOf(marked))
            terms.append({sign, false});
    std::stable_sort(terms.begin(), terms.end(), [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
    return terms.mid(0, 8);
}

// The receipts a search text can be in, as a tsquery; empty for a text of blanks alone.
QString searchQuery(const QString &marked)
{
    QStringList query;
    for (const auto &[text, begun] : searchTerms(marked))
        query << lexeme(text) + (begun ? QStringLiteral(":*") : QString());
    return query.isEmpty() ? QString() : u'(' + query.join(QLatin1String(" & ")) + QLatin1String(") | ") + allWords();
}

// Whether a failed statement's SQLSTATE says the connection is gone (or was never made).
bool connectionLost(const QSqlError &error)
{
    const QString state = error.nativeErrorCode();
    return error.type() == QSqlError::ConnectionError || state.isEmpty() || state.startsWith(QLatin1String("08"))
        || state.startsWith(QLatin1String("57P"));
}

class PostgresJournal final : public SqlJournal {
    // Runs work; when it failed because the connection was gone (the server restarted), connects again
    // and runs it once more. A failure to connect is told as the server being away.
    template<typename Work>
    auto again(Work work, JournalStatus *status = nullptr)
    {
        m_lost = false;
        auto result = work();
        if (m_lost) {
            forgetStatements();
            m_db.close();
            if (m_db.open()) {
                m_lost = false;
                result = work();
            }
        }
        JournalStatus *told = status;
        if constexpr (std::is_same_v<decltype(result), JournalStatus>)
            told = &result;
        if (m_lost && told && !*told) {
            told->kind = JournalFailure::ServerAway;
            if (!m_db.isOpen())
                told->reason = QStringLiteral("Сервер журнала %1 недоступен: %2").arg(m_location, m_db.lastError().text().trimmed());
        }
        return result;
    }

public:
    PostgresJournal(const QString &connectionName, const JournalServer &server, std::unique_ptr<Journal> local)
        : SqlJournal(connectionName, serverLocation(server)), m_local(std::move(local))
    {
    }

    // Brings the database to the latest schema, one program at a time.
    JournalStatus start()
    {
        JournalStatus status = run(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(kMigrationLock));
        if (!status)
            return status;
        status = migrate();
        run(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(kMigrationLock));
        if (status) {
            // The goods names' trigrams serve only where the server's character classes know the
            // letters typed: under the C locale a Cyrillic text would have none and be read in full.
            QSqlQuery q = query();
            m_goodsTrigrams = q.exec(QStringLiteral("SELECT to_regclass('goods_trgm') IS NOT NULL")) && q.next() && q.value(0).toBool()
                && q.exec(QStringLiteral("SELECT cardinality(show_trgm('жжж')) > 0")) && q.next() && q.value(0).toBool();
            // How many receipts hold the commonest words and pairs, as the server last counted them.
            if (q.exec(QStringLiteral("SELECT u.e, u.f FROM pg_stats s, unnest(s.most_common_elems::text::text[], s.most_common_elem_freqs) u(e, f)"
                                      " WHERE s.schemaname = current_schema() AND s.tablename = 'receipt_search' AND s.attname = 'words'"
                                      " AND u.e IS NOT NULL")))
                while (q.next())
                    m_termShare.insert(q.value(0).toString(), q.value(1).toDouble());
            if (!m_termShare.isEmpty())
                m_leastShare = *std::min_element(m_termShare.cbegin(), m_termShare.cend());
            // Where the server counts bytes as characters, a piece could be half a letter.
            m_goodsPieces = q.exec(QStringLiteral("SELECT to_regclass('goods_pieces') IS NOT NULL"
                                                  " AND current_setting('server_encoding') <> 'SQL_ASCII'"))
                && q.next() && q.value(0).toBool();
        }
        return status;
    }

    JournalStatus record(JournalReceipt &receipt) override
    {
        QList<JournalReceipt> one{receipt};
        const JournalStatus status = recordAll(one);
        receipt.id = one.first().id;
        return status;
    }

    JournalStatus recordAll(QList<JournalReceipt> &receipts) override
    {
        QList<JournalReceipt> stored = receipts;
        for (JournalReceipt &receipt : stored) {
            for (QString *text : {&receipt.number, &receipt.datePrinted, &receipt.sellerHeader, &receipt.sellerName,
                                  &receipt.total, &receipt.words, &receipt.issuedTo})
                text->replace(QChar(0), kNulStandIn);
            for (JournalLine &line : receipt.lines)
                for (QString *text : {&line.num, &line.name, &line.unit, &line.quantity, &line.price, &line.sum})
                    text->replace(QChar(0), kNulStandIn);
        }
        JournalStatus status = again([&] { return SqlJournal::recordAll(stored); });
        // A receipt the server took before the connection broke, and was sent again: it is there.
        if (!status && m_lastState == QLatin1String("23505") && stored.size() == 1 && !stored[0].uid.isEmpty()) {
            JournalStatus read;
            if (const auto there = byUid(stored[0].uid, &read)) {
                stored[0].id = there->first;
                receipts[0].duplicate = there->second;
                status = {};
            }
        }
        for (qsizetype i = 0; i < receipts.size(); ++i)
            receipts[i].id = status ? stored[i].id : 0;
        if (!status && m_lastState == QLatin1String("23505"))
            status = {false,
                      receipts.size() == 1 ? QStringLiteral("Чек № %1 уже выдан под заголовком «%2» (журнал на сервере %3).")
                                                 .arg(receipts.first().number, receipts.first().sellerHeader, m_location)
                                           : QStringLiteral("Номер одного из чеков уже выдан (журнал на сервере %1).").arg(m_location),
                      JournalFailure::NumberIssued};
        return status;
    }

    std::optional<JournalReceipt> receipt(qint64 id, JournalStatus *status) override
    {
        JournalStatus done;
        auto found = again([&] { return SqlJournal::receipt(id, &done); }, &done);
        report(status, done);
        return found;
    }

    QList<JournalRow> rows(const JournalFilter &filter, int offset, int limit, JournalStatus *status) override
    {
        JournalStatus done;
        auto found = again([&] { return SqlJournal::rows(filter, offset, limit, &done); }, &done);
        report(status, done);
        return found;
    }

    std::optional<JournalSummary> summary(const QDate &from, const QDate &to, JournalStatus *status) override
    {
        JournalStatus done;
        auto found = again([&] { return SqlJournal::summary(from, to, &done); }, &done);
        report(status, done);
        return found;
    }

    QList<JournalGoods> goods(const QString &text, int limit, JournalStatus *status) override
    {
        JournalStatus done;
        const QString stored = QString(text).replace(QChar(0), kNulStandIn);
        auto found = again([&] { return SqlJournal::goods(stored, limit, &done); }, &done);
        report(status, done);
        return found;
    }

    // The rows come through a cursor, a page at a time: a forward-only query would have each row sent
    // and taken in as a result of its own, and a whole result would hold every row in memory.
    JournalStatus exportRows(const QDate &from, const QDate &to, const std::function<bool(const JournalExportRow &)> &row) override
    {
        // Read again on a new connection only when nothing was given yet: no row is given twice.
        bool given = false;
        JournalStatus first;
        return again([&] {
            if (!given)
                first = inWriteTransaction([&] { return exportPages(from, to, row, given); });
            return first;
        });
    }

    std::optional<QString> nextFreeNumber(const QString &sellerHeader, JournalStatus *status) override
    {
        std::optional<QString> next;
        const JournalStatus done = again([&] {
            QSqlQuery q = query();
            JournalStatus ran = prepare(q, QStringLiteral(
                "SELECT coalesce(max(CAST(btrim(number) AS numeric)), 0) + 1 FROM receipts"
                " WHERE seller_header = :header AND copy_of IS NULL AND number ~ '^\\s*[0-9]{1,30}\\s*$'"));
            if (ran) {
                q.bindValue(QStringLiteral(":header"), QString(sellerHeader).replace(QChar(0), kNulStandIn));
                ran = run(q);
            }
            if (ran && q.next())
                next = q.value(0).toString();
            return ran;
        });
        report(status, done);
        return done ? next : std::nullopt;
    }

    JournalStatus withdraw(qint64 id) override
    {
        return again([&] {
            return inWriteTransaction([&] {
                JournalStatus done;
                for (const char *sql : {"DELETE FROM receipt_search WHERE id = :id", "DELETE FROM receipt_lines WHERE receipt_id = :id",
                                        "DELETE FROM receipts WHERE id = :id AND copy_of IS NULL"})
                    if (done)
                        done = run(QString::fromLatin1(sql), {{QStringLiteral(":id"), id}});
                return done;
            });
        });
    }

    JournalStatus deliver(JournalReceipt &receipt) override
    {
        JournalStatus status;
        if (const auto there = byUid(receipt.uid, &status)) {
            receipt.id = there->first;
            receipt.duplicate = there->second;
            return status;
        }
        if (!status)
            return status;
        JournalReceipt sent = receipt;
        sent.duplicate = false;
        status = record(sent);
        if (!status && status.kind == JournalFailure::NumberIssued) {
            sent.duplicate = true;
            status = record(sent);
        }
        if (status) {
            receipt.id = sent.id;
            receipt.duplicate = sent.duplicate;
        }
        return status;
    }

    JournalStatus saveDraft(const JournalDraft &draft) override { return m_local->saveDraft(draft); }
    std::optional<JournalDraft> draft(JournalStatus *status) override { return m_local->draft(status); }
    JournalStatus clearDraft() override { return m_local->clearDraft(); }

protected:
    QList<MigrationStep> migrationSteps() const override
    {
        return {
            // 0 -> 1: the receipts, their lines and the search copy (made by the program, so that
            // every server folds Cyrillic alike whatever its locale). The issue time is kept as text,
            // as printed with the issuing counter's own offset: ISO 8601 compares as text in the C
            // collation, and issued_at::timestamptz reads it on the server.
            [](SqlJournal &journal) {
                return static_cast<PostgresJournal &>(journal).runAll({
                    "CREATE TABLE receipts ("
                    " id bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, number text NOT NULL,"
                    " issued_at text COLLATE \"C\" NOT NULL, date_printed text NOT NULL, seller_header text NOT NULL,"
                    " seller_name text NOT NULL, total text NOT NULL, total_kopecks bigint, words text NOT NULL,"
                    " issued_to text NOT NULL, copy_of bigint REFERENCES receipts(id))",
                    "CREATE TABLE receipt_lines ("
                    " receipt_id bigint NOT NULL REFERENCES receipts(id), position integer NOT NULL,"
                    " num text, name text, unit text, quantity text, price text, sum text,"
                    " PRIMARY KEY (receipt_id, position))",
                    "CREATE INDEX receipts_issued_at ON receipts (issued_at)",
                    // One number per seller header among the originals, whichever counter prints it.
                    "CREATE UNIQUE INDEX receipts_number ON receipts (seller_header, number) WHERE copy_of IS NULL",
                    "CREATE TABLE receipt_search (id bigint PRIMARY KEY REFERENCES receipts(id),"
                    " number text NOT NULL, seller_name text NOT NULL, seller_header text NOT NULL, names text NOT NULL)",
                });
            },
            // 1 -> 2: each receipt's own id made at the counter, so that one sent twice is known, and
            // the flag on a receipt printed with a number issued meanwhile on another counter. Only whole
            // numbers are issued once: a receipt printed without a number ("", "б/н") may repeat.
            [](SqlJournal &journal) {
                return static_cast<PostgresJournal &>(journal).runAll({
                    "ALTER TABLE receipts ADD COLUMN uid text",
                    "ALTER TABLE receipts ADD COLUMN duplicate boolean NOT NULL DEFAULT false",
                    "CREATE UNIQUE INDEX receipts_uid ON receipts (uid)",
                    "DROP INDEX receipts_number",
                    "CREATE UNIQUE INDEX receipts_number ON receipts (seller_header, number)"
                    " WHERE copy_of IS NULL AND NOT duplicate AND number ~ '^\\s*[0-9]+\\s*$'",
                });
            },
            // 2 -> 3: trigrams of the search copy, so that a search finds its few receipts among a
            // million without reading every one. A server without the pg_trgm extension, or a user who
            // may not add it, searches without them.
            [](SqlJournal &journal) {
                return static_cast<PostgresJournal &>(journal).optionally({
                    "CREATE EXTENSION IF NOT EXISTS pg_trgm",
                    "CREATE INDEX receipt_search_trgm ON receipt_search USING gin (("
                    SELVARO_SEARCH_FIELDS("") ") gin_trgm_ops)",
                });
            },
            // 3 -> 4: the goods sold, counted, for the type-ahead of goods names. The list is read
            // from the index alone, where a goods row would cost a read of the table.
            [](SqlJournal &journal) {
                return static_cast<PostgresJournal &>(journal).createGoods(
                    QStringLiteral("bigint"), QStringLiteral("text COLLATE \"C\""), QStringLiteral(" INCLUDE (name, unit, price)"));
            },
            // 4 -> 5: trigrams of the goods names, so that a rare text typed is found without reading
            // every name. A server without pg_trgm reads them all.
            [](SqlJournal &journal) {
                return static_cast<PostgresJournal &>(journal).optionally({
                    "CREATE EXTENSION IF NOT EXISTS pg_trgm",
                    "CREATE INDEX goods_trgm ON goods USING gin (folded gin_trgm_ops)",
                });
            },
            // 5 -> 6: the one- and two-character pieces of the goods names, for a text too short to
            // have trigrams. A server where the program may not make a function reads every name.
            [](SqlJournal &journal) {
                return static_cast<PostgresJournal &>(journal).optionally({
                    "CREATE FUNCTION goods_name_pieces(text) RETURNS text[] LANGUAGE sql IMMUTABLE STRICT"
                    " PARALLEL SAFE AS 'SELECT array_agg(DISTINCT substr($1, i, n))"
                    " FROM generate_series(1, length($1)) i, generate_series(1, 2) n'",
                    "CREATE INDEX goods_pieces ON goods USING gin (goods_name_pieces(folded))",
                });
            },
            // 6 -> 7: the words of the search copy and its pairs of words in a row, each once, so that a
            // search finds the receipts that hold its words through an index of words rather than one
            // of trigrams: three common words in a row or a rare number were each a long read of them.
            [](SqlJournal &journal) {
                auto &server = static_cast<PostgresJournal &>(journal);
                JournalStatus done = server.run(QStringLiteral("ALTER TABLE receipt_search ADD COLUMN words tsvector"));
                if (done)
                    done = server.fillWords();
                if (done)
                    done = server.runAll({"ALTER TABLE receipt_search ALTER COLUMN words SET NOT NULL",
                                          "CREATE INDEX receipt_search_words ON receipt_search USING gin (words)"});
                return done;
            },
            // 7 -> 8: the summary's columns in the index on the issue time, so that a period's sums are
            // read from the index alone; and the server's count of the days, without which it takes every
            // receipt for a day of its own and sorts them all instead of summing them by day (a server
            // before PostgreSQL 14 goes without). The indexes of words, trigrams and pieces take each
            // receipt in as it is recorded: by default they gather new entries in a list that every
            // look-up reads through until the next vacuum (a few thousand receipts made a search of a
            // number 5 ms instead of 0.5); what such a list holds now goes in at the next vacuum.
            [](SqlJournal &journal) {
                auto &server = static_cast<PostgresJournal &>(journal);
                JournalStatus done = server.runAll({
                    "DROP INDEX receipts_issued_at",
                    "CREATE INDEX receipts_issued_at ON receipts (issued_at) INCLUDE (copy_of, total_kopecks)",
                    "ALTER INDEX receipt_search_words SET (fastupdate = off)",
                    "ALTER INDEX IF EXISTS receipt_search_trgm SET (fastupdate = off)",
                    "ALTER INDEX IF EXISTS goods_trgm SET (fastupdate = off)",
                    "ALTER INDEX IF EXISTS goods_pieces SET (fastupdate = off)",
                });
                if (done)
                    done = server.optionally({"CREATE STATISTICS IF NOT EXISTS receipts_issue_day ON (substr(issued_at, 1, 10)) FROM receipts",
                                              "ANALYZE receipts"});
                return done;
            },
            // 8 -> 9: the one number per seller header kept through digests of the two: an index takes at
            // most 2,704 bytes of a row, and a longer header could not be recorded at all.
            [](SqlJournal &journal) {
                return static_cast<PostgresJournal &>(journal).runAll({
                    "DROP INDEX receipts_number",
                    "CREATE UNIQUE INDEX receipts_number ON receipts (md5(seller_header), md5(number))"
                    " WHERE copy_of IS NULL AND NOT duplicate AND number ~ '^\\s*[0-9]+\\s*$'",
                });
            },
            // 9 -> 10: the signs of each receipt among its words, so that a text without a letter or a
            // digit ("№") is looked up rather than read through every receipt. The search copy's
            // indexes are made again once every receipt has its words: kept up receipt by receipt, they
            // made a million receipts take over an hour (42,000 in the first three minutes).
            [](SqlJournal &journal) {
                auto &server = static_cast<PostgresJournal &>(journal);
                QSqlQuery q = server.query();
                const bool trigrams = q.exec(QStringLiteral("SELECT to_regclass('receipt_search_trgm') IS NOT NULL")) && q.next()
                    && q.value(0).toBool();
                JournalStatus done = server.runAll({"DROP INDEX receipt_search_words", "DROP INDEX IF EXISTS receipt_search_trgm"});
                if (done)
                    done = server.fillWords();
                if (done)
                    done = server.run(QStringLiteral("CREATE INDEX receipt_search_words ON receipt_search USING gin (words)"
                                                     " WITH (fastupdate = off)"));
                if (done && trigrams)
                    done = server.run(QStringLiteral("CREATE INDEX receipt_search_trgm ON receipt_search USING gin (("
                                                     SELVARO_SEARCH_FIELDS("") ") gin_trgm_ops) WITH (fastupdate = off)"));
                return done;
            },
        };
    }

    int storedVersion(JournalStatus *status) override
    {
        QSqlQuery q = query();
        if (!q.exec(QStringLiteral("SELECT to_regclass('journal_version') IS NOT NULL")) || !q.next()) {
            *status = JournalStatus::failure(describe(q));
            return 0;
        }
        if (!q.value(0).toBool())
            return 0;
        if (!q.exec(QStringLiteral("SELECT version FROM journal_version")) || !q.next()) {
            *status = JournalStatus::failure(describe(q));
            return 0;
        }
        return q.value(0).toInt();
    }

    JournalStatus writeVersion(int version) override
    {
        JournalStatus done = run(QStringLiteral("CREATE TABLE IF NOT EXISTS journal_version (version integer NOT NULL)"));
        if (done)
            done = run(QStringLiteral("DELETE FROM journal_version"));
        if (done)
            done = run(QStringLiteral("INSERT INTO journal_version (version) VALUES (:version)"),
                       {{QStringLiteral(":version"), version}});
        return done;
    }

    QString describe(const QSqlQuery &query) const override
    {
        const QSqlError error = query.lastError();
        m_lastState = error.nativeErrorCode();
        m_lost = connectionLost(error);
        if (m_lost)
            return QStringLiteral("Сервер журнала %1 недоступен: %2").arg(m_location, driverMessage(query).trimmed());
        if (m_lastState == QLatin1String("42501"))
            return QStringLiteral("Журнал на сервере %1: нет прав: %2").arg(m_location, driverMessage(query).trimmed());
        return QStringLiteral("Журнал на сервере %1: ошибка базы данных: %2").arg(m_location, driverMessage(query).trimmed());
    }

    JournalStatus indexReceipt(const JournalReceipt &receipt) override
    {
        QStringList names;
        for (const JournalLine &line : receipt.lines)
            names << searchForm(line.name);
        const QStringList fields{searchForm(receipt.number), searchForm(receipt.sellerName), searchForm(receipt.sellerHeader),
                                 names.join(kNameSeparator)};
        return run(QStringLiteral("INSERT INTO receipt_search (id, number, seller_name, seller_header, names, words)"
                                  " VALUES (:id, :number, :seller, :header, :names, CAST(:words AS tsvector))"),
                   {{QStringLiteral(":id"), receipt.id},
                    {QStringLiteral(":number"), fields[0]},
                    {QStringLiteral(":seller"), fields[1]},
                    {QStringLiteral(":header"), fields[2]},
                    // Goods without a name join to a null text, which would bind as NULL.
                    {QStringLiteral(":names"), fields[3].isNull() ? QVariant(u""_qs) : QVariant(fields[3])},
                    {QStringLiteral(":words"), receiptWords(fields)}});
    }

    // The text must stand literally in one field of the search copy, its first word where a word
    // begins; a goods name cannot hold a line break, the copy keeps a name per line.
    QString searchRowsSql(const QString &text, const QString &where, bool newestOnly) const override
    {
        // The receipts with the text's words or signs (for blanks alone, the fields' trigrams where the
        // server has them) narrow the receipts read; or the newest receipts are read, those without the
        // words passed over at once.
        const bool words = !searchQuery(searchForm(text)).isEmpty();
        QString narrowed = words ? QStringLiteral("s.words @@ CAST(:words AS tsquery)") : QString();
        if (newestOnly)
            narrowed = QStringLiteral("r.id IN (SELECT id FROM receipts ORDER BY id DESC LIMIT %1)").arg(kNewest)
                + (words ? QStringLiteral(" AND ") + narrowed : QString());
        else if (!words)
            narrowed = QStringLiteral("(" SELVARO_SEARCH_FIELDS("s.") ") LIKE :like");
        return QStringLiteral(
                   "SELECT %1 FROM receipts r JOIN receipt_search s ON s.id = r.id"
                   " WHERE %3"
                   " AND (strpos(s.number, :text) > 0 OR strpos(s.seller_name, :text) > 0"
                   " OR strpos(s.seller_header, :text) > 0 OR (:names AND strpos(s.names, :text) > 0))%2"
                   " ORDER BY %4 DESC LIMIT :limit OFFSET :offset")
            .arg(kRowColumns, where.isEmpty() ? QString() : QStringLiteral(" AND ") + where, narrowed,
                 // Through an index, by r.id + 0: the receipts are ordered once found. Ordered by the key
                 // itself, the server would read the receipts backwards and test every one.
                 newestOnly ? QStringLiteral("r.id") : QStringLiteral("r.id + 0"));
    }

    void bindSearch(QSqlQuery &query, const QString &text, bool newestOnly) const override
    {
        const QString lowered = searchForm(text);
        QString pattern = lowered;
        pattern.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
        if (const QString words = searchQuery(lowered); !words.isEmpty())
            query.bindValue(QStringLiteral(":words"), words);
        else if (!newestOnly)
            query.bindValue(QStringLiteral(":like"), QString(u'%' + pattern + u'%'));
        query.bindValue(QStringLiteral(":text"), lowered);
        query.bindValue(QStringLiteral(":names"), !lowered.contains(kNameSeparator));
    }

    // A common text fills its page from the newest receipts at once, where an index would first fetch
    // every receipt that holds it; a rarer one is looked up through the index, at once when the
    // server's statistics tell it rare.
    bool searchNewestFirst(const QString &text) const override { return !rare(text); }

    QString containsCondition(const QString &column) const override { return QStringLiteral("strpos(%1, ?) > 0").arg(column); }

    // A text of three characters or more narrows the names through their trigrams, a shorter one
    // through the names' pieces, where the server has them; LIKE's wildcards stand for themselves.
    std::pair<QString, QStringList> goodsLookup(const QString &key) const override
    {
        // The goods sold most have been read already, so the names are taken from the pieces' index
        // alone (OFFSET 0 keeps the planner from reading the list's index instead, making the pieces
        // of each name as it goes: seconds for a text no name holds).
        if (m_goodsPieces && key.toUcs4().size() < 3)
            return {QStringLiteral("SELECT name, unit, price FROM (SELECT name, unit, price, sold, last_id FROM goods"
                                   " WHERE goods_name_pieces(folded) @> ARRAY[?]::text[] OFFSET 0) g"
                                   " ORDER BY sold DESC, last_id DESC LIMIT ?"),
                    {key}};
        if (!m_goodsTrigrams || key.toUcs4().size() < 3)
            return SqlJournal::goodsLookup(key);
        QString pattern = key;
        pattern.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
        return {QStringLiteral("SELECT name, unit, price FROM goods WHERE folded LIKE ? ORDER BY sold DESC, last_id DESC LIMIT ?"),
                {u'%' + pattern + u'%'}};
    }
    // For a text of three characters or more the server reads a common text's names in the list's
    // order itself (the planner weighs the trigrams against the list's index), so a first pass would
    // only cost a round trip. A common letter's pieces would give most names, each to be read and
    // ordered, where the goods sold most hold it ten times at once.
    bool goodsSoldMostFirst(const QString &key) const override { return m_goodsPieces && key.toUcs4().size() < 3; }

    // The dates are the issuing counter's own, as printed.
    QString dateFromCondition() const override { return QStringLiteral("r.issued_at >= :from"); }
    QString dateToCondition() const override { return QStringLiteral("r.issued_at < :to"); }

private:
    // Whether the server's statistics tell that fewer than one receipt in a hundred has the text's
    // words: the newest receipts would then seldom fill a page. A word they do not list is rarer than
    // any they list; a word begun is as common as those it begins, and a begun word of one or two
    // letters begins too many to tell.
    bool rare(const QString &text) const
    {
        if (m_termShare.isEmpty())
            return false;
        for (const auto &[term, begun] : searchTerms(searchForm(text))) {
            double share = m_leastShare;
            if (!begun)
                share = m_termShare.value(term, m_leastShare);
            else if (term.size() < 3)
                share = 1;
            else
                for (auto it = m_termShare.cbegin(); it != m_termShare.cend(); ++it)
                    share += it.key().startsWith(term) ? it.value() : 0;
            if (share < 0.01)
                return true;
        }
        return false;
    }

    // The id and duplicate flag of the receipt with uid; nullopt when there is none (or on failure).
    std::optional<std::pair<qint64, bool>> byUid(const QString &uid, JournalStatus *status)
    {
        std::optional<std::pair<qint64, bool>> found;
        *status = {};
        if (uid.isEmpty())
            return found;
        *status = again([&] {
            QSqlQuery q = query();
            JournalStatus ran = prepare(q, QStringLiteral("SELECT id, duplicate FROM receipts WHERE uid = :uid"));
            if (ran) {
                q.bindValue(QStringLiteral(":uid"), uid);
                ran = run(q);
            }
            if (ran && q.next())
                found = std::pair(q.value(0).toLongLong(), q.value(1).toBool());
            return ran;
        });
        return found;
    }

    JournalStatus exportPages(const QDate &from, const QDate &to, const std::function<bool(const JournalExportRow &)> &row, bool &given)
    {
        // A cursor's statement takes no parameters; the dates are the program's own ISO dates, digits
        // and dashes only.
        QString where;
        if (from.isValid())
            where += QStringLiteral(" AND r.issued_at >= '%1'").arg(from.toString(Qt::ISODate));
        if (to.isValid())
            where += QStringLiteral(" AND r.issued_at < '%1'").arg(to.addDays(1).toString(Qt::ISODate));
        JournalStatus done = run(QStringLiteral("DECLARE export_rows NO SCROLL CURSOR FOR ") + exportSql(where));
        QSqlQuery page = query();
        for (int read = kExportPage; done && read == kExportPage;) {
            done = page.exec(QStringLiteral("FETCH %1 FROM export_rows").arg(kExportPage)) ? JournalStatus()
                                                                                          : JournalStatus::failure(describe(page));
            for (read = 0; done && page.next(); ++read) {
                given = true;
                if (!row(exportRow(page)))
                    return done;
            }
        }
        return done;
    }

    // Gives every receipt its words as this version keeps them, a page at a time: a journal of
    // years is not read whole into memory, nor sent back a statement a receipt.
    JournalStatus fillWords()
    {
        constexpr int kPage = 500;
        QString update = QStringLiteral("UPDATE receipt_search s SET words = CAST(v.w AS tsvector) FROM (VALUES ");
        for (int i = 0; i < kPage; ++i)
            update += (i ? QStringLiteral(", ") : QString()) + QStringLiteral("(CAST(? AS bigint), CAST(? AS text))");
        update += QStringLiteral(") v(id, w) WHERE s.id = v.id");
        QSqlQuery page = query(), filled = query();
        JournalStatus done = prepare(page, QStringLiteral("SELECT id, number, seller_name, seller_header, names FROM receipt_search"
                                                          " WHERE id > ? ORDER BY id LIMIT %1").arg(kPage));
        if (done)
            done = prepare(filled, update);
        for (qint64 last = 0, read = kPage; done && read == kPage;) {
            page.bindValue(0, last);
            done = run(page);
            for (read = 0; done && page.next(); ++read) {
                last = page.value(0).toLongLong();
                filled.bindValue(int(2 * read), last);
                filled.bindValue(int(2 * read + 1), receiptWords({page.value(1).toString(), page.value(2).toString(),
                                                                  page.value(3).toString(), page.value(4).toString()}));
            }
            // The last page's empty places match no receipt.
            for (qint64 i = read; done && read && i < kPage; ++i) {
                filled.bindValue(int(2 * i), 0);
                filled.bindValue(int(2 * i + 1), QString());
            }
            if (done && read)
                done = run(filled);
        }
        return done;
    }

    // Runs statements that need what a server may not allow (an extension, a function): where one
    // fails, the journal goes without what they make.
    JournalStatus optionally(std::initializer_list<const char *> statements)
    {
        JournalStatus done = run(QStringLiteral("SAVEPOINT optional"));
        if (done && !runAll(statements))
            done = run(QStringLiteral("ROLLBACK TO SAVEPOINT optional"));
        return done;
    }

    JournalStatus runAll(std::initializer_list<const char *> statements)
    {
        for (const char *sql : statements)
            if (JournalStatus done = run(QString::fromLatin1(sql)); !done)
                return done;
        return {};
    }


    // Export rows fetched at a time.
    static constexpr int kExportPage = 5000;

    std::unique_ptr<Journal> m_local;
    bool m_goodsTrigrams = false;
    bool m_goodsPieces = false;
    QHash<QString, double> m_termShare; // the share of receipts holding each of the commonest words
    double m_leastShare = 0;            // the least of those shares

    mutable QString m_lastState;
    mutable bool m_lost = false;
};

} // namespace

QString serverLocation(const JournalServer &server)
{
    return QStringLiteral("%1:%2/%3").arg(server.host).arg(server.port).arg(server.database);
}

UnsentSending sendUnsent(Journal &local, Journal &server)
{
    UnsentSending sending;
    const QList<JournalReceipt> waiting = local.unsent(&sending.status);
    for (JournalReceipt receipt : waiting) {
        const qint64 localId = receipt.id;
        receipt.id = 0;
        if (sending.status = server.deliver(receipt); !sending.status)
            break;
        // Should this fail, the next send finds the receipt on the server by its uid.
        if (sending.status = local.markSent(localId, receipt.duplicate); !sending.status)
            break;
        ++sending.sent;
        sending.duplicates += receipt.duplicate;
    }
    return sending;
}

std::unique_ptr<Journal> openServerJournal(const JournalServer &server, const QString &localFilePath, JournalStatus *status)
{
    static std::atomic<int> connections;
    std::unique_ptr<Journal> local = openSqliteJournal(localFilePath, status);
    if (!local)
        return nullptr;

    const QString name = QStringLiteral("selvaro-server-journal-%1").arg(connections.fetch_add(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(server.host);
        db.setPort(server.port);
        db.setDatabaseName(server.database);
        db.setUserName(server.user);
        if (!server.password.isEmpty())
            db.setPassword(server.password);
        // The journal's statements find few rows through an index: starting parallel workers for them
        // would take longer than the statement.
        db.setConnectOptions(QStringLiteral("connect_timeout=5;application_name=selvaro;options=-cmax_parallel_workers_per_gather=0"));
        if (!db.isValid() || !db.open()) {
            const JournalStatus failed{false,
                db.isValid() ? QStringLiteral("Сервер журнала %1 недоступен: %2").arg(serverLocation(server), db.lastError().text().trimmed())
                             : QStringLiteral("Журнал на сервере %1 не открыт: в Qt нет драйвера PostgreSQL (пакет libqt6sql6-psql).")
                                   .arg(serverLocation(server)),
                db.isValid() ? JournalFailure::ServerAway : JournalFailure::Other};
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            report(status, failed);
            return nullptr;
        }
    }
    auto journal = std::make_unique<PostgresJournal>(name, server, std::move(local));
    const JournalStatus started = journal->start();
    report(status, started);
    return started ? std::move(journal) : nullptr;
}
