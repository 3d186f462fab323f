// Process start to first paint of the program build/bin/Vell, on a display of its own (run it under
// xvfb-run or with DISPLAY set), with empty user folders except for accepted terms, so the first
// window shows the starter document. Vell's start-up probe writes the monotonic time of its first
// paint and quits; the time taken before the start is subtracted. Each run also reports the child's
// peak resident memory. The first run warms the file cache and is not counted.

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

fs::path programPath() {
    return fs::read_symlink("/proc/self/exe").parent_path() / "Vell";
}

struct Run {
    double seconds = 0;
    double peakMegabytes = 0;
    bool ok = false;
};

Run startOnce() {
    char pattern[] = "/tmp/vell-startup-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) return {};
    const fs::path home(made);
    for (const char* folder : {".config/Vell", ".local/share", ".cache", "runtime"})
        fs::create_directories(home / folder);
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

void BM_StartToFirstPaint(benchmark::State& state) {
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

BENCHMARK(BM_StartToFirstPaint)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(20)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
