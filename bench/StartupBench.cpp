// Process start to first paint of the program build/bin/Vell, on a display of its own (run it under
// xvfb-run or with DISPLAY set), with empty user folders except for accepted terms, so the first
// window shows the starter document. Vell's start-up probe writes the monotonic time of its first
// paint and quits; the time taken before the start is subtracted. Each run also reports the child's
// peak resident memory. The first run warms the file cache and is not counted.
//
// The other benchmarks start Vell on a stored document whose first sheet, the one shown, is large:
// the generated mixed sheet of 1,000, 10,000 and 100,000 lines, one line of a megabyte, and 10,000
// plot lines; or on a document of 100,000 small sheets (`BM_StartWithManySheets`). A run that has
// not painted after VELL_BENCH_START_LIMIT seconds (default 60) is stopped and fails the benchmark.

#include "Document/VellDocument.h"
#include "LargeSheets.h"
#include "ManySheets.h"
#include "StartVell.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using vell::bench::asStarts;
using vell::bench::startVellRuns;

// Places the encoded starter document with its first sheet's text replaced.
vell::bench::PlaceDocument withFirstSheet(const std::string& text) {
    vell::VellDocument document = vell::VellDocument::starter();
    document.sheets.front().text = text;
    return [encoded = document.encode()](const std::filesystem::path& dataFolder) {
        std::ofstream(dataFolder / "document.json", std::ios::binary) << encoded;
    };
}

void BM_StartToFirstPaint(benchmark::State& state) {
    startVellRuns(state, {});
}

void BM_StartWithSheet(benchmark::State& state) {
    startVellRuns(state, withFirstSheet(vell::bench::generateSheet(
                             {.lines = static_cast<std::size_t>(state.range(0))})));
}

void BM_StartWithLongLine(benchmark::State& state) {
    startVellRuns(state, withFirstSheet(vell::bench::longSumLine()));
}

void BM_StartWithPlots(benchmark::State& state) {
    startVellRuns(state, withFirstSheet(vell::bench::plotSheet(static_cast<std::size_t>(state.range(0)))));
}

void BM_StartWithManySheets(benchmark::State& state) {
    static const std::string encoded = vell::bench::manySheets().encode();
    startVellRuns(state, [](const std::filesystem::path& dataFolder) {
        std::ofstream(dataFolder / "document.json", std::ios::binary) << encoded;
    });
}

BENCHMARK(BM_StartToFirstPaint)->Apply(asStarts<20>);
BENCHMARK(BM_StartWithSheet)->Arg(1000)->Arg(10000)->Arg(100000)->Apply(asStarts<5>);
BENCHMARK(BM_StartWithLongLine)->Apply(asStarts<3>);
BENCHMARK(BM_StartWithPlots)->Arg(10000)->Apply(asStarts<3>);
BENCHMARK(BM_StartWithManySheets)->Apply(asStarts<5>);

} // namespace

BENCHMARK_MAIN();
