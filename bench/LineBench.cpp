// One line at a time through lex, parse, evaluate and format, for profiling the pieces of the
// whole-sheet figures; each line is the only line of its sheet. BM_ShortLines runs all the short
// unit conversions and arithmetic of ShortLines.h, one after the other.

#include "Engine/ValueFormatter.h"
#include "Sheet/DocumentEvaluator.h"
#include "ShortLines.h"

#include <benchmark/benchmark.h>
#include <string_view>

namespace {

using namespace vell;

constexpr std::string_view lines[] = {
    "1200 × 35",
    "price = 1,200",
    "(21.1 + 10.3) * 8",
    "24% of 15573",
    "36 kN / (120 mm × 300 mm) in N/mm2",
    "100 °C in °F",
    "2 h + 30 min",
    "3万 + 1500円",
    "sqrt(9105) + round(59.5)",
    "prices = [4800, 12000, 3200, 9600]",
    "\"width \" + str(120 mm)",
    "// a note",
    "Remember to ask about the delivery",
    "来週までに見積もりを確認する",
    "5 +",
};

void BM_Line(benchmark::State& state) {
    const std::string_view line = lines[state.range(0)];
    state.SetLabel(std::string(line));
    for (auto _ : state) {
        auto results = DocumentEvaluator::evaluate(line);
        if (const Value* value = results.front().outcome.as<Value>()) {
            auto text = ValueFormatter::format(*value, true);
            benchmark::DoNotOptimize(text.data());
        }
        benchmark::DoNotOptimize(results.data());
    }
}
BENCHMARK(BM_Line)->DenseRange(0, std::size(lines) - 1)->Unit(benchmark::kMicrosecond);

void BM_ShortLines(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string_view line : bench::shortLines) {
            auto results = DocumentEvaluator::evaluate(line);
            if (const Value* value = results.front().outcome.as<Value>()) {
                auto text = ValueFormatter::format(*value, true);
                benchmark::DoNotOptimize(text.data());
            }
            benchmark::DoNotOptimize(results.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * std::size(bench::shortLines));
}
BENCHMARK(BM_ShortLines)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
