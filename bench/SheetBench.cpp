// Whole-sheet evaluation of generated mixed sheets of 100, 1,000 and 10,000 lines, alone and with
// the other sheets offered for their def functions; and the same followed by formatting every
// answer, as the editor does after each keystroke.
//
//   SheetBench [benchmark flags]
//   SheetBench --write-input LINES [--shared]   the vell-eval input of that sheet, on stdout

#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "Sheet/DocumentEvaluator.h"
#include "SheetGenerator.h"

#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string_view>

namespace {

using namespace vell;

void evaluateSheet(benchmark::State& state, bool shared) {
    const std::string text = bench::generateSheet(
        {.lines = static_cast<std::size_t>(state.range(0)), .callsSharedFunctions = shared});
    const std::vector<SharedSheet> others = shared ? bench::sharedSheets() : std::vector<SharedSheet>{};
    // A sheet cut short by the time limit would measure less than the whole sheet.
    const std::string tooLong = L10n::text("繰り返しに時間がかかりすぎます", "The loop is taking too long");
    for (const LineResult& result : DocumentEvaluator::evaluate(text, others))
        if (const auto* failure = result.outcome.as<LineOutcome::Failure>();
            failure && failure->message == tooLong) {
            state.SkipWithError("the sheet met the time limit");
            return;
        }
    for (auto _ : state) {
        auto results = DocumentEvaluator::evaluate(text, others);
        benchmark::DoNotOptimize(results.data());
    }
    state.SetComplexityN(state.range(0));
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Sheet(benchmark::State& state) {
    evaluateSheet(state, false);
}
BENCHMARK(BM_Sheet)
    ->RangeMultiplier(10)
    ->Range(100, 10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_SheetWithSharedFunctions(benchmark::State& state) {
    evaluateSheet(state, true);
}
BENCHMARK(BM_SheetWithSharedFunctions)
    ->RangeMultiplier(10)
    ->Range(100, 10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The answer column's work too: every value formatted.
void BM_SheetAndFormat(benchmark::State& state) {
    const std::string text = bench::generateSheet({.lines = static_cast<std::size_t>(state.range(0))});
    for (auto _ : state) {
        std::size_t characters = 0;
        for (const LineResult& result : DocumentEvaluator::evaluate(text))
            if (const Value* value = result.outcome.as<Value>())
                characters += ValueFormatter::format(*value, true).size();
        benchmark::DoNotOptimize(characters);
    }
}
BENCHMARK(BM_SheetAndFormat)->Arg(1000)->Unit(benchmark::kMillisecond);

// The vell-eval input of a generated sheet, for measuring the tool from outside (peak memory).
int writeInput(int argc, char** argv) {
    std::size_t lines = 0;
    const std::string_view count = argc > 2 ? argv[2] : "";
    const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), lines);
    const bool shared = argc > 3 && std::string_view(argv[3]) == "--shared";
    if (ec != std::errc() || end != count.data() + count.size() || lines == 0 || argc > (shared ? 4 : 3)) {
        std::cerr << "usage: SheetBench --write-input LINES [--shared]\n";
        return 2;
    }
    nlohmann::ordered_json input;
    input["sheet"] = bench::generateSheet({.lines = lines, .callsSharedFunctions = shared});
    input["others"] = nlohmann::ordered_json::array();
    if (shared)
        for (const SharedSheet& sheet : bench::sharedSheets())
            input["others"].push_back({{"name", sheet.name}, {"text", sheet.text}});
    input["language"] = "english";
    const std::string json = input.dump() + "\n";
    std::fwrite(json.data(), 1, json.size(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--write-input") return writeInput(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
