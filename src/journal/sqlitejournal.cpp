// SPDX-License-Identifier: GPL-3.0-or-later
// The journal in one SQLite file: its pragmas, checks on opening, schema steps and full-text search.
#include "sqljournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

#include <atomic>

namespace {

// A larger file is not read through for a check at every opening (about 50 ms here; a journal of a
// million receipts would take seconds). SQLite still refuses a damaged page when it comes to read it.
constexpr qint64 kQuickCheckLimit = 16 * 1024 * 1024;

// The search copy keeps the goods names of a receipt one per line.
constexpr char16_t kNameSeparator = u'\n';

// Whether FTS's unicode61 tokenizer finds a word in text: letters, digits and private-use characters.
bool hasWord(const QString &text)
{
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if ((category >= QChar::Number_DecimalDigit && category <= QChar::Number_Other)
            || (category >= QChar::Letter_Uppercase && category <= QChar::Letter_Other) || category == QChar::Other_PrivateUse)
            return true;
    }
    return false;
}

// The text as one FTS5 string (its double quotes doubled), its last word matching any word it begins.
// NUL would end the expression for FTS5's parser; it separates words like any other non-letter.
QString phrasePrefix(const QString &lowered)
{
    QString quoted = lowered;
    quoted.replace(u'"', QStringLiteral("\"\"")).replace(QChar(0), u' ');
    return u'"' + quoted + QStringLiteral("\"*");
}

class SqliteJournal final : public SqlJournal {
public:
    SqliteJournal(const QString &connectionName, const QString &filePath) : SqlJournal(connectionName, filePath) {}

