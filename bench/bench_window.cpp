// SPDX-License-Identifier: GPL-3.0-or-later
// Time of one change of the grid's current cell (every line sum recalculated, yielding to the event
// loop once per line) and of one click on the total, in the real window with 1,000 and 10,000 lines;
// beside them the same loops yielding once per line with nothing held back, to show what holding back
// the window's painting during a loop saves.
#include "frmselvaro.h"
#include "linesums.h"
#include "tableflexgrid.h"
#include "widgetboxes.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<FrmSelvaro> windowWithLines(const QTemporaryDir &dir, int lines)
{
    auto window = std::make_unique<FrmSelvaro>(StatePlaces{dir.path(), dir.path()},
                                               QLocale(QLocale::Russian, QLocale::Russia));
    window->show();
    TableFlexGrid *grid = window->MSFGAZ();
    for (int r = 1; r <= lines; ++r) {
        if (r > 1)
            grid->AddItem(QString());
        grid->setTextMatrix(r, 0, QString::number(r));
        grid->setTextMatrix(r, 3, QString::number(r % 7 + 1));
        grid->setTextMatrix(r, 4, QStringLiteral("12.35"));
    }
    QApplication::processEvents();
    return window;
}

void cellChange(benchmark::State &state)
{
    QTemporaryDir dir;
    auto window = windowWithLines(dir, int(state.range(0)));
    TableFlexGrid *grid = window->MSFGAZ();
    int col = 0;
    for (auto _ : state) {
        col = col == 1 ? 2 : 1;
        grid->moveTo(1, col);
    }
    state.counters["lines"] = double(state.range(0));
}

void totalClick(benchmark::State &state)
{
    QTemporaryDir dir;
    auto window = windowWithLines(dir, int(state.range(0)));
    window->MSFGAZ()->moveTo(1, 1);  // the line sums in place
    for (auto _ : state)
        window->Text7_Click();
    state.counters["lines"] = double(state.range(0));
}

void processEvents()
{
    QCoreApplication::processEvents();
}

void lineSumsPaintingEveryLine(benchmark::State &state)
{
    QTemporaryDir dir;
    auto window = windowWithLines(dir, int(state.range(0)));
    for (auto _ : state)
        recalculateLineSums(*window->MSFGAZ(), window->locale(), processEvents);
    state.counters["lines"] = double(state.range(0));
}

void totalPaintingEveryLine(benchmark::State &state)
{
    QTemporaryDir dir;
    auto window = windowWithLines(dir, int(state.range(0)));
    window->MSFGAZ()->moveTo(1, 1);
    LineEditBox text7(window->Text7());
    PlainTextBox text4(window->Text4());
    for (auto _ : state)
        recalculateTotal(*window->MSFGAZ(), text7, text4, window->locale(), processEvents);
    state.counters["lines"] = double(state.range(0));
}

} // namespace

BENCHMARK(cellChange)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(totalClick)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(lineSumsPaintingEveryLine)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(totalPaintingEveryLine)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
