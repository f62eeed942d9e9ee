// SPDX-License-Identifier: GPL-3.0-or-later
// The journal's figures on a journal made by journalgen: recording one receipt of 10 lines, opening the
// journal with its first page of rows, a search by a goods word (a common one, a rare one, a number)
// with its first page, reading one receipt whole, the goods offered for a typed text, the summary of a
// month and of a year, the CSV export of a period of about 100,000 lines, and summaries over a period
// (receipts and takings per seller, the goods sold most) as plain SQL on a connection of their own.
// Usage: SELVARO_BENCH_JOURNAL=<file> bench_journal [benchmark options]   (recording adds receipts to it)
// With SELVARO_PG_HOST, SELVARO_PG_PORT, SELVARO_PG_USER and SELVARO_PG_DB (scripts/pg-setup.sh) the
// journal is the one on that server, the file keeping its draft.
#include "journalcsv.h"
#include "serverjournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

QString journalPath() { return qEnvironmentVariable("SELVARO_BENCH_JOURNAL", QStringLiteral("journal-bench.sqlite")); }

// The journal open for all but the opening benchmark.
Journal &journal()
{
    static std::unique_ptr<Journal> opened = qEnvironmentVariableIsSet("SELVARO_PG_HOST")
        ? openServerJournal({qEnvironmentVariable("SELVARO_PG_HOST"), qEnvironmentVariableIntValue("SELVARO_PG_PORT"),
                             qEnvironmentVariable("SELVARO_PG_DB"), qEnvironmentVariable("SELVARO_PG_USER"), {}},
                            journalPath())
        : openSqliteJournal(journalPath());
    if (!opened)
        std::abort();
    return *opened;
}

constexpr int kPage = 100; // rows the journal window loads at a time

void record(benchmark::State &state)
{
    JournalReceipt receipt{0, "999999", QDateTime::currentDateTime(), "07.12.2026", "ИП Торговый дом 1", "Продавец 1",
                           "1 000,00", 100000, "Одна тысяча рублей 00 копеек", "printer:Касса", std::nullopt, {}};
    for (int l = 1; l <= 10; ++l)
        receipt.lines.append({QString::number(l), "Гвозди строительные 100 мм", "шт", "10", "10", "100"});
    // A new number each time, after those earlier runs issued: a shared journal issues a number once.
    static qint64 number = journal().nextFreeNumber(receipt.sellerHeader).value_or(QStringLiteral("1000001")).toLongLong() - 1;
    for (auto _ : state) {
        receipt.number = QString::number(++number);
        if (!journal().record(receipt))
            state.SkipWithError("record failed");
    }
}

void open(benchmark::State &state)
{
    for (auto _ : state) {
        auto opened = openSqliteJournal(journalPath());
        if (!opened || opened->rows({}, 0, kPage).size() != kPage)
            state.SkipWithError("open failed");
    }
}

void search(benchmark::State &state, const QString &text)
{
    qsizetype found = 0;
    for (auto _ : state)
        found = journal().rows({text, {}, {}}, 0, kPage).size();
    state.counters["rows"] = double(found);
}

// A page of the list far down (the window scrolled to the oldest receipts).
void pageFar(benchmark::State &state)
{
    const int offset = int(journal().rows({}, 0, 1).value(0).id) - kPage;
    for (auto _ : state)
        if (journal().rows({}, offset, kPage).isEmpty())
            state.SkipWithError("no rows");
}

void show(benchmark::State &state)
{
    const qint64 count = journal().rows({}, 0, 1).value(0).id;
    QRandomGenerator random(7);
    for (auto _ : state)
        if (!journal().receipt(random.bounded(count) + 1))
            state.SkipWithError("no receipt");
}

// The summary of a period ending with the generated journal's last full month (November 2026).
void summary(benchmark::State &state, int months)
{
    const QDate to(2026, 11, 30), from = to.addDays(1).addMonths(-months);
    JournalSummary found;
    for (auto _ : state) {
        const auto summed = journal().summary(from, to);
        if (!summed)
            state.SkipWithError("summary failed");
        else
            found = *summed;
    }
    state.counters["receipts"] = double(found.receipts);
    state.counters["days"] = double(found.daily.size());
}