    // Checks the opened file and brings it to the latest schema; nothing is written to a file that is
    // damaged or newer than this program.
    JournalStatus start(qint64 fileSize)
    {
        JournalStatus status = run(QStringLiteral("PRAGMA foreign_keys = ON"));
        const int version = status ? storedVersion(&status) : 0;
        if (!status)
            return status;
        if (version > schemaVersion())
            return JournalStatus::failure(
                QStringLiteral("Журнал «%1» записан более новой версией программы; эта версия его не открывает и не меняет.")
                    .arg(m_location));
        if (fileSize <= kQuickCheckLimit) {
            QSqlQuery check = query();
            check.setForwardOnly(true);
            if (!check.exec(QStringLiteral("PRAGMA quick_check")))
                return JournalStatus::failure(describe(check));
            if (!check.next() || check.value(0).toString() != QLatin1String("ok"))
                return JournalStatus::failure(damaged());
        }
        QSqlQuery mode = query();
        if (!mode.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
            return JournalStatus::failure(describe(mode));
        if (!mode.next() || mode.value(0).toString() != QLatin1String("wal"))
            return JournalStatus::failure(readOnly());
        mode.finish();
        if (status = run(QStringLiteral("PRAGMA synchronous = FULL")); !status)
            return status;
        // Room for the goods names a typed name is looked for in (100,000 of them take 6 MB), read at
        // every key: SQLite's default 2 MB would read them from the file each time.
        if (status = run(QStringLiteral("PRAGMA cache_size = -16384")); !status)
            return status;
        if (status = migrate(); !status)
            return status;
        // Each trigram with the names holding it, for the texts too short to be a trigram (this
        // connection's own: nothing of it is kept in the file).
        return run(QStringLiteral("CREATE VIRTUAL TABLE temp.goods_trigram_names USING fts5vocab(main, goods_trigrams, instance)"));
    }

protected:
    QList<MigrationStep> migrationSteps() const override
    {
        return {
            // 0 -> 1: the receipts, their lines, the draft and the search copy.
            [](SqlJournal &journal) {
                return static_cast<SqliteJournal &>(journal).runAll({
                    "CREATE TABLE receipts ("
                    " id INTEGER PRIMARY KEY, number TEXT NOT NULL, issued_at TEXT NOT NULL, date_printed TEXT NOT NULL,"
                    " seller_header TEXT NOT NULL, seller_name TEXT NOT NULL, total TEXT NOT NULL, total_kopecks INTEGER,"
                    " words TEXT NOT NULL, issued_to TEXT NOT NULL, copy_of INTEGER REFERENCES receipts(id))",
                    "CREATE TABLE receipt_lines ("
                    " receipt_id INTEGER NOT NULL REFERENCES receipts(id), position INTEGER NOT NULL,"
                    " num TEXT, name TEXT, unit TEXT, quantity TEXT, price TEXT, sum TEXT,"
                    " PRIMARY KEY (receipt_id, position))",
                    "CREATE INDEX receipts_issued_at ON receipts (issued_at)",
                    "CREATE TABLE draft (id INTEGER PRIMARY KEY CHECK (id = 1), seller_name TEXT NOT NULL)",
                    "CREATE TABLE draft_lines (position INTEGER PRIMARY KEY,"
                    " num TEXT, name TEXT, unit TEXT, quantity TEXT, price TEXT, sum TEXT)",
                    // Lower-cased copies (SQLite's lower() folds ASCII only), the rowid being the receipt's id.
                    "CREATE VIRTUAL TABLE receipt_search USING fts5(number, seller_name, seller_header, names,"
                    " tokenize = 'unicode61 remove_diacritics 0')",
                });
            },
            // 1 -> 2: each receipt's own id made at the counter, the duplicate flag a shared journal sets,
            // and the receipts printed while its server was away, waiting to be sent.
            [](SqlJournal &journal) {
                return static_cast<SqliteJournal &>(journal).runAll({
                    "ALTER TABLE receipts ADD COLUMN uid TEXT",
                    "ALTER TABLE receipts ADD COLUMN duplicate INTEGER NOT NULL DEFAULT 0",
                    "CREATE UNIQUE INDEX receipts_uid ON receipts (uid)",
                    "CREATE TABLE unsent (receipt_id INTEGER PRIMARY KEY REFERENCES receipts(id))",
                });
            },
            // 2 -> 3: the goods sold, counted, for the type-ahead of goods names, and the trigrams of
            // their lower-cased names (made as a name is first sold), in which a text of three
            // characters or more is found without reading every name.
            [](SqlJournal &journal) {
                auto &sqlite = static_cast<SqliteJournal &>(journal);
                JournalStatus made = sqlite.createGoods(QStringLiteral("INTEGER"), QStringLiteral("TEXT"));
                return made ? sqlite.runAll({
                    "CREATE VIRTUAL TABLE goods_trigrams USING fts5(folded, content = 'goods', tokenize = 'trigram')",
                    "INSERT INTO goods_trigrams (goods_trigrams) VALUES ('rebuild')",
                    "CREATE TRIGGER goods_named AFTER INSERT ON goods"
                    " BEGIN INSERT INTO goods_trigrams (rowid, folded) VALUES (new.rowid, new.folded); END",
                }) : made;
            },
            // 3 -> 4: the trigrams of each name with two line breaks after it (which no name holds), so
            // that every character of a name begins a trigram: a text of one or two characters is found
            // among the trigrams it begins. Case is kept, as the names are already lower-cased.
            [](SqlJournal &journal) {
                return static_cast<SqliteJournal &>(journal).runAll({
                    "DROP TRIGGER goods_named",
                    "DROP TABLE goods_trigrams",
                    "CREATE VIRTUAL TABLE goods_trigrams USING fts5(folded, content = '', tokenize = 'trigram case_sensitive 1')",
                    "INSERT INTO goods_trigrams (rowid, folded) SELECT rowid, folded || char(10, 10) FROM goods",
                    "CREATE TRIGGER goods_named AFTER INSERT ON goods"
                    " BEGIN INSERT INTO goods_trigrams (rowid, folded) VALUES (new.rowid, new.folded || char(10, 10)); END",
                });
            },
        };
    }

public:
    JournalStatus recordUnsent(JournalReceipt &receipt) override
    {
        JournalReceipt recorded = receipt;
        const JournalStatus status = inWriteTransaction([&]() {
            JournalStatus done = insert(recorded);
            if (done)
                done = run(QStringLiteral("INSERT INTO unsent (receipt_id) VALUES (:id)"), {{QStringLiteral(":id"), recorded.id}});
            return done;
        });
        if (status)
            receipt.id = recorded.id;
        return status;
    }

    QList<JournalReceipt> unsent(JournalStatus *status) override
    {
        QList<qint64> ids;
        QSqlQuery q = query();
        JournalStatus done = q.exec(QStringLiteral("SELECT receipt_id FROM unsent ORDER BY receipt_id"))
            ? JournalStatus() : JournalStatus::failure(describe(q));
        while (done && q.next())
            ids << q.value(0).toLongLong();
        QList<JournalReceipt> found;
        for (qsizetype i = 0; done && i < ids.size(); ++i)
            if (const std::optional<JournalReceipt> receipt = this->receipt(ids[i], &done))
                found << *receipt;
        if (status)
            *status = done;
        return done ? found : QList<JournalReceipt>();
    }

    JournalStatus markSent(qint64 id, bool duplicate) override
    {
        return inWriteTransaction([&]() {
            JournalStatus done = run(QStringLiteral("DELETE FROM unsent WHERE receipt_id = :id"), {{QStringLiteral(":id"), id}});
            if (done)
                done = run(QStringLiteral("UPDATE receipts SET duplicate = :duplicate WHERE id = :id"),
                           {{QStringLiteral(":duplicate"), duplicate}, {QStringLiteral(":id"), id}});
            return done;
        });
    }

protected:
    int storedVersion(JournalStatus *status) override
    {
        QSqlQuery q = query();
        if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
            *status = JournalStatus::failure(describe(q));
            return 0;
        }
        return q.value(0).toInt();
    }

