// SPDX-License-Identifier: GPL-3.0-or-later
#include "serverjournal.h"
#include "testserver.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <cstdio>

namespace {

const QString kHeader = "ИП Общий";

JournalReceipt receiptOf(const QString &number, const QString &header = kHeader, std::optional<qint64> copyOf = std::nullopt)
{
    return {0, number, QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::OffsetFromUTC, 3 * 3600), "1 марта 2026 г.", header,
            "Продавец", "1,00", 100, "Один рубль 00 копеек", "printer:selvaro-test", copyOf, {{"1", "Гвоздь", "шт", "1", "1", "1"}}, QUuid::createUuid().toString()};
}

} // namespace

// What only a shared journal on a server does: one number per seller header across counters, and the
// receipts kept while it was away sent up once.
class TestServerJournal : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;
    std::optional<JournalServer> m_server;

private slots:
    void init()
    {
        QString why;
        if (QByteArray(QTest::currentTestFunction()) != "serverRestarted" && !(m_server = TestServer::fresh(&why)))
            QSKIP(qPrintable(why));
    }

    // Two counters print the numbers 1..40 under one header at the same moments: each number is
    // issued exactly once, the other counter told so and offered the greatest + 1.
    void sameNumberAtOnce()
    {
        QVERIFY(openServerJournal(*m_server, m_tmp.filePath("parent.sqlite")));
        QProcess counters[2];
        for (int i = 0; i < 2; ++i)
            counters[i].start(QCoreApplication::applicationFilePath(),
                              {"--print", m_server->database, m_tmp.filePath(QString("counter%1.sqlite").arg(i))});
        for (QProcess &counter : counters)
            QVERIFY(counter.waitForFinished(60000) && counter.exitCode() == 0);
        QMap<QString, int> issued;
        for (QProcess &counter : counters)
            for (const QByteArray &line : counter.readAllStandardOutput().split('\n'))
                if (line.startsWith("issued "))
                    ++issued[line.mid(7)];
                else if (!line.isEmpty())
                    QVERIFY2(line.startsWith("taken ") && line.split(' ').value(2).toInt() > line.split(' ').value(1).toInt(), line.constData());
        QCOMPARE(QList<int>(issued.values()), QList<int>(40, 1));
        auto journal = openServerJournal(*m_server, m_tmp.filePath("parent.sqlite"));
        QCOMPARE(journal->nextFreeNumber(kHeader).value_or("-"), "41");
    }

    // Beside an original "7" under the shared header, which receipts the journal takes.
    void numberUnique_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("header");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("taken");
        QTest::newRow("same number and header -> taken") << "7" << "7" << kHeader << false << true;
        QTest::newRow("a copy of it -> recorded") << "7" << "7" << kHeader << true << false;
        QTest::newRow("another header -> recorded") << "7" << "7" << "ООО Другое" << false << false;
        QTest::newRow("007 is another number -> recorded") << "7" << "007" << kHeader << false << false;
        QTest::newRow("no number twice -> recorded") << "б/н" << "б/н" << kHeader << false << false;
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
        auto journal = openServerJournal(*m_server, m_tmp.filePath("unique.sqlite"));
        JournalReceipt original = receiptOf(first);
        QVERIFY(journal && journal->record(original));
        JournalReceipt second = receiptOf(number, header, copy ? std::optional(original.id) : std::nullopt);
        if (header == "refused")
            QVERIFY(TestServer::exec("ALTER TABLE receipts ADD CONSTRAINT refused CHECK (seller_header <> 'refused')"));
        const JournalStatus status = journal->record(second);
        QCOMPARE(!status && status.kind == JournalFailure::NumberIssued, taken);
        QCOMPARE(bool(status), !taken && header != "refused");
        QVERIFY(status || status.kind != JournalFailure::ServerAway); // a server that refuses is there
        QCOMPARE(journal->rows({}, 0, 10).size(), status ? 2 : 1);
        QCOMPARE(journal->nextFreeNumber(kHeader).value_or("-"), first == "7" ? "8" : "1");
    }

    // The server stops between two prints and comes back: the print in between is told as the server
    // being away; kept on this computer, it goes up after the restart over a new connection, once even
    // when an earlier send was cut off after the server took it, flagged when its number was issued
    // meanwhile on another counter.
    void serverRestarted()
    {
        TestServer::Cluster cluster;
        if (!cluster.started())
            QSKIP("A PostgreSQL cluster of the test's own did not start (scripts/pg-setup.sh)");
        const JournalServer server = cluster.server();
        auto journal = openServerJournal(server, m_tmp.filePath("restart.sqlite"));
        auto local = openSqliteJournal(m_tmp.filePath("restart.sqlite"));
        JournalReceipt receipts[] = {receiptOf("1"), receiptOf("2"), receiptOf("3"), receiptOf("3")};
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

// Run as "tst_serverjournal --print <database> <local file>", it is a counter printing the numbers
// 1..40 under the shared header, telling "issued N" or "taken N <offered number>" for each.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArrayView(argv[1]) == "--print") {
        const JournalServer server{qEnvironmentVariable("SELVARO_PG_HOST"), qEnvironmentVariableIntValue("SELVARO_PG_PORT"),
                                   QString::fromLocal8Bit(argv[2]), qEnvironmentVariable("SELVARO_PG_USER"), {}};
        auto journal = openServerJournal(server, QString::fromLocal8Bit(argv[3]));
        for (int i = 1; journal && i <= 40; ++i) {
            JournalReceipt receipt = receiptOf(QString::number(i));
            const JournalStatus status = journal->record(receipt);
            if (status)
                std::printf("issued %d\n", i);
            else if (status.kind == JournalFailure::NumberIssued)
                std::printf("taken %d %s\n", i, qPrintable(journal->nextFreeNumber(kHeader).value_or("-")));
            else
                return 1;
        }
        return journal ? 0 : 1;
    }
    TestServerJournal test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_serverjournal.moc"