// 11 days of 10-line receipts: about 100,000 lines.
void exportCsv(benchmark::State &state)
{
    const QString file = QDir::temp().filePath(QStringLiteral("selvaro-bench-export.csv"));
    qint64 lines = 0;
    for (auto _ : state)
        if (!writeJournalCsv(journal(), {2026, 11, 1}, {2026, 11, 11}, file, &lines))
            state.SkipWithError("export failed");
    state.counters["lines"] = double(lines);
    QFile::remove(file);
}

// A connection of the summaries' own to the same journal.
QSqlDatabase &summaryConnection()
{
    static QSqlDatabase db = [] {
        const bool server = qEnvironmentVariableIsSet("SELVARO_PG_HOST");
        QSqlDatabase opened = QSqlDatabase::addDatabase(server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                                                        QStringLiteral("summary"));
        if (server) {
            opened.setHostName(qEnvironmentVariable("SELVARO_PG_HOST"));
            opened.setPort(qEnvironmentVariableIntValue("SELVARO_PG_PORT"));
            opened.setUserName(qEnvironmentVariable("SELVARO_PG_USER"));
            opened.setDatabaseName(qEnvironmentVariable("SELVARO_PG_DB"));
        } else {
            opened.setDatabaseName(journalPath());
        }
        if (!opened.open())
            std::abort();
        return opened;
    }();
    return db;
}

// One summary over [from, to): the rows it gives.
void sqlSummary(benchmark::State &state, const QString &sql, const QString &from, const QString &to)
{
    QSqlQuery q(summaryConnection());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        std::abort();
    int found = 0;
    for (auto _ : state) {
        q.bindValue(QStringLiteral(":from"), from);
        q.bindValue(QStringLiteral(":to"), to);
        if (!q.exec())
            state.SkipWithError("summary failed");
        for (found = 0; q.next(); ++found) {
        }
    }
    state.counters["rows"] = found;
}

const QString kPerSeller = QStringLiteral(
    "SELECT seller_name, count(*), sum(total_kopecks) FROM receipts"
    " WHERE issued_at >= :from AND issued_at < :to AND copy_of IS NULL GROUP BY seller_name ORDER BY seller_name");
const QString kTopGoods = QStringLiteral(
    "SELECT l.name, count(*) FROM receipts r JOIN receipt_lines l ON l.receipt_id = r.id"
    " WHERE r.issued_at >= :from AND r.issued_at < :to AND r.copy_of IS NULL GROUP BY l.name ORDER BY 2 DESC, 1 LIMIT 20");

// The goods the type-ahead offers for a text typed in a name cell (10 at most).
void goods(benchmark::State &state, const QString &text)
{
    qsizetype found = 0;
    for (auto _ : state)
        found = journal().goods(text, 10).size();
    state.counters["goods"] = double(found);
}

} // namespace

// One letter and a name begun (found among the goods sold most), a rare word and a text no name holds
// (found through the names' trigrams on SQLite, every name read on a server), and two letters no name
// holds (every name read).
BENCHMARK_CAPTURE(goods, one_letter, QStringLiteral("г"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(goods, name_begun, QStringLiteral("Гвозди стр"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(goods, rare_word, QStringLiteral("кронш"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(goods, none, QStringLiteral("шуруп медный мм"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(goods, two_letters_none, QStringLiteral("ъъ"))->Unit(benchmark::kMillisecond);
BENCHMARK(record)->Unit(benchmark::kMillisecond);
BENCHMARK(open)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, common_word, QStringLiteral("ГВОЗДИ"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, rare_word, QStringLiteral("кронштейн"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, two_words, QStringLiteral("гвозди строительные 100"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, number, QStringLiteral("654321"))->Unit(benchmark::kMillisecond);
// Texts without a word: a sign no receipt holds, and one every receipt holds (SQLite reads every
// receipt until a page is found; a server looks the signs up).
BENCHMARK_CAPTURE(search, no_word_rare, QStringLiteral("№"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, no_word_common, QStringLiteral(","))->Unit(benchmark::kMillisecond);
BENCHMARK(pageFar)->Unit(benchmark::kMillisecond);
BENCHMARK(show)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(summary, month, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(summary, year, 12)->Unit(benchmark::kMillisecond);
BENCHMARK(exportCsv)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sqlSummary, per_seller_month, kPerSeller, QStringLiteral("2026-03-01"), QStringLiteral("2026-04-01"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sqlSummary, per_seller_year, kPerSeller, QStringLiteral("2026-01-01"), QStringLiteral("2027-01-01"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sqlSummary, top_goods_month, kTopGoods, QStringLiteral("2026-03-01"), QStringLiteral("2026-04-01"))
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
