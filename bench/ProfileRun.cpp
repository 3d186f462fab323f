// Runs one benchmark workload for a profiler: a warm-up evaluation (so that the tables built on first
// use are not counted), then REPEAT evaluations inside profiledRuns(). The budget's clock stands
// still, so that a slow profiler does not meet the time limit and cut the work short.
//
//   ProfileRun WORKLOAD [REPEAT]
//   valgrind --tool=callgrind --toggle-collect='*profiledRuns*' build/bin/ProfileRun sheet1000
//
// Workloads: sheet100, sheet1000, sheet10000, shared1000, while, whilecalls, curve, surface, and
// lines: each of the short lines of ShortLines.h as the one line of its sheet, its answer formatted.

#include "Engine/ValueFormatter.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/ProgramRunner.h"
#include "SheetGenerator.h"
#include "ShortLines.h"

#include <charconv>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vell;

struct Workload {
    std::string_view name;
    std::string sheet;
    std::vector<SharedSheet> others;
    // Every line is a sheet of its own, and a value's answer is formatted.
    bool eachLine = false;
};

std::vector<Workload> workloads() {
    return {
        {"sheet100", bench::generateSheet({.lines = 100}), {}},
        {"sheet1000", bench::generateSheet({.lines = 1000}), {}},
        {"sheet10000", bench::generateSheet({.lines = 10000}), {}},
        {"shared1000", bench::generateSheet({.lines = 1000, .callsSharedFunctions = true}),
         bench::sharedSheets()},
        {"while", "i = 0\nwhile i < 1000000:\n    i = i + 1\n", {}},
        {"whilecalls",
         "def next(n):\n    return n + 1\ni = 0\nacc = 0 kg\nwhile i < 1000000:\n    i = next(i)\n"
         "    if i % 2 == 0:\n        acc = acc + 250 g\n",
         {}},
        {"curve", "plot(x^2 - 3x)", {}},
        {"surface", "plot(sin(x) + cos(y), -6, 6)", {}},
        {"lines", bench::shortLinesSheet(), {}, true},
    };
}

std::size_t evaluate(const Workload& workload) {
    const auto now = ProgramBudget::Clock::now();
    if (workload.eachLine) {
        std::size_t characters = 0;
        for (const std::string_view line : DocumentEvaluator::splitLines(workload.sheet)) {
            ProgramRunner runner({line}, workload.others, [now] { return now; });
            for (const LineResult& result : runner.run())
                if (const Value* value = result.outcome.as<Value>())
                    characters += ValueFormatter::format(*value, true).size();
        }
        return characters;
    }
    ProgramRunner runner(DocumentEvaluator::splitLines(workload.sheet), workload.others,
                         [now] { return now; });
    return runner.run().size();
}

[[gnu::noinline]] std::size_t profiledRuns(const Workload& workload, std::size_t repeat) {
    std::size_t lines = 0;
    for (std::size_t i = 0; i < repeat; ++i)
        lines += evaluate(workload);
    return lines;
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view name = argc > 1 ? argv[1] : "";
    std::size_t repeat = 1;
    if (argc > 2) {
        const std::string_view count = argv[2];
        std::from_chars(count.data(), count.data() + count.size(), repeat);
    }
    for (const Workload& workload : workloads()) {
        if (workload.name != name) continue;
        evaluate(workload);
        const std::size_t lines = profiledRuns(workload, repeat);
        std::cout << lines << (workload.eachLine ? " characters of answers\n" : " line results\n");
        return 0;
    }
    std::cerr << "usage: ProfileRun WORKLOAD [REPEAT]\n";
    return 2;
}
