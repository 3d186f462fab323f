// The document store's first question on every keystroke: is the new text the old one, up to canonical
// equivalence? The cost should follow the edited line, not the length of the sheet.

#include "Unicode/Unicode.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

void equalityAfterAKeystroke(benchmark::State& state) {
    std::string before;
    for (std::int64_t i = 0; i < state.range(0); ++i)
        before += i % 2 ? "単価 = 1200 × 35 // 見積もり\n" : "total = 単価 × (1 + 10%)\n";
    std::string after = before;
    after.insert(after.begin() + static_cast<std::ptrdiff_t>(after.size() / 2), '1');
    for (auto _ : state)
        benchmark::DoNotOptimize(vell::unicode::canonicallyEqual(before, after));
    state.SetLabel(std::to_string(before.size()) + " bytes");
}
BENCHMARK(equalityAfterAKeystroke)->Arg(100)->Arg(2000)->Arg(20000);

} // namespace

BENCHMARK_MAIN();
