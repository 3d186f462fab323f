// One keystroke's evaluation of a large sheet: one line changed, then the whole sheet evaluated,
// afresh (DocumentEvaluator::evaluate) and through the sheet's cache of its previous evaluation
// (evaluateCached). Each iteration changes the line back or forth, so every one is a real edit.
// Sheets: the generated mixed sheet of 10,000 lines, 10,000 curve lines, 2,000 surface lines, and a
// sheet holding one very long line "1+1+…" (each iteration changes a short line below it). Also
// a long line alone, by its length, read and evaluated (or refused as too long). The cache evaluates
// the lines above an edit no more, so the mixed sheet is also keyed near its top and at its end, and
// typed into line after line at its end.
//
//   SheetCacheBench [benchmark flags]
//   SheetCacheBench --profile SHEET afresh|cached [KEYS]   KEYS keys (10) inside profiledKeys(), after a
//       warm-up, with the budget's clock held still; SHEET is mixed, mixedTop, mixedEnd, curves or
//       surfaces:
//   valgrind --tool=callgrind --toggle-collect='*profiledKeys*' build/bin/SheetCacheBench --profile mixed
//   cached

#include "Engine/L10n.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/ProgramRunner.h"
#include "Sheet/SheetEvaluationCache.h"
#include "SheetGenerator.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <charconv>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vell;

using bench::joined;
using bench::linesOf;

// The sheet before and after a key typed at the end of the line.
struct Edit {
    std::string before;
    std::string after;
};

// The key goes before the last character of the line when `beforeLast`, else at its end.
Edit typedInto(std::vector<std::string> lines, std::size_t line, std::string_view key,
               bool beforeLast = false) {
    Edit edit;
    edit.before = joined(lines);
    lines[line].insert(beforeLast ? lines[line].size() - 1 : lines[line].size(), key);
    edit.after = joined(lines);
    return edit;
}

// The generated mixed sheet; the key is a digit added to the first value line from the line at the
// fraction of the sheet (the middle unless told).
Edit mixedSheet(double at = 0.5) {
    std::vector<std::string> lines = linesOf(bench::generateSheet({.lines = 10000}));
    auto line = static_cast<std::size_t>(static_cast<double>(lines.size()) * at);
    while (line + 1 < lines.size() && lines[line].find(" = ") == std::string::npos)
        ++line;
    return typedInto(std::move(lines), line, "1");
}

// As the editor's benchmark types: at the end of line 6.
Edit mixedSheetTop() {
    return typedInto(linesOf(bench::generateSheet({.lines = 10000})), 5, "1");
}

// Curves with a few different bounds and expressions, some reading a named value above them.
Edit curveSheet() {
    std::vector<std::string> lines{"k = 3"};
    for (std::size_t i = 1; i < 10000; ++i) {
        const std::string n = bench::decimalText(i % 97 + 1);
        switch (i % 4) {
        case 0:
            lines.push_back("plot(sin(x) × " + n + ")");
            break;
        case 1:
            lines.push_back("plot(x^2 - " + n + "x, -5, 5)");
            break;
        case 2:
            lines.push_back("plot(k × cos(x / " + n + "))");
            break;
        default:
            lines.push_back("graph(sqrt(abs(x)) + " + n + ", -10, 10)");
            break;
        }
    }
    return typedInto(std::move(lines), 5000, "0", true);
}

Edit surfaceSheet() {
    std::vector<std::string> lines{"k = 3"};
    for (std::size_t i = 1; i < 2000; ++i) {
        const std::string n = bench::decimalText(i % 89 + 1);
        lines.push_back(i % 2 ? "plot(sin(x) + cos(y) × " + n + ")"
                              : "plot(k × x × y / " + n + ", -3, 3, -2, 2)");
    }
    return typedInto(std::move(lines), 1000, "0", true);
}

std::string additions(std::size_t bytes) {
    std::string line = "1";
    line.reserve(bytes);
    while (line.size() + 2 <= bytes)
        line += "+1";
    return line;
}

// A line of about 1 MB "1+1+…" between a few short lines; the key goes into the line after it.
Edit longLineSheet() {
    return typedInto({"a = 2", additions(1 << 20), "a × 3", "sum"}, 2, "0");
}

bool cutShort(const std::vector<LineResult>& results) {
    const std::string tooLong = L10n::text("繰り返しに時間がかかりすぎます", "The loop is taking too long");
    return std::any_of(results.begin(), results.end(), [&](const LineResult& result) {
        const auto* failure = result.outcome.as<LineOutcome::Failure>();
        return failure && failure->message == tooLong;
    });
}

void keyAfresh(benchmark::State& state, const Edit& edit) {
    // Past the time limit the rest of the sheet fails unevaluated: the figure is then the limit's.
    state.counters["cut short"] = cutShort(DocumentEvaluator::evaluate(edit.after)) ? 1 : 0;
    bool after = false;
    for (auto _ : state) {
        auto results = DocumentEvaluator::evaluate(after ? edit.after : edit.before);
        benchmark::DoNotOptimize(results.data());
        after = !after;
    }
}

void keyCached(benchmark::State& state, const Edit& edit) {
    // A large sheet of plots meets the time limit on its first evaluations; each one keeps what it
    // got to, and the next goes on from there. Measured once both texts are complete.
    SheetEvaluationCache cache;
    for (int round = 0; round < 200; ++round) {
        const bool before = cutShort(DocumentEvaluator::evaluateCached(edit.before, {}, cache));
        if (!cutShort(DocumentEvaluator::evaluateCached(edit.after, {}, cache)) && !before) break;
    }
    DocumentEvaluator::evaluateCached(edit.before, {}, cache);
    bool after = true;
    for (auto _ : state) {
        auto results = DocumentEvaluator::evaluateCached(after ? edit.after : edit.before, {}, cache);
        benchmark::DoNotOptimize(results.data());
        after = !after;
    }
}

