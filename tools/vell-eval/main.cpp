// vell-eval: evaluates a sheet from the command line and prints one JSON object per line.
//
//   vell-eval [--repeat N] [FILE]
//
// The input is one JSON object, read from FILE or from stdin:
//   {"sheet": "...", "others": [{"name": "...", "text": "..."}], "language": "english",
//    "degrees": false, "maxFractionDigits": 10, "grouping": true}
// Only "sheet" is required. --repeat N evaluates the input N times and ends with the median time of
// one evaluation on stderr.
//
// Exit status: 0 done, 2 wrong arguments or malformed input.

#include "HarnessInput.h"
#include "PlotJson.h"
#include "ReadFile.h"
#include "SheetRun.h"
#include "Unicode/Decimal.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vell::harness;
using vell::decimal;

constexpr std::string_view usage = "usage: vell-eval [--repeat N] [FILE]\n";

struct UsageError {
    std::string message;
};

struct Options {
    std::optional<std::string> path;
    std::size_t repeat = 0;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--repeat") {
            if (i + 1 >= argc) throw UsageError{"--repeat needs a count"};
            const std::string_view count = argv[++i];
            std::size_t n = 0;
            const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), n);
            if (ec != std::errc() || end != count.data() + count.size() || n == 0)
                throw UsageError{"--repeat takes a whole number of at least 1"};
            options.repeat = n;
        } else if (arg.starts_with("--")) {
            throw UsageError{"unknown option " + std::string(arg)};
        } else if (arg.empty() || options.path) {
            throw UsageError{"give at most one input file"};
        } else {
            options.path = std::string(arg);
        }
    }
    return options;
}

std::string readInput(const std::optional<std::string>& path) {
    if (!path) {
        std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        if (std::cin.bad()) throw InputError("stdin cannot be read");
        return bytes;
    }
    auto bytes = vell::tools::readWholeFile(*path);
    if (!bytes) throw InputError(*path + ": cannot be read");
    return std::move(*bytes);
}

std::string microseconds(double value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    (void)ec;
    return std::string(buffer, end);
}

// Evaluates `repeat` times and returns the reports of the last run and the median time in µs.
std::pair<std::vector<LineReport>, double> timedRuns(const HarnessInput& input, std::size_t repeat) {
    std::vector<double> times;
    times.reserve(repeat);
    std::vector<LineReport> reports;
    for (std::size_t i = 0; i < repeat; ++i) {
        const auto start = std::chrono::steady_clock::now();
        reports = evaluateSheet(input);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    const double median = times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    return {std::move(reports), median};
}

} // namespace

int main(int argc, char** argv) {
    HarnessInput input;
    Options options;
    try {
        options = parseOptions(argc, argv);
        input = parseInput(readInput(options.path));
    } catch (const UsageError& error) {
        std::cerr << "vell-eval: " << error.message << '\n' << usage;
        return 2;
    } catch (const InputError& error) {
        std::cerr << "vell-eval: " << error.what() << '\n';
        return 2;
    }
    applySettings(input);

    std::vector<LineReport> reports;
    std::optional<double> median;
    if (options.repeat > 0) {
        auto [last, time] = timedRuns(input, options.repeat);
        reports = std::move(last);
        median = time;
    } else {
        reports = evaluateSheet(input);
    }

    std::string out;
    for (std::size_t line = 0; line < reports.size(); ++line) {
        out += compactJson(reportJson(line, reports[line]));
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    if (median) {
        std::cerr << "median " << microseconds(*median) << " µs per evaluation (" << decimal(options.repeat)
                  << " runs)\n";
    }
    return 0;
}
