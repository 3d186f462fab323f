#pragma once

// Starts build/bin/Vell, beside this benchmark program, on a display of its own (run under xvfb-run
// or with DISPLAY set) with fresh user folders in which the terms are accepted, and measures from just
// before the start to the first paint that Vell's start-up probe writes, with the child's peak
// resident memory. A run that has not painted after VELL_BENCH_START_LIMIT seconds (default 60) is
// stopped and fails.

#include <algorithm>
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vell::bench {

struct StartRun {
    double seconds = 0;
    double peakMegabytes = 0;
    bool ok = false;
};

// Puts the document to open into the fresh home's data folder ($HOME/.local/share/Vell, made
// already); none leaves the folder empty, so Vell starts on the starter document.
using PlaceDocument = std::function<void(const std::filesystem::path& dataFolder)>;

inline std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

inline double startLimitSeconds() {
    const char* limit = std::getenv("VELL_BENCH_START_LIMIT");
    return limit && std::atof(limit) > 0 ? std::atof(limit) : 60;
}

inline StartRun startVellOnce(const PlaceDocument& place = {}) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/vell-startup-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) return {};
    const fs::path home(made);
    for (const char* folder : {".config/Vell", ".local/share/Vell", ".cache", "runtime"})
        fs::create_directories(home / folder);
    fs::permissions(home / "runtime", fs::perms::owner_all);
    std::ofstream(home / ".config/Vell/Vell.ini") << "[General]\nvell.acceptedTermsVersion=1\n";
    const fs::path probe = home / "first-paint";
    if (place) place(home / ".local/share/Vell");

    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable(*entry);
        const bool replaced = std::ranges::any_of(
            std::initializer_list<const char*>{"HOME=", "XDG_", "QT_QPA_PLATFORM=", "VELL_"},
            [&](const char* prefix) { return variable.rfind(prefix, 0) == 0; });
        if (!replaced) variables.push_back(variable);
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

    const std::string program = (fs::read_symlink("/proc/self/exe").parent_path() / "Vell").string();
    std::vector<char*> arguments{const_cast<char*>(program.c_str()), nullptr};
    StartRun run;
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

// Each iteration one start on the placed document, timed by hand; the first start of the process (on
// the starter document) warms the file cache and is not counted. Reports the highest peak memory.
inline void startVellRuns(benchmark::State& state, const PlaceDocument& place) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no DISPLAY: run under xvfb-run");
        return;
    }
    static const bool warmed = startVellOnce().ok;
    if (!warmed) {
        state.SkipWithError("build/bin/Vell did not start or did not write its probe");
        return;
    }
    double peak = 0;
    for (auto _ : state) {
        const StartRun run = startVellOnce(place);
        if (!run.ok) {
            state.SkipWithError("a run failed");
            break;
        }
        state.SetIterationTime(run.seconds);
        peak = std::max(peak, run.peakMegabytes);
    }
    state.counters["peak_MB"] = peak;
}

// The repeated starts of a benchmark: medians with the slowest run beside them.
template <int repetitions>
void asStarts(benchmark::internal::Benchmark* benchmark) {
    benchmark->UseManualTime()
        ->Iterations(1)
        ->Repetitions(repetitions)
        ->ComputeStatistics("max",
                            [](const std::vector<double>& values) {
                                return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
                            })
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

} // namespace vell::bench