    JournalStatus writeVersion(int version) override
    {
        return run(QStringLiteral("PRAGMA user_version = %1").arg(version));
    }

    QString beginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }

    QString describe(const QSqlQuery &query) const override
    {
        switch (query.lastError().nativeErrorCode().toInt()) {
        case 5: // SQLITE_BUSY
        case 6: // SQLITE_LOCKED
            return QStringLiteral("Журнал «%1» занят другой программой и не освободился за 5 секунд.").arg(m_location);
        case 3: // SQLITE_PERM
        case 8: // SQLITE_READONLY
        case 14: // SQLITE_CANTOPEN
            return readOnly();
        case 13: // SQLITE_FULL
            return QStringLiteral("Журнал «%1» не записан: на диске нет места.").arg(m_location);
        case 11: // SQLITE_CORRUPT
        case 26: // SQLITE_NOTADB
            return damaged();
        default:
            return QStringLiteral("Журнал «%1»: ошибка базы данных: %2").arg(m_location, driverMessage(query));
        }
    }

    JournalStatus indexReceipt(const JournalReceipt &receipt) override
    {
        QStringList names;
        for (const JournalLine &line : receipt.lines)
            names << line.name.toLower();
        JournalStatus status;
        QSqlQuery *q = kept(QStringLiteral("INSERT INTO receipt_search (rowid, number, seller_name, seller_header, names)"
                                           " VALUES (?, ?, ?, ?, ?)"), status);
        if (!q)
            return status;
        q->bindValue(0, receipt.id);
        q->bindValue(1, receipt.number.toLower());
        q->bindValue(2, receipt.sellerName.toLower());
        q->bindValue(3, receipt.sellerHeader.toLower());
        q->bindValue(4, names.join(kNameSeparator));
        return run(*q);
    }

    // Words of the text narrow the receipts through the index: its words in a row, each beginning a
    // word, the last one possibly in part; then the whole text must stand literally in one field. A
    // text without a word is looked for literally in the receipts, from the newest.
    QString searchRowsSql(const QString &text, const QString &where, bool newestOnly) const override
    {
        const QString literal = QStringLiteral(
            "(instr(s.number, :text) OR instr(s.seller_name, :text) OR instr(s.seller_header, :text)"
            " OR (:names AND instr(s.names, :text)))");
        const QString dates = where.isEmpty() ? QString() : QStringLiteral(" AND ") + where;
        return hasWord(text)
            ? QStringLiteral("SELECT %1 FROM receipt_search s JOIN receipts r ON r.id = s.rowid"
                             " WHERE receipt_search MATCH :match AND %2%3 ORDER BY s.rowid DESC LIMIT :limit OFFSET :offset")
                  .arg(kRowColumns, literal, dates)
            // The newest receipts each found in the copy by its id; or the whole copy read in its own
            // order, which is faster than a look-up a receipt, and the receipts found sorted.
            : QStringLiteral("SELECT %1 FROM %4 s ON s.rowid = r.id WHERE %2%3 ORDER BY r.id DESC LIMIT :limit OFFSET :offset")
                  .arg(kRowColumns, literal, dates,
                       newestOnly ? QStringLiteral("(SELECT * FROM receipts ORDER BY id DESC LIMIT %1) r CROSS JOIN receipt_search").arg(kNewest)
                                    : QStringLiteral("receipts r JOIN receipt_search"));
    }

    void bindSearch(QSqlQuery &query, const QString &text, bool) const override
    {
        const QString lowered = text.toLower();
        query.bindValue(QStringLiteral(":text"), lowered);
        // A text across a line break cannot be one goods name; the copy keeps a name per line.
        query.bindValue(QStringLiteral(":names"), !lowered.contains(kNameSeparator));
        if (hasWord(text))
            query.bindValue(QStringLiteral(":match"), phrasePrefix(lowered));
    }

    // A text without a word has no index to go through.
    bool searchNewestFirst(const QString &text) const override { return !hasWord(text); }

    QString containsCondition(const QString &column) const override { return QStringLiteral("instr(%1, ?) > 0").arg(column); }

    std::pair<QString, QStringList> goodsLookup(const QString &key) const override
    {
        // A phrase of the key's trigrams in a row: the names that hold it literally.
        if (key.toUcs4().size() >= 3)
            return {QStringLiteral("SELECT g.name, g.unit, g.price FROM goods_trigrams t JOIN goods g ON g.rowid = t.rowid"
                                   " WHERE goods_trigrams MATCH ? ORDER BY g.sold DESC, g.last_id DESC LIMIT ?"),
                    {u'"' + QString(key).replace(u'"', QStringLiteral("\"\"")) + u'"'}};
        // The names in which a trigram begins with the key: the trigrams that do lie between the key and
        // the key followed by the last characters there are (as UTF-8 compares).
        return {QStringLiteral("SELECT name, unit, price FROM goods WHERE rowid IN (SELECT doc FROM goods_trigram_names"
                               " WHERE term >= ? AND term <= ?) ORDER BY sold DESC, last_id DESC LIMIT ?"),
                {key, key + QString::fromUcs4(U"\U0010FFFF\U0010FFFF", 2)}};
    }
    QString dateFromCondition() const override { return QStringLiteral("r.issued_at >= :from"); }
    QString dateToCondition() const override { return QStringLiteral("r.issued_at < :to"); }