void BM_KeyMixed10000(benchmark::State& state) {
    static const Edit edit = mixedSheet();
    state.range(0) ? keyCached(state, edit) : keyAfresh(state, edit);
}
BENCHMARK(BM_KeyMixed10000)->ArgName("cached")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_KeyMixedTop10000(benchmark::State& state) {
    static const Edit edit = mixedSheetTop();
    keyCached(state, edit);
}
BENCHMARK(BM_KeyMixedTop10000)->Unit(benchmark::kMillisecond);

void BM_KeyMixedEnd10000(benchmark::State& state) {
    static const Edit edit = mixedSheet(0.99);
    keyCached(state, edit);
}
BENCHMARK(BM_KeyMixedEnd10000)->Unit(benchmark::kMillisecond);

// Lines typed at the end of the mixed sheet a key at a time, a line break first: each new line moves
// where the next keys go on from.
void BM_NewLinesAtTheEnd10000(benchmark::State& state) {
    static const std::string sheet = bench::generateSheet({.lines = 10000});
    static constexpr std::string_view keys[] = {"\n", "n", "e", "w", " ", "=", " ",
                                                "1",  "2", " ", "×", " ", "3"};
    SheetEvaluationCache cache;
    std::string text = sheet;
    DocumentEvaluator::evaluateCached(text, {}, cache);
    std::size_t key = 0;
    for (auto _ : state) {
        text += keys[key++ % std::size(keys)];
        auto results = DocumentEvaluator::evaluateCached(text, {}, cache);
        benchmark::DoNotOptimize(results.data());
    }
}
BENCHMARK(BM_NewLinesAtTheEnd10000)->Unit(benchmark::kMillisecond);

void BM_KeyCurves10000(benchmark::State& state) {
    static const Edit edit = curveSheet();
    state.range(0) ? keyCached(state, edit) : keyAfresh(state, edit);
}
BENCHMARK(BM_KeyCurves10000)->ArgName("cached")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_KeySurfaces2000(benchmark::State& state) {
    static const Edit edit = surfaceSheet();
    state.range(0) ? keyCached(state, edit) : keyAfresh(state, edit);
}
BENCHMARK(BM_KeySurfaces2000)->ArgName("cached")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_KeyBesideLongLine(benchmark::State& state) {
    static const Edit edit = longLineSheet();
    state.range(0) ? keyCached(state, edit) : keyAfresh(state, edit);
}
BENCHMARK(BM_KeyBesideLongLine)->ArgName("cached")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One line "1+1+…" of about the given size, alone on its sheet.
void BM_LongLine(benchmark::State& state) {
    const std::string line = additions(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto results = DocumentEvaluator::evaluate(line);
        benchmark::DoNotOptimize(results.data());
    }
}
BENCHMARK(BM_LongLine)
    ->Arg(1000)
    ->Arg(32 * 1024)
    ->Arg(64 * 1024)
    ->Arg(100 * 1024)
    ->Arg(320 * 1024)
    ->Arg(1024 * 1024)
    ->Unit(benchmark::kMillisecond);

// The profile mode: the same keys, with a clock that stands still so that the profiler's slowness
// meets no time limit.
ProgramBudget::ClockSource stillClock() {
    const auto now = ProgramBudget::Clock::now();
    return [now] { return now; };
}

std::size_t evaluateAfresh(const std::string& text) {
    ProgramRunner runner(DocumentEvaluator::splitLines(text), {}, stillClock());
    return runner.run().size();
}

[[gnu::noinline]] std::size_t profiledKeys(const Edit& edit, SheetEvaluationCache* cache, std::size_t keys) {
    std::size_t lines = 0;
    for (std::size_t i = 0; i < keys; ++i) {
        const std::string& text = i % 2 == 0 ? edit.after : edit.before;
        lines += cache ? DocumentEvaluator::evaluateCached(text, {}, *cache).size() : evaluateAfresh(text);
    }
    return lines;
}

int profile(int argc, char** argv) {
    const std::string_view sheet = argc > 2 ? argv[2] : "";
    const std::string_view mode = argc > 3 ? argv[3] : "";
    std::size_t keys = 10;
    if (argc > 4) {
        const std::string_view count = argv[4];
        const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), keys);
        if (ec != std::errc() || end != count.data() + count.size()) keys = 0;
    }
    const bool known = sheet == "mixed" || sheet == "mixedTop" || sheet == "mixedEnd" || sheet == "curves" ||
                       sheet == "surfaces";
    if (!known || (mode != "afresh" && mode != "cached") || keys == 0 || argc > 5) {
        std::cerr << "usage: SheetCacheBench --profile mixed|mixedTop|mixedEnd|curves|surfaces afresh|cached "
                     "[KEYS]\n";
        return 2;
    }
    const Edit edit = sheet == "mixed"      ? mixedSheet()
                      : sheet == "mixedTop" ? mixedSheetTop()
                      : sheet == "mixedEnd" ? mixedSheet(0.99)
                      : sheet == "curves"   ? curveSheet()
                                            : surfaceSheet();
    SheetEvaluationCache cache(stillClock());
    SheetEvaluationCache* used = mode == "cached" ? &cache : nullptr;
    // The warm-up: tables built on first use, and the cache filled with the sheet before the key.
    used ? DocumentEvaluator::evaluateCached(edit.before, {}, cache).size() : evaluateAfresh(edit.before);
    std::cout << profiledKeys(edit, used, keys) << " lines\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--profile") return profile(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
