// Process start to first paint of the program build/bin/Vell, on a display of its own (run it under
// xvfb-run or with DISPLAY set), with empty user folders except for accepted terms, so the first
// window shows the starter document. Vell's start-up probe writes the monotonic time of its first
// paint and quits; the time taken before the start is subtracted. Each run also reports the child's
// peak resident memory. The first run warms the file cache and is not counted.
//
// The other benchmarks start Vell on a stored document whose first sheet, the one shown, is large:
// the generated mixed sheet of 1,000, 10,000 and 100,000 lines, one line of a megabyte, and 10,000
// plot lines. A run that has not painted after VELL_BENCH_START_LIMIT seconds (default 60) is
// stopped and fails the benchmark.

#include "Document/VellDocument.h"
#include "LargeSheets.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

fs::path programPath() {
    return fs::read_symlink("/proc/self/exe").parent_path() / "Vell";
}

struct Run {
    double seconds = 0;
    double peakMegabytes = 0;
    bool ok = false;
};

double startLimitSeconds() {
    const char* limit = std::getenv("VELL_BENCH_START_LIMIT");
    return limit && std::atof(limit) > 0 ? std::atof(limit) : 60;
}

// The encoded starter document with its first sheet's text replaced, or empty for the starter itself.
std::string documentWithFirstSheet(const std::string& text) {
    vell::VellDocument document = vell::VellDocument::starter();
    document.sheets.front().text = text;
    return document.encode();
}

Run startOnce(const std::string& document = {}) {
    char pattern[] = "/tmp/vell-startup-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) return {};
    const fs::path home(made);
    for (const char* folder : {".config/Vell", ".local/share", ".cache", "runtime"})
        fs::create_directories(home / folder);
    fs::permissions(home / "runtime", fs::perms::owner_all);
    std::ofstream(home / ".config/Vell/Vell.ini") << "[General]\nvell.acceptedTermsVersion=1\n";
    const fs::path probe = home / "first-paint";
    if (!document.empty()) {
        fs::create_directories(home / ".local/share/Vell");
        std::ofstream(home / ".local/share/Vell/document.json", std::ios::binary) << document;
    }

    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable(*entry);
        for (const char* replaced : {"HOME=", "XDG_", "QT_QPA_PLATFORM=", "VELL_"})
            if (variable.rfind(replaced, 0) == 0) goto skip;
        variables.push_back(variable);
    skip:;
    }
    variables.push_back("HOME=" + home.string());
    variables.push_back("XDG_CONFIG_HOME=" + (home / ".config").string());
    variables.push_back("XDG_DATA_HOME=" + (home / ".local/share").string());
    variables.push_back("XDG_CACHE_HOME=" + (home / ".cache").string());
    variables.push_back("XDG_RUNTIME_DIR=" + (home / "runtime").string());
    variables.push_back("VELL_STARTUP_PROBE=" + probe.string());
    std::vector<char*> environment;
    for (std::string& variable : variables)
        environment.push_back(variable.data());
    environment.push_back(nullptr);

    const std::string program = programPath().string();
    std::vector<char*> arguments{const_cast<char*>(program.c_str()), nullptr};
    Run run;
    const std::int64_t started = monotonicNanoseconds();
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments.data(), environment.data()) == 0) {
        int status = 0;
        rusage usage{};
        const std::int64_t deadline = started + static_cast<std::int64_t>(startLimitSeconds() * 1e9);
        pid_t waited = 0;
        while ((waited = wait4(child, &status, WNOHANG, &usage)) == 0) {
            if (monotonicNanoseconds() > deadline) {
                kill(child, SIGKILL);
                waited = wait4(child, &status, 0, &usage);
                break;
            }
            usleep(2000);
        }
        if (waited == child && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            std::int64_t painted = 0;
            if (std::ifstream(probe) >> painted) {
                run.seconds = static_cast<double>(painted - started) / 1e9;
                run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
                run.ok = true;
            }
        }
    }
    fs::remove_all(home);
    return run;
}

void startRuns(benchmark::State& state, const std::string& document) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no DISPLAY: run under xvfb-run");
        return;
    }
    static const bool warmed = startOnce().ok;
    if (!warmed) {
        state.SkipWithError("build/bin/Vell did not start or did not write its probe");
        return;
    }
    double peak = 0;
    for (auto _ : state) {
        const Run run = startOnce(document);
        if (!run.ok) {
            state.SkipWithError("a run failed");
            break;
        }
        state.SetIterationTime(run.seconds);
        peak = std::max(peak, run.peakMegabytes);
    }
    state.counters["peak_MB"] = peak;
}

void BM_StartToFirstPaint(benchmark::State& state) {
    startRuns(state, {});
}

void BM_StartWithSheet(benchmark::State& state) {
    startRuns(state, documentWithFirstSheet(
                         vell::bench::generateSheet({.lines = static_cast<std::size_t>(state.range(0))})));
}

void BM_StartWithLongLine(benchmark::State& state) {
    startRuns(state, documentWithFirstSheet(vell::bench::longSumLine()));
}

void BM_StartWithPlots(benchmark::State& state) {
    startRuns(state,
              documentWithFirstSheet(vell::bench::plotSheet(static_cast<std::size_t>(state.range(0)))));
}

double maximum(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

BENCHMARK(BM_StartToFirstPaint)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(20)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_StartWithSheet)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_StartWithLongLine)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_StartWithPlots)
    ->Arg(10000)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
