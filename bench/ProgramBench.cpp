// Programs that run into the step limit: a runaway while loop must meet the limit of 200,000 steps
// long before the 0.15 s time limit, so it is measured to the last step.

#include "Engine/L10n.h"
#include "Sheet/DocumentEvaluator.h"

#include <benchmark/benchmark.h>
#include <string>
#include <string_view>

namespace {

using namespace vell;

// Evaluates the sheet; the run is refused when `line` does not fail with the step limit's message
// (the time limit came first, or the sheet is not what it was meant to be).
void runToStepLimit(benchmark::State& state, std::string_view sheet, std::size_t line) {
    const std::string tooManySteps = L10n::text("繰り返しが多すぎます", "Too many loop steps");
    for (auto _ : state) {
        auto results = DocumentEvaluator::evaluate(sheet);
        const auto* failure = results[line].outcome.as<LineOutcome::Failure>();
        if (!failure || failure->message != tooManySteps) {
            state.SkipWithError("the loop did not end at the step limit");
            break;
        }
        benchmark::DoNotOptimize(results.data());
    }
}

// 2 steps before the loop, then 2 per iteration (the iteration and its one line).
void BM_WhileToStepLimit(benchmark::State& state) {
    runToStepLimit(state,
                   "i = 0\n"
                   "while i < 1000000:\n"
                   "    i = i + 1\n",
                   1);
}
BENCHMARK(BM_WhileToStepLimit)->Unit(benchmark::kMillisecond);

// A loop body as people write them: a call of their own function, a running total, a condition.
void BM_WhileWithCallsToStepLimit(benchmark::State& state) {
    runToStepLimit(state,
                   "def next(n):\n"
                   "    return n + 1\n"
                   "i = 0\n"
                   "acc = 0 kg\n"
                   "while i < 1000000:\n"
                   "    i = next(i)\n"
                   "    if i % 2 == 0:\n"
                   "        acc = acc + 250 g\n",
                   4);
}
BENCHMARK(BM_WhileWithCallsToStepLimit)->Unit(benchmark::kMillisecond);

// A for loop over a range that stays within the budget: 1 + 20,000 × (1 + 2) + 1 steps.
void BM_ForRange(benchmark::State& state) {
    const std::string_view sheet = "acc = 0\n"
                                   "for k in range(20000):\n"
                                   "    acc = acc + k × 2\n"
                                   "    last = sqrt(k)\n"
                                   "acc\n";
    for (auto _ : state) {
        auto results = DocumentEvaluator::evaluate(sheet);
        benchmark::DoNotOptimize(results.data());
    }
}
BENCHMARK(BM_ForRange)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
