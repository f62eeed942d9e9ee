// SPDX-License-Identifier: GPL-3.0-or-later
// SummaString against ICU's Russian spellout, on the same numbers in one run. The ratio of their
// throughputs is printed at the end.

#include "summastring.h"

#include <QRandomGenerator>
#include <QString>

#include <benchmark/benchmark.h>
#include <unicode/locid.h>
#include <unicode/rbnf.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// Amounts of every size: a third below a thousand, a third below a million, a third of any 32-bit value.
const std::vector<qint32> &numbers()
{
    static const std::vector<qint32> sample = [] {
        QRandomGenerator random(20240611);
        std::vector<qint32> values(4096);
        for (size_t i = 0; i < values.size(); ++i) {
            switch (i % 3) {
            case 0:
                values[i] = qint32(random.bounded(1000));
                break;
            case 1:
                values[i] = qint32(random.bounded(1000000));
                break;
            default:
                values[i] = qint32(random.generate());
                break;
            }
        }
        return values;
    }();
    return sample;
}

const QString Rouble1 = QStringLiteral("рубль");
const QString Rouble2 = QStringLiteral("рубля");
const QString Rouble5 = QStringLiteral("рублей");

// One string kept for all the numbers, as a loop over many amounts would.
void SummaStringReused(benchmark::State &state)
{
    QString summa;
    for (auto _ : state) {
        for (const qint32 number : numbers()) {
            SummaString(summa, number, 1, Rouble1, Rouble2, Rouble5);
            benchmark::DoNotOptimize(summa.constData());
        }
    }
    state.SetItemsProcessed(state.iterations() * qint64(numbers().size()));
}
BENCHMARK(SummaStringReused);

// A new string for each number, as the receipt window does.
void SummaStringFresh(benchmark::State &state)
{
    for (auto _ : state) {
        for (const qint32 number : numbers()) {
            QString summa;
            SummaString(summa, number, 1, Rouble1, Rouble2, Rouble5);
            benchmark::DoNotOptimize(summa.constData());
        }
    }
    state.SetItemsProcessed(state.iterations() * qint64(numbers().size()));
}
BENCHMARK(SummaStringFresh);

// ICU writes the number words only, without a noun.
void IcuSpellout(benchmark::State &state)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::RuleBasedNumberFormat format(icu::URBNF_SPELLOUT, icu::Locale("ru"), status);
    const icu::UnicodeString ruleSet(u"%spellout-cardinal-masculine");
    if (U_FAILURE(status)) {
        state.SkipWithError("ICU has no Russian spellout rules");
        return;
    }
    icu::UnicodeString text;
    for (auto _ : state) {
        for (const qint32 number : numbers()) {
            text.remove();
            icu::FieldPosition position;
            format.format(number, ruleSet, text, position, status);
            benchmark::DoNotOptimize(text.getBuffer());
        }
    }
    state.SetItemsProcessed(state.iterations() * qint64(numbers().size()));
}
BENCHMARK(IcuSpellout);

// Prints the runs as usual and keeps each benchmark's throughput for the ratios.
class ThroughputReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const auto counter = run.counters.find("items_per_second");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && counter != run.counters.end())
                m_throughput[run.run_name.function_name] = counter->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double throughput(const std::string &name) const
    {
        const auto found = m_throughput.find(name);
        return found == m_throughput.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> m_throughput;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ThroughputReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double icu = reporter.throughput("IcuSpellout");
    if (icu > 0) {
        for (const char *name : {"SummaStringReused", "SummaStringFresh"}) {
            const double own = reporter.throughput(name);
            if (own > 0)
                std::printf("%s: %.1f times ICU's throughput\n", name, own / icu);
        }
    }
    return 0;
}
