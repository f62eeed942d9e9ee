// SPDX-License-Identifier: GPL-3.0-or-later
// The journal's four figures on a journal made by journalgen: recording one receipt of 10 lines,
// opening the journal with its first page of rows, a search by a goods word (a common one, a rare one,
// a number) with its first page, and reading one receipt whole.
// Usage: SELVARO_BENCH_JOURNAL=<file> bench_journal [benchmark options]   (recording adds receipts to it)
#include "journal.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

QString journalPath() { return qEnvironmentVariable("SELVARO_BENCH_JOURNAL", QStringLiteral("journal-bench.sqlite")); }

// The journal open for all but the opening benchmark.
Journal &journal()
{
    static std::unique_ptr<Journal> opened = openSqliteJournal(journalPath());
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
    for (auto _ : state)
        if (!journal().record(receipt))
            state.SkipWithError("record failed");
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

void show(benchmark::State &state)
{
    const qint64 count = journal().rows({}, 0, 1).value(0).id;
    QRandomGenerator random(7);
    for (auto _ : state)
        if (!journal().receipt(random.bounded(count) + 1))
            state.SkipWithError("no receipt");
}

} // namespace

BENCHMARK(record)->Unit(benchmark::kMillisecond);
BENCHMARK(open)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, common_word, QStringLiteral("ГВОЗДИ"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, rare_word, QStringLiteral("кронштейн"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, two_words, QStringLiteral("гвозди строительные 100"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, number, QStringLiteral("654321"))->Unit(benchmark::kMillisecond);
BENCHMARK(show)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
