// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal.h"
#include "journalcsv.h"
#include "sealabledir.h"
#include "serverjournal.h"
#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

namespace {

const QDateTime kMoment(QDate(2026, 3, 1), QTime(9, 5, 7), Qt::OffsetFromUTC, 3 * 3600);

JournalReceipt receiptOf(const QString &number, const QDate &day, const QString &seller, const QString &header,
                         const QStringList &names)
{
    JournalReceipt receipt{0, number, QDateTime(day, QTime(12, 0)), day.toString("dd.MM.yyyy"), header, seller, "1,00",
                           100, "Один рубль 00 копеек", "printer:selvaro-test", std::nullopt, {}};
    for (const QString &name : names)
        receipt.lines.append({QString::number(receipt.lines.size() + 1), name, "шт", "1", "1", "1"});
    return receipt;
}

// A receipt of the shared journal's tests: one line under a header the counters share, a uid of its own.
JournalReceipt sharedOf(const QString &number, const QString &header = "ИП Общий", std::optional<qint64> copyOf = std::nullopt)
{
    JournalReceipt receipt = receiptOf(number, {2026, 3, 1}, "Продавец", header, {"Гвоздь"});
    receipt.copyOf = copyOf;
    receipt.uid = QUuid::createUuid().toString();
    return receipt;
}

// Every field of a receipt in one text, "|" between them and a line per receipt line.
QString fields(const JournalReceipt &r)
{
    QStringList texts{QString::number(r.id), r.number, r.issuedAt.toString(Qt::ISODate), r.datePrinted, r.sellerHeader, r.sellerName,
                      r.total, r.totalKopecks ? QString::number(*r.totalKopecks) : "-", r.words, r.issuedTo,
                      r.copyOf ? QString::number(*r.copyOf) : "-"};
    for (const JournalLine &l : r.lines)
        texts << "\n" + QStringList{l.num, l.name, l.unit, l.quantity, l.price, l.sum}.join(u'|');
    return texts.join(u'|');
}

QString numbers(const QList<JournalRow> &rows)
{
    QStringList texts;
    for (const JournalRow &row : rows)
        texts << row.number;
    return texts.join(u' ');
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("-");
}

// Runs sql on the file through a connection of the test's own: the first value it gives, "" when it
// gives none, "-" when it failed.
QString onFile(const QString &path, const QString &sql)
{
    QString value = "-";
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test-file");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec(sql))
            value = q.next() ? q.value(0).toString() : "";
    }
    QSqlDatabase::removeDatabase("test-file");
    return value;
}

// A copy of original, issued a day later.
JournalReceipt copyOf(const JournalReceipt &original)
{
    JournalReceipt copy = original;
    copy.issuedAt = copy.issuedAt.addDays(1);
    copy.copyOf = original.id;
    return copy;
}

// Receipts from 28 February to 4 March, some at the ends of their days, with texts a CSV file quotes.
QList<JournalReceipt> march()
{
    const auto at = [](const char *number, const QDate &day, const QTime &time, const QString &seller, const QString &total,
                       std::optional<qint64> kopecks, const QStringList &names) {
        JournalReceipt receipt = receiptOf(number, day, seller, "", names);
        receipt.issuedAt.setTime(time);
        receipt.total = total;
        receipt.totalKopecks = kopecks;
        return receipt;
    };
    const QStringList hostile{"Гвозди; 100 мм", "Клей \"Момент\"", "=1+1", "две\nстроки", "возврат\r\nкаретки", "\"", ";",
                              " пробелы ", "-2+3", "@SUM(A1)"};
    QList<JournalReceipt> receipts{at("1;\"А\"", {2026, 3, 1}, {0, 0}, "=Иванов\n;И.", "0,01", 1, hostile.mid(0, 5)),
                                   at("2", {2026, 3, 1}, {23, 59, 59}, "Петров", "0,02", 2, {}),
                                   at("3", {2026, 2, 28}, {23, 59, 59}, "", "1,00", 100, {"Товар"}),
                                   at("4", {2026, 3, 3}, {12, 0}, "", "сто \"р\"", std::nullopt, hostile.mid(5)),
                                   at("5", {2026, 3, 4}, {0, 0}, "Вне периода", "-1,09", -109, {"Товар"})};
    receipts[3].lines[1] = {"=A1", ";", "\"", "1;5", "\r", "\n"};
    return receipts;
}
// Goods as the type-ahead lists them: "name|unit|price", ", " between them.
QString listed(const QList<JournalGoods> &goods)
{
    QStringList texts;
    for (const JournalGoods &g : goods)
        texts << g.name + u'|' + g.unit + u'|' + g.price;
    return texts.join(QStringLiteral(", "));
}