private:
    JournalStatus runAll(std::initializer_list<const char *> statements)
    {
        for (const char *sql : statements)
            if (JournalStatus done = run(QString::fromLatin1(sql)); !done)
                return done;
        return {};
    }

    QString damaged() const
    {
        return QStringLiteral("Файл журнала «%1» повреждён или не является журналом; программа его не меняет.").arg(m_location);
    }

    QString readOnly() const
    {
        return QStringLiteral("Журнал «%1» не открыт для записи: нет права записи в файл или в его папку.").arg(m_location);
    }
};

void report(JournalStatus *status, const JournalStatus &value)
{
    if (status)
        *status = value;
}

// A new file readable by its owner only, made so before anything is written to it. SQLite gives its
// -wal and -shm files the same permissions.
JournalStatus create(const QString &filePath)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    QFile file(filePath);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        // Fails only where the file system keeps no permissions (FAT): nothing better can be had there.
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return {};
    }
    if (QFileInfo::exists(filePath))
        return {}; // another program made it meanwhile
    return JournalStatus::failure(QStringLiteral("Журнал «%1» не создан: %2.").arg(filePath, file.errorString()));
}

// Whether the file starts as an SQLite database does (an empty file is a new database).
bool looksLikeSqlite(QFile &file)
{
    static const QByteArray kMagic("SQLite format 3", 16);
    return file.size() == 0 || file.read(kMagic.size()) == kMagic;
}

} // namespace

std::unique_ptr<Journal> openSqliteJournal(const QString &filePath, JournalStatus *status)
{
    static std::atomic<int> connections;
    const QFileInfo info(filePath);
    if (info.exists() && !info.isFile()) {
        report(status, JournalStatus::failure(QStringLiteral("На месте файла журнала «%1» находится папка или устройство.").arg(filePath)));
        return nullptr;
    }
    if (!info.exists()) {
        if (JournalStatus created = create(filePath); !created) {
            report(status, created);
            return nullptr;
        }
    } else if (QFile file(filePath); !file.open(QIODevice::ReadOnly)) {
        report(status, JournalStatus::failure(QStringLiteral("Журнал «%1» не прочитан: %2.").arg(filePath, file.errorString())));
        return nullptr;
    } else if (!looksLikeSqlite(file)) {
        report(status, JournalStatus::failure(
            QStringLiteral("Файл журнала «%1» повреждён или не является журналом; программа его не меняет.").arg(filePath)));
        return nullptr;
    }

    const QString name = QStringLiteral("selvaro-journal-%1").arg(connections.fetch_add(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(filePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.isValid() || !db.open()) {
            const QString why = db.isValid() ? db.lastError().text()
                                             : QStringLiteral("в Qt нет драйвера SQLite (пакет libqt6sql6-sqlite)");
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            report(status, JournalStatus::failure(QStringLiteral("Журнал «%1» не открыт: %2.").arg(filePath, why)));
            return nullptr;
        }
    }
    auto journal = std::make_unique<SqliteJournal>(name, filePath);
    const JournalStatus started = journal->start(QFileInfo(filePath).size());
    report(status, started);
    return started ? std::move(journal) : nullptr;
}
