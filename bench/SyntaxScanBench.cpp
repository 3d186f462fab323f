// The syntax colouring's scan of every line of the generated 1,000-line sheet, as the editor runs it
// when it colours a whole sheet (on opening it, or after a change of colours, appearance or text size).

#include "LineRules/SyntaxScan.h"
#include "SheetGenerator.h"
#include "Unicode/Unicode.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using namespace vell;

// The lines as the editor holds them: UTF-16, without their line breaks.
std::vector<std::u16string> sheetLines(std::size_t count) {
    const std::u16string text = unicode::toUtf16(bench::generateSheet({.lines = count}));
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(u'\n', start)) != std::u16string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

void BM_ScanSheet(benchmark::State& state) {
    const std::vector<std::u16string> lines = sheetLines(static_cast<std::size_t>(state.range(0)));
    std::size_t runs = 0;
    for (auto _ : state) {
        runs = 0;
        for (const std::u16string& line : lines) {
            const std::vector<SyntaxRun> found = SyntaxScan::runs(line);
            runs += found.size();
            benchmark::DoNotOptimize(found.data());
        }
    }
    state.counters["runs"] = static_cast<double>(runs);
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(lines.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ScanSheet)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