// Receipts selling goods, recorded out of order; copies of the third sell «Молоток» twice more, dearer.
QList<JournalReceipt> goodsSold()
{
    const auto sale = [](const char *number, int day, QList<JournalLine> lines) {
        JournalReceipt receipt = receiptOf(number, {2026, 1, day}, "", "", {});
        receipt.lines = lines;
        return receipt;
    };
    return {sale("1", 10, {{"1", "Гвозди 100 мм", "шт", "1", "5", ""}, {"2", "Молоток", "шт", "1", "300", ""}}),
            sale("2", 11, {{"1", " гвозди   100 мм ", "кг", "1", "7", ""}, {"2", "Гвозди 100 мм", "", "1", "", ""}}),
            sale("3", 12, {{"1", "Молоток", "", "1", "350", ""}, {"2", "Скидка 5%", "", "", "", ""}, {"3", "Дюбель-гвоздь", "шт", "", "1", ""}}),
            sale("0", 1, {{"1", "ГВОЗДИ 100 ММ", "пачка", "1", "1", ""}, {"2", "", "шт", "1", "1", ""}, {"3", "Щит🔌", "", "", "", ""}})};
}

// Records goodsSold() and the copies; all of them as recorded, none when one could not be.
QList<JournalReceipt> recordGoodsSold(Journal &journal)
{
    QList<JournalReceipt> receipts = goodsSold();
    if (!journal.recordAll(receipts))
        return {};
    for (int copies = 0; copies < 2; ++copies) {
        JournalReceipt copy = copyOf(receipts[2]);
        copy.lines[0].price = "999";
        if (!journal.record(copy))
            return {};
        receipts << copy;
    }
    return receipts;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_path;
    std::optional<JournalServer> m_server; // on a "postgresql" row
    std::unique_ptr<Journal> m_searched[2]; // search()'s journal on each back end, made at its first row

    // The row's journal; on the server, path is the local file that keeps the draft.
    std::unique_ptr<Journal> open(const QString &path, JournalStatus *status = nullptr)
    {
        return m_server ? openServerJournal(*m_server, path, status) : openSqliteJournal(path, status);
    }

private slots:
    // Every test runs on each back end; the server's rows skip with the reason when there is none.
    void initTestCase_data()
    {
        QTest::addColumn<bool>("server");
        QTest::newRow("sqlite") << false;
        QTest::newRow("postgresql") << true;
    }

    void init()
    {
        QFETCH_GLOBAL(bool, server);
        m_path = m_tmp.filePath(QTest::currentTestFunction() + QString(QTest::currentDataTag()).replace(' ', '_') + (server ? "-pg.sqlite" : ".sqlite"));
        QString why;
        if ((m_server = server ? TestServer::fresh(&why) : std::nullopt), server && !m_server)
            QSKIP(qPrintable(why));
    }

    // A new and an empty (0 bytes) file open at the latest version and keep every field, and the draft
    // saved over an earlier one, at the next opening; a draft emptied or cleared is gone. A file made
    // here is readable by its owner only, with its -wal and -shm.
    void openAndReadBack_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::addColumn<int>("lines");
        QTest::newRow("missing, 200 lines") << QByteArray() << 200;
        QTest::newRow("0 bytes, empty receipt") << QByteArray("") << 0;
    }

    void openAndReadBack()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        if (!bytes.isNull()) {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        JournalReceipt first{0, "№ 7/Б", kMoment, "1 марта 2026 г.", "ИП «Ёжиков» 'ИНН' \"1\"", "Ёжиков Й.", "1 234,56",
                             123456, "Одна тысяча двести тридцать четыре рубля 56 копеек", "pdf:/tmp/чек 7.pdf", std::nullopt, {}};
        for (int i = 1; i <= lines; ++i)
            first.lines.append({QString::number(i), i % 2 ? "Гвоздь «й» " + QString::number(i) : QString(), "", "2,5", "", "x"});
        JournalReceipt empty{0, "", {}, "", "", "", "", std::nullopt, "", "", std::nullopt, {}};
        JournalStatus status;
        auto journal = open(m_path, &status);
        QVERIFY2(journal && status, qPrintable(status.reason));
        QVERIFY(journal->record(first));
        empty.copyOf = first.id;
        QVERIFY(journal->record(empty));
        const JournalDraft draft{"Ёжиков", {{"", "", "", "", "", ""}, {"1", "Шуруп «5»", "кг", "0,5", "10", "5"}}};
        QVERIFY(journal->saveDraft({"первый", {{"1", "Гвоздь", "", "", "", ""}, {"2", "Клей", "шт", "2", "3", "6"}}}));
        QVERIFY(journal->saveDraft(draft));
        journal.reset();

        journal = open(m_path, &status);
        QVERIFY2(journal && status, qPrintable(status.reason));
        const auto one = journal->receipt(first.id), two = journal->receipt(empty.id);
        const auto kept = journal->draft();
        QVERIFY(one && two && kept && one->issuedAt == kMoment);
        QCOMPARE(fields(*one) + fields(*two), fields(first) + fields(empty));
        QCOMPARE(fields({0, {}, {}, {}, {}, kept->sellerName, {}, {}, {}, {}, {}, kept->lines}),
                 fields({0, {}, {}, {}, {}, draft.sellerName, {}, {}, {}, {}, {}, draft.lines}));
        QVERIFY(journal->saveDraft({"пусто", {}}) && !journal->draft());
        QVERIFY(journal->saveDraft(draft) && journal->clearDraft());
        QVERIFY(!journal->draft(&status) && status);
        if (m_server) { // the index of the names' pieces: short texts typed are looked up through it
            QVERIFY(TestServer::exec("SELECT 'goods_pieces'::regclass"));
            return;
        }
        QCOMPARE(onFile(m_path, "PRAGMA user_version") + onFile(m_path, "PRAGMA journal_mode"), "4wal");
        for (const QString &file : {m_path, m_path + "-wal", m_path + "-shm"})
            if (bytes.isNull()) // made here: no group or other bits, whatever the umask
                QCOMPARE(QFile::permissions(file) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    }

    // Texts are found literally, in any case, where their first word begins a word: never by the
    // search syntax in them, never across two fields or two goods. Newest first, a page at a time.
    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &text, const QString &expected) {
            QTest::newRow(name) << text << QDate() << QDate() << 0 << expected;
        };
        row("empty: all", "", "20 А-19 18 17");
        row("word beginnings", "1", "А-19 18 17");
        row("begun word, after a hyphen too", "гвозд", "А-19 17");
        row("inside a word: no", "возди", "");
        row("ё is not е", "ёлка", "18");
        row("words in a row", "100 ММ", "17");
        row("words across two goods: no", "мм молоток", "");
        row("seller", "и.и.", "17");
        row("quote", "\"", "18");
        row("quoted", "\"Ромашка\"", "18");
        row("word star", "шуруп*", "А-19");
        row("minus word: no", "-гвозди", "");
        row("NEAR", "NEAR", "А-19");
        row("10,000 characters", "Гвозди" + QString(9994, u'я'), "");
        QTest::newRow("dates, both ends inclusive") << "" << QDate(2026, 2, 15) << QDate(2026, 3, 1) << 0 << "А-19 18";
        QTest::newRow("from a date") << "" << QDate(2026, 3, 1) << QDate() << 0 << "20 А-19";
        QTest::newRow("word up to a date") << "гвозд" << QDate() << QDate(2026, 2, 28) << 0 << "17";
        QTest::newRow("a blank, second page") << " " << QDate() << QDate() << 2 << "18 17";
    }

    void search()
    {
        QFETCH(QString, text);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(int, offset);
        std::unique_ptr<Journal> &journal = m_searched[m_server.has_value()];
        if (!journal || m_server) { // the server's database is new for every row
            journal = open(m_tmp.filePath("search.sqlite"));
            QVERIFY(journal);
            for (JournalReceipt receipt : {
                     receiptOf("17", {2026, 1, 10}, "Иванов И.И.", "ИП Иванов", {"Гвозди 100 мм", "Молоток"}),
                     receiptOf("18", {2026, 2, 15}, "Петров", "ООО \"Ромашка\"", {"Ёлка искусственная", "Клей (тюбик)"}),
                     receiptOf("А-19", {2026, 3, 1}, "Сидоров", "NEAR OR", {"Шуруп*", "Дюбель-гвоздь", "Лента - 5 м"}),
                     receiptOf("20", {2026, 3, 31}, "", "", {"", "елка зелёная"})})
                QVERIFY(journal->record(receipt));
        }
        JournalStatus status;
        QTEST(numbers(journal->rows({text, from, to}, offset, offset ? 2 : 100, &status)), "expected");
        QVERIFY2(status, qPrintable(status.reason));
    }

    // A journal made by a newer version, a file that is not a database and a damaged one are refused
    // with the reason, byte for byte untouched, no -wal beside them, and refused again.
    void refusedUntouched_data()
    {
        QTest::addColumn<qint64>("at"); // where 4 kB of 0xa5 go into the file; -1: the version set one newer
        QTest::addColumn<QString>("reason");
        QTest::newRow("newer version") << qint64(-1) << "более новой версией";
        QTest::newRow("not a database") << qint64(0) << "повреждён";
        QTest::newRow("damaged page") << qint64(3 * 4096) << "повреждён";
    }

    void refusedUntouched()
    {
        QFETCH(qint64, at);
        QFETCH(QString, reason);
        if (m_server && at >= 0)
            QSKIP("A file's own failures");
        QList<JournalReceipt> filler;
        for (int i = 0; i < 50; ++i)
            filler << receiptOf(QString::number(i), {2026, 1, 1}, "Продавец", "ИП", QStringList(20, "Товар"));
        QVERIFY(open(m_path)->recordAll(filler));
        QFile file(m_path);
        if (at < 0)
            QVERIFY(m_server ? TestServer::exec("UPDATE journal_version SET version = version + 1") : onFile(m_path, "PRAGMA user_version = 5") == "");
        else
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(at) && file.write(QByteArray(4096, '\xa5')) == 4096);
        file.close();
        const QByteArray before = bytesOf(m_path);
        JournalStatus status;
        QVERIFY(!open(m_path, &status));
        QVERIFY2(status.reason.contains(m_server ? serverLocation(*m_server) : m_path) && status.reason.contains(reason), qPrintable(status.reason));
        QVERIFY(bytesOf(m_path) == before);
        QVERIFY(!QFile::exists(m_path + "-wal"));
        QVERIFY(!open(m_path));
    }

    // A read-only directory refuses the journal with the reason; on a full disk recording fails and
    // keeps the file sound, and succeeds again once there is room.
    void sealedOrFullDirectory()
    {
        if (m_server)
            QSKIP("A file's own failures");
        const QString dir = m_tmp.filePath("sealed");
        SealableDir sealable(dir, "2m");
        if (const char *why = sealable.cannotFill())
            QSKIP(why);
        const QString path = dir + "/journal.sqlite";
        JournalReceipt receipt = receiptOf("1", {2026, 1, 1}, "Продавец", "ИП", QStringList(10, QString(100, u'т')));
        QVERIFY(openSqliteJournal(path)->record(receipt));
        QVERIFY(sealable.seal());
        JournalStatus status;
        QVERIFY(!openSqliteJournal(path, &status));
        QVERIFY2(status.reason.contains(path) && status.reason.contains("нет права записи"), qPrintable(status.reason));
        QVERIFY(sealable.unseal());

        auto journal = openSqliteJournal(path);
        QVERIFY(journal && sealable.fill());
        for (int i = 0; i < 100 && (status = journal->record(receipt)); ++i) {
        }
        QVERIFY2(!status && status.reason.contains(path) && status.reason.contains("нет места"), qPrintable(status.reason));
        QCOMPARE(onFile(path, "PRAGMA integrity_check"), "ok");
        QVERIFY(sealable.freeSpace());
        QVERIFY(journal->record(receipt));
    }

    // Originals only, summed to the kopeck per day of the issuing counter's date, both ends of the range
    // inclusive; a total that is not a number counted apart; the average rounded half away from zero.
    // Receipts recorded together are all kept or, when one fails, none, their ids set on success only.
    void summary_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("expected"); // range, receipts, not numbers, kopecks, average: daily
        QTest::newRow("1-3 March: copy apart, 3 / 2 -> 2") << QDate(2026, 3, 1) << QDate(2026, 3, 3) << "2026-03-01..2026-03-03 3 1 3 2: 3 0 0";
        QTest::newRow("open: -6 / 4 -> -2") << QDate() << QDate() << "2026-02-28..2026-03-04 5 1 -6 -2: 100 3 0 0 -109";
        QTest::newRow("from 4 March: -109") << QDate(2026, 3, 4) << QDate() << "2026-03-04..2026-03-04 1 0 -109 -109: -109";
        QTest::newRow("reversed") << QDate(2026, 3, 3) << QDate(2026, 3, 1) << "2026-03-03..2026-03-01 0 0 0 0:";
    }

    void summary()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, expected);
        auto journal = open(m_path);
        QList<JournalReceipt> receipts = march();
        receipts[4].copyOf = 999; // no such receipt
        QVERIFY(journal && !journal->recordAll(receipts) && receipts[0].id == 0);
        receipts[4].copyOf = std::nullopt;
        QVERIFY(journal->recordAll(receipts));
        JournalReceipt copy = copyOf(receipts[0]);
        QVERIFY(journal->record(copy));
        JournalStatus status;
        const auto found = journal->summary(from, to, &status);
        QVERIFY2(found && status, qPrintable(status.reason));
        QStringList daily;
        for (qint64 kopecks : found->daily)
            daily << QString::number(kopecks);
        QCOMPARE(QStringLiteral("%1..%2 %3 %4 %5 %6:").arg(found->from.toString(Qt::ISODate), found->to.toString(Qt::ISODate))
                         .arg(found->receipts).arg(found->notNumbers).arg(found->kopecks).arg(found->averageKopecks())
                     + (daily.isEmpty() ? "" : " " + daily.join(' ')),
                 expected);
    }

    // The CSV of a period read back by Python's csv module is the journal's lines, whatever the texts
    // hold; copies and other days are not in it, a receipt without lines is one row.
    void csvReadBack()
    {
        const QString python = QStandardPaths::findExecutable("python3");
        if (python.isEmpty())
            QSKIP("python3 is not installed");
        auto journal = open(m_path);
        QList<JournalReceipt> receipts = march();
        receipts[4].lines = QList<JournalLine>(5000, {"", "Товар", "", "", "", ""}); // more than the server fetches at a time
        QVERIFY(journal && journal->recordAll(receipts));
        JournalReceipt copy = copyOf(receipts[0]);
        QVERIFY(journal->record(copy));
        const QString csv = m_tmp.filePath(QString("export-%1.csv").arg(m_server ? "pg" : "sqlite"));
        qint64 lines = 0;
        QVERIFY(writeJournalCsv(*journal, {}, {}, csv, &lines) && lines == 5012);
        const JournalStatus written = writeJournalCsv(*journal, {2026, 3, 1}, {2026, 3, 3}, csv, &lines);
        QVERIFY2(written, qPrintable(written.reason));
        QCOMPARE(lines, 11);
        QCOMPARE(bytesOf(csv).left(3), QByteArray("\xEF\xBB\xBF"));

        QProcess reader;
        reader.start(python, {"-c", "import csv, json, sys\n"
                                    "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                                    "    print(json.dumps(list(csv.reader(f, delimiter=';', strict=True))))",
                              csv});
        QVERIFY(reader.waitForFinished(30000));
        QCOMPARE(reader.readAllStandardError(), QByteArray());
        QStringList read;
        for (const QJsonValue &row : QJsonDocument::fromJson(reader.readAllStandardOutput()).array())
            read << row.toVariant().toStringList().join(u'|');
        QStringList expected{"Чек №|Дата|Продавец|№|Наименование товара|Ед.|Кол-во|Цена|Сумма|Итого по чеку"};
        for (const JournalReceipt &r : {receipts[0], receipts[1], receipts[3]}) { // those of 1-3 March, as issued
            const QString head = QStringList{r.number, r.issuedAt.toString("dd.MM.yyyy HH:mm:ss"), r.sellerName}.join(u'|');
            if (r.lines.isEmpty())
                expected << head + "||||||" + "|" + r.total;
            for (const JournalLine &l : r.lines)
                expected << QStringList{head, l.num, l.name, l.unit, l.quantity, l.price, l.sum, r.total}.join(u'|');
        }
        QCOMPARE(read, expected);
    }

    // A journal left by the first version opens with its receipts as they were and their goods counted as
    // the latest version counts them, and records receipts with their own id from then on.
    void migrated()
    {
        // What makes a journal of the latest version one of the first.
        const QStringList sqlite{"DROP TABLE goods_trigrams", "DROP TABLE goods", "DROP INDEX receipts_uid", "ALTER TABLE receipts DROP COLUMN uid",
                                 "ALTER TABLE receipts DROP COLUMN duplicate", "DROP TABLE unsent", "PRAGMA user_version = 1"};
        const QStringList server{"DROP FUNCTION IF EXISTS goods_name_pieces CASCADE", "DROP TABLE goods", "DROP INDEX IF EXISTS receipt_search_trgm",
                                 "ALTER TABLE receipt_search DROP COLUMN words", "DROP INDEX receipts_uid",
                                 "ALTER TABLE receipts DROP COLUMN uid, DROP COLUMN duplicate",
                                 "CREATE UNIQUE INDEX receipts_number ON receipts (seller_header, number) WHERE copy_of IS NULL",
                                 "UPDATE journal_version SET version = 1"};
        auto journal = open(m_path);
        QVERIFY(journal);
        const QList<JournalReceipt> receipts = recordGoodsSold(*journal);
        const auto readBack = [&] {
            QStringList texts{listed(journal->goods("о", 10)), numbers(journal->rows({"гвозди 100", {}, {}}, 0, 100)),
                              numbers(journal->rows({"%", {}, {}}, 0, 100))};
            for (const JournalReceipt &receipt : receipts)
                texts << fields(*journal->receipt(receipt.id));
            return texts;
        };
        const QStringList recorded = readBack();
        QVERIFY(receipts.size() == 6 && !recorded[0].isEmpty());
        journal.reset();
        for (const QString &sql : m_server ? server : sqlite)
            QVERIFY2(m_server ? TestServer::exec(sql) : onFile(m_path, sql) != "-", qPrintable(sql));
        JournalStatus status;
        journal = open(m_path, &status);
        QVERIFY2(journal, qPrintable(status.reason));
        QVERIFY(!m_server || TestServer::exec("SELECT 'receipt_search_words'::regclass, 'receipt_search_trgm'::regclass"));
        QCOMPARE(readBack(), recorded);
        JournalReceipt next = receiptOf("8", {2026, 1, 1}, "Продавец", "ИП", {"Гвоздь"});
        next.uid = "u-8";
        QVERIFY(journal->record(next));
        QCOMPARE(journal->receipt(next.id)->uid, "u-8");
    }

    // Goods names containing a text in any case, the most often sold first, each with the unit and
    // price of its latest sale that gave them; copies count no sale.
    void goods_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("expected");
        const QString nails = "Гвозди 100 мм|кг|7", hammer = "Молоток|шт|350", dowel = "Дюбель-гвоздь|шт|1";
        QTest::newRow("part of a word, Cyrillic upper case") << "ВОЗД" << 10 << nails + ", " + dowel;
        QTest::newRow("ranked by sales, copies apart") << "о" << 10 << nails + ", " + hammer + ", " + dowel;
        QTest::newRow("limit") << "о" << 2 << nails + ", " + hammer;
        QTest::newRow("blanks at the ends and in runs") << "  гвозди 100   М" << 10 << nails;
        QTest::newRow("one letter, upper case") << "Щ" << 10 << "Щит🔌||";
        QTest::newRow("two letters, mixed case") << "дЮ" << 10 << dowel;
        QTest::newRow("two characters, a wildcard") << "5%" << 10 << "Скидка 5%||";
        QTest::newRow("underscore") << "о_о" << 10 << "";
        QTest::newRow("quote") << "мм\"" << 10 << "";
        QTest::newRow("two characters, one beyond 16 bits") << "т🔌" << 10 << "Щит🔌||";
        QTest::newRow("empty") << " " << 10 << "";
    }

    void goods()
    {
        QFETCH(QString, text);
        QFETCH(int, limit);
        auto journal = open(m_path);
        QVERIFY(journal && !recordGoodsSold(*journal).isEmpty());
        JournalStatus status;
        QTEST(listed(journal->goods(text, limit, &status)), "expected");
        QVERIFY2(status, qPrintable(status.reason));
    }
    // What only a shared journal on a server does. Beside an original "7" under the shared header, which
    // receipts it takes: one number per seller header across counters.
    void numberUnique_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("header");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("taken");
        const QString shared = sharedOf("").sellerHeader;
        QTest::newRow("same number and header -> taken") << "7" << "7" << shared << false << true;
        QTest::newRow("a copy of it -> recorded") << "7" << "7" << shared << true << false;
        QTest::newRow("another header -> recorded") << "7" << "7" << "ООО Другое" << false << false;
        QTest::newRow("007 is another number -> recorded") << "7" << "007" << shared << false << false;
        QTest::newRow("no number twice -> recorded") << "б/н" << "б/н" << shared << false << false;
        QString longHeader = "ИП";
        for (int i = 0; i < 400; ++i)
            longHeader += " Ж" + QString::number(i * 7919);
        QTest::newRow("a header too long to index -> recorded") << "7" << "7" << longHeader << false << false;
        QTest::newRow("refused otherwise -> told, not as taken") << "7" << "8" << "refused" << false << false;
    }

    void numberUnique()
    {
        QFETCH(QString, first);
        QFETCH(QString, number);
        QFETCH(QString, header);
        QFETCH(bool, copy);
        QFETCH(bool, taken);
        if (!m_server)
            QSKIP("The shared journal's own");
        auto journal = open(m_path);
        JournalReceipt original = sharedOf(first);
        QVERIFY(journal && journal->record(original));
        JournalReceipt second = sharedOf(number, header, copy ? std::optional(original.id) : std::nullopt);
        if (header == "refused")
            QVERIFY(TestServer::exec("ALTER TABLE receipts ADD CONSTRAINT refused CHECK (seller_header <> 'refused')"));
        const JournalStatus status = journal->record(second);
        QCOMPARE(!status && status.kind == JournalFailure::NumberIssued, taken);
        QCOMPARE(bool(status), !taken && header != "refused");
        QVERIFY(status || status.kind != JournalFailure::ServerAway); // a server that refuses is there
        QCOMPARE(journal->rows({}, 0, 10).size(), status ? 2 : 1);
        QCOMPARE(journal->nextFreeNumber(original.sellerHeader).value_or("-"), first == "7" ? "8" : "1");
    }

    // The server stops between two prints and comes back: the print in between is told as the server
    // being away; kept on this computer, it goes up after the restart over a new connection, once even
    // when an earlier send was cut off after the server took it, flagged when its number was issued
    // meanwhile on another counter.
    void serverRestarted()
    {
        if (!m_server)
            QSKIP("The shared journal's own");
        TestServer::Cluster cluster;
        if (!cluster.started())
            QSKIP("A PostgreSQL cluster of the test's own did not start (scripts/pg-setup.sh)");
        const JournalServer server = cluster.server();
        auto journal = openServerJournal(server, m_path);
        auto local = openSqliteJournal(m_path);
        JournalReceipt receipts[] = {sharedOf("1"), sharedOf("2"), sharedOf("3"), sharedOf("3")};
        QVERIFY(journal && local && journal->record(receipts[0]));
        QVERIFY(cluster.stop());
        const JournalStatus away = journal->record(receipts[1]);
        QVERIFY2(!away && away.kind == JournalFailure::ServerAway && away.reason.contains(serverLocation(server)), qPrintable(away.reason));
        QVERIFY(local->recordUnsent(receipts[1]) && local->recordUnsent(receipts[2]));
        QVERIFY(cluster.start());
        JournalReceipt arrived = receipts[1];
        QVERIFY(journal->record(receipts[3]) && journal->deliver(arrived));
        const UnsentSending sending = sendUnsent(*local, *journal);
        QVERIFY2(sending.status, qPrintable(sending.status.reason));
        QCOMPARE(QList<int>({sending.sent, sending.duplicates, int(sendUnsent(*local, *journal).sent)}), QList<int>({2, 1, 0}));
        QStringList listed;
        for (const JournalRow &row : journal->rows({}, 0, 10))
            listed << row.number + (row.duplicate ? "!" : "");
        QCOMPARE(listed.join(' ') + (local->receipt(receipts[2].id)->duplicate ? " flagged here" : ""), "3! 2 3 1 flagged here");
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
