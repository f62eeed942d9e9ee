// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the leading-number reading (quantity and price cells) under a "," and a "." locale,
// with the rounding to three places and the locale text that every line sum goes through.
#include "numbertext.h"

#include <benchmark/benchmark.h>

#include <QStringList>

namespace {

const QStringList &cells()
{
    static const QStringList texts = {
        QStringLiteral("2"),          QStringLiteral("10.5"),     QStringLiteral("12,5"),
        QStringLiteral("2 шт"),       QStringLiteral("1234.567"), QStringLiteral(" 0,0625 "),
        QStringLiteral(""),           QStringLiteral("&HFF"),     QStringLiteral("1.5E3"),
        QStringLiteral("199 руб."),
    };
    return texts;
}

void leadingNumberCells(benchmark::State &state, const QLocale &locale)
{
    const QStringList &texts = cells();
    for (auto _ : state)
        for (const QString &text : texts)
            benchmark::DoNotOptimize(leadingNumber(text, locale));
    state.SetItemsProcessed(state.iterations() * texts.size());
}

void BM_leadingNumber_comma(benchmark::State &state)
{
    leadingNumberCells(state, QLocale(QLocale::Russian, QLocale::Russia));
}
void BM_leadingNumber_point(benchmark::State &state)
{
    leadingNumberCells(state, QLocale::c());
}

// One line sum as the grid computes it: two readings, a product rounded to three places, its text.
void BM_lineSum_comma(benchmark::State &state)
{
    const QLocale locale(QLocale::Russian, QLocale::Russia);
    const QString quantity = QStringLiteral("0,5");
    const QString price = QStringLiteral("12.35");
    for (auto _ : state)
        benchmark::DoNotOptimize(
            localeNumberText(roundTo3(leadingNumber(quantity, locale) * leadingNumber(price, locale)), locale));
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_leadingNumber_comma);
BENCHMARK(BM_leadingNumber_point);
BENCHMARK(BM_lineSum_comma);
BENCHMARK_MAIN();
