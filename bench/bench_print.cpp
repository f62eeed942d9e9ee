// SPDX-License-Identifier: GPL-3.0-or-later
// Printing the receipt to PDF, measured against the cheapest PDF page Qt can make (one text), in one
// run, and side by side in one loop (--rounds=N). Also writes a filled sample receipt:
// bench_print --receipt-pdf FILE.
#include "memoryflexgrid.h"
#include "printerpage.h"
#include "receiptlayout.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace {

QString g_dir;

const QStringList kHeadings = {"№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"};

ReceiptTexts sampleTexts()
{
    return {"ИП Петров С. В., ИНН 772900123456, г. Москва, ул. Садовая, д. 5", "41", "06.12.2026", "1736,25",
            "одна тысяча семьсот тридцать шесть рублей двадцать пять копеек", "Петров С. В."};
}

void fill(MemoryFlexGrid &grid, int lines)
{
    static const QList<QStringList> goods = {
        {"1", "Гвозди строительные 100 мм", "кг", "2.5", "180", "450"},
        {"2", "Шурупы по дереву 4×40, упаковка 200 шт.", "уп", "3", "120", "360"},
        {"3", "Дюбель-гвоздь 6×40", "шт", "100", "1.5", "150"},
        {"4", "Лента малярная 50 мм", "рул", "4", "96.75", "387"},
        {"5", "Перчатки х/б", "пар", "5", "77.85", "389.25"},
    };
    QList<QStringList> rows;
    for (int i = 0; i < lines; ++i) {
        QStringList row = goods[i % goods.size()];
        row[0] = QString::number(i + 1);
        rows << row;
    }
    grid.setHeadings(kHeadings);
    grid.setLines(rows);
}

void oneTextPdfPage()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(g_dir + "/one.pdf");
    QPainter painter(&printer);
    painter.drawText(QPointF(100, 100), QStringLiteral("Товарный чек"));
    painter.end();
}

PrintResult receiptPdf(const MemoryFlexGrid &grid)
{
    auto printer = newPdfPrinter(g_dir + "/receipt.pdf");
    return printReceipt(*printer, sampleTexts(), grid);
}

void BM_OneTextPdfPage(benchmark::State &state)
{
    for (auto _ : state)
        oneTextPdfPage();
}
BENCHMARK(BM_OneTextPdfPage)->Unit(benchmark::kMillisecond);

void BM_ReceiptPdf(benchmark::State &state)
{
    MemoryFlexGrid grid;
    fill(grid, int(state.range(0)));
    int pages = 0;
    for (auto _ : state) {
        const PrintResult result = receiptPdf(grid);
        if (!result.ok)
            state.SkipWithError(qPrintable(result.reason));
        pages = result.pages;
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_ReceiptPdf)->Arg(41)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_LayoutOnly(benchmark::State &state)
{
    MemoryFlexGrid grid;
    fill(grid, int(state.range(0)));
    const auto printer = newPdfPrinter(g_dir + "/layout.pdf");
    const TextWidth textWidth = printerTextWidth(*printer);
    for (auto _ : state)
        benchmark::DoNotOptimize(tabPrint(sampleTexts(), grid, QSize(11906, 16838), textWidth));
}
BENCHMARK(BM_LayoutOnly)->Arg(41)->Arg(1000)->Unit(benchmark::kMicrosecond);

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The 41-line receipt against the one-text page side by side: the two take turns (each going first
// every other round), so that a change in the machine's load falls on both alike, and each is timed
// by the processor time it takes, so that other programs' work is not counted. Prints the medians.
void sideBySide(int rounds)
{
    MemoryFlexGrid grid;
    fill(grid, 41);
    std::vector<double> one, receipt;
    const auto timed = [](auto &&work) {
        const std::clock_t start = std::clock();
        work();
        return double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
    };
    for (int i = 0; i < rounds; ++i) {
        if (i % 2 == 0)
            one.push_back(timed(oneTextPdfPage));
        receipt.push_back(timed([&] { receiptPdf(grid); }));
        if (i % 2 == 1)
            one.push_back(timed(oneTextPdfPage));
    }
    const double a = median(one), b = median(receipt);
    std::printf("side by side, %d rounds, processor time, median: one-text page %.2f ms, 41-line receipt %.2f ms: "
                "%.2fx (goal <= 2x)\n", rounds, a, b, b / a);
}

// Keeps each benchmark's real time so that the ratio can be printed after the table.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc == 3 && std::strcmp(argv[1], "--receipt-pdf") == 0) {
        MemoryFlexGrid grid;
        fill(grid, 5);
        auto printer = newPdfPrinter(QString::fromLocal8Bit(argv[2]));
        const PrintResult result = printReceipt(*printer, sampleTexts(), grid);
        std::printf("%s\n", result.ok ? "written" : qPrintable(result.reason));
        return result.ok ? 0 : 1;
    }

    // --rounds=N: rounds of the side-by-side measure (101 by default; 0 leaves it out).
    int rounds = 101;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0) {
            rounds = std::atoi(argv[i] + 9);
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    }

    QTemporaryDir dir;
    g_dir = dir.path();
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto one = reporter.times.find("BM_OneTextPdfPage");
    const auto receipt = reporter.times.find("BM_ReceiptPdf/41");
    if (one != reporter.times.end() && receipt != reporter.times.end() && one->second > 0)
        std::printf("41-line receipt / one-text page: %.2fx (goal <= 2x)\n", receipt->second / one->second);
    const auto thousand = reporter.times.find("BM_ReceiptPdf/1000");
    if (thousand != reporter.times.end())
        std::printf("1000-line receipt to PDF: %.0f ms (goal < 1000 ms)\n", thousand->second);
    if (rounds > 0)
        sideBySide(rounds);
    return 0;
}
