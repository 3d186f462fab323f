// Process start to first paint of build/bin/Vell on a 110 MB document whose selected sheet is one line
// of 50 MB ("1+1+…"), beside 60 sheets of 1 MB of short lines, with its peak resident memory: the large
// sheet must open read-only, promptly and in bounded memory. As StartupBench otherwise (run it under
// xvfb-run or with DISPLAY set); the document is made once and linked into each run's data folder.

#include "Document/VellDocument.h"

#include <algorithm>
#include <benchmark/benchmark.h>
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

const fs::path& largeDocument() {
    static const fs::path path = [] {
        const fs::path file = fs::temp_directory_path() / "vell-large-document.json";
        vell::VellDocument document;
        const vell::Date date = vell::Date::fromCivil(2025, 3, 1, 9, 30, 0);
        std::string line = "1";
        line.reserve(50'000'000);
        while (line.size() < 50'000'000)
            line += "+1";
        document.sheets.push_back({vell::Uuid::random(), "Huge", std::move(line), date, {}});
        std::string lines;
        while (lines.size() < 1'000'000)
            lines += "rent = 1200\nfood = 300 * 4\nrent + food\n";
        for (int i = 0; i < 60; ++i)
            document.sheets.push_back({vell::Uuid::random(), "Sheet " + std::to_string(i), lines, date, {}});
        document.selectedSheetID = document.sheets.front().id;
        std::ofstream(file, std::ios::binary) << document.encode();
        return file;
    }();
    return path;
}

fs::path programPath() {
    return fs::read_symlink("/proc/self/exe").parent_path() / "Vell";
}

struct Run {
    double seconds = 0;
    double peakMegabytes = 0;
    bool ok = false;
};

Run startOnce() {
    char pattern[] = "/tmp/vell-large-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) return {};
    const fs::path home(made);
    for (const char* folder : {".config/Vell", ".local/share/Vell", ".cache", "runtime"})
        fs::create_directories(home / folder);
    fs::create_hard_link(largeDocument(), home / ".local/share/Vell/document.json");
    fs::permissions(home / "runtime", fs::perms::owner_all);
    std::ofstream(home / ".config/Vell/Vell.ini") << "[General]\nvell.acceptedTermsVersion=1\n";
    const fs::path probe = home / "first-paint";

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
        if (wait4(child, &status, 0, &usage) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
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

void BM_OpenLargeDocument(benchmark::State& state) {
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
        const Run run = startOnce();
        if (!run.ok) {
            state.SkipWithError("a run failed");
            break;
        }
        state.SetIterationTime(run.seconds);
        peak = std::max(peak, run.peakMegabytes);
    }
    state.counters["peak_MB"] = peak;
}

double maximum(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

BENCHMARK(BM_OpenLargeDocument)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
