// SPDX-License-Identifier: GPL-3.0-or-later
// The journal window on a journal made by journalgen: opening it with its first rows and the newest
// receipt's page drawn, a search by a goods word typed into it with the found receipt drawn, and
// «Итоги» of a month and of a year: the summary read, its figures and chart set and drawn.
// Usage: SELVARO_BENCH_JOURNAL=<dir holding journal.sqlite> QT_QPA_PLATFORM=offscreen bench_journalwindow
#include "frmselvaro.h"
#include "journalrecorder.h"
#include "journalsummaryview.h"
#include "journalwindow.h"
#include "messagebox.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

namespace {

FrmSelvaro &window()
{
    static FrmSelvaro *window = [] {
        const QString dir = qEnvironmentVariable("SELVARO_BENCH_JOURNAL", QStringLiteral("."));
        MessageBox::setDefaultAnswer(MessageBox::Ok);
        auto *created = new FrmSelvaro(StatePlaces{dir, dir});
        created->show();
        return created;
    }();
    return *window;
}

void openWindow(benchmark::State &state)
{
    JournalRecorder *recorder = window().journalRecorder();
    for (auto _ : state) {
        delete recorder->journalWindow();
        recorder->showWindow();
        QCoreApplication::processEvents();
        if (!recorder->journalWindow()->selected())
            state.SkipWithError("nothing shown");
    }
    state.counters["rows"] = recorder->journalWindow()->model()->rowCount();
}

void searchAndShow(benchmark::State &state, const QString &text)
{
    JournalRecorder *recorder = window().journalRecorder();
    recorder->showWindow();
    JournalWindow *journal = recorder->journalWindow();
    auto *search = journal->findChild<QLineEdit *>(QStringLiteral("search"));
    for (auto _ : state) {
        search->setText(QString());
        search->setText(text);
        journal->reload();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = journal->model()->rowCount();
}

// The period ends with the generated journal's last full month (November 2026).
void summaryAndChart(benchmark::State &state, int months)
{
    Journal *journal = window().journalRecorder()->journal();
    if (!journal) {
        state.SkipWithError("no journal");
        return;
    }
    JournalSummaryView view(window().locale());
    view.resize(700, 450);
    view.show();
    const QDate to(2026, 11, 30), from = to.addDays(1).addMonths(-months);
    qint64 receipts = 0;
    for (auto _ : state) {
        const auto summary = journal->summary(from, to);
        if (!summary) {
            state.SkipWithError("summary failed");
            break;
        }
        view.showSummary(*summary);
        QCoreApplication::processEvents(); // the chart lays its bars out in posted events
        view.repaint();
        receipts = summary->receipts;
    }
    state.counters["receipts"] = double(receipts);
}

} // namespace

BENCHMARK(openWindow)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchAndShow, common_word, QStringLiteral("гвозди"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchAndShow, rare_word, QStringLiteral("кронштейн"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(summaryAndChart, month, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(summaryAndChart, year, 12)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
