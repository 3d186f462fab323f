// Whether a core runs the engine at its full speed right now. On a virtual machine a core can share
// its physical core with work outside the machine (the other hardware thread), and then the engine,
// which keeps the core's units busy, runs up to twice as slowly for seconds on end, whatever the
// process, its memory layout or its build; a chain of dependent steps, which waits on each step's
// latency rather than on the units, runs as fast as ever. So on each core in turn this program times,
// in slots of 50 ms, three things one after the other:
//
//   engine  the short lines of ShortLines.h evaluated as one sheet, every answer formatted (as
//           `vell-eval --repeat` does): the median of the evaluations in the slot
//   chain   20,000 dependent multiply-adds: slower only when the clock is slower
//   adds    20,000 steps of six independent additions: slower when the units are shared
//
// and prints the medians over the slots and how many slots ran the engine 1.3 times slower or more
// than the fastest slot of any core.
//
//   CoreShareProbe [SECONDS [CORE...]]      defaults: 2 seconds on every core the process may use

#include "Engine/ValueFormatter.h"
#include "Sheet/DocumentEvaluator.h"
#include "ShortLines.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace vell;
using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::size_t evaluateSheet(const std::string& sheet) {
    std::size_t characters = 0;
    for (const LineResult& result : DocumentEvaluator::evaluate(sheet))
        if (const Value* value = result.outcome.as<Value>())
            characters += ValueFormatter::format(*value, true).size();
    return characters;
}

double chain() {
    const auto start = Clock::now();
    std::uint64_t x = 1;
    for (int i = 0; i < 20000; ++i) {
        x = x * 2862933555777941757ull + 3037000493ull;
        asm volatile("" : "+r"(x));
    }
    return microseconds(Clock::now() - start);
}

double adds() {
    const auto start = Clock::now();
    std::uint64_t a = 1, b = 2, c = 3, d = 4, e = 5, f = 6;
    for (std::uint64_t i = 0; i < 20000; ++i) {
        a += i;
        b ^= i;
        c += b;
        d -= i;
        e ^= a;
        f += d;
        asm volatile("" : "+r"(a), "+r"(b), "+r"(c), "+r"(d), "+r"(e), "+r"(f));
    }
    return microseconds(Clock::now() - start);
}

struct Slot {
    double engine;
    double chain;
    double adds;
};

std::vector<Slot> probe(const std::string& sheet, double seconds, std::size_t& sink) {
    std::vector<Slot> slots;
    const auto end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        std::vector<double> evaluations;
        const auto slotEnd = Clock::now() + std::chrono::milliseconds(50);
        while (Clock::now() < slotEnd) {
            const auto start = Clock::now();
            sink += evaluateSheet(sheet);
            evaluations.push_back(microseconds(Clock::now() - start));
        }
        slots.push_back({median(std::move(evaluations)), chain(), adds()});
    }
    return slots;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::strtod(argv[1], nullptr) : 2;
    std::vector<int> cores;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        int core = 0;
        const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), core);
        if (ec != std::errc() || end != arg.data() + arg.size()) {
            std::fprintf(stderr, "usage: CoreShareProbe [SECONDS [CORE...]]\n");
            return 2;
        }
        cores.push_back(core);
    }
    if (!(seconds > 0)) {
        std::fprintf(stderr, "usage: CoreShareProbe [SECONDS [CORE...]]\n");
        return 2;
    }
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    sched_getaffinity(0, sizeof allowed, &allowed);
    if (cores.empty())
        for (int core = 0; core < CPU_SETSIZE; ++core)
            if (CPU_ISSET(core, &allowed)) cores.push_back(core);

    const std::string sheet = bench::shortLinesSheet();
    std::size_t sink = evaluateSheet(sheet);
    std::vector<std::pair<int, std::vector<Slot>>> probed;
    for (const int core : cores) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(core, &one);
        if (sched_setaffinity(0, sizeof one, &one) != 0) {
            std::fprintf(stderr, "core %d cannot be used\n", core);
            continue;
        }
        probed.emplace_back(core, probe(sheet, seconds, sink));
    }
    sched_setaffinity(0, sizeof allowed, &allowed);

    // Slow against the fastest slot of any core: a core can be shared for the whole run.
    double fastest = 1e300;
    for (const auto& [core, slots] : probed)
        for (const Slot& slot : slots)
            fastest = std::min(fastest, slot.engine);
    std::printf("core  engine µs  chain µs  adds µs  slots 1.3 times slower\n");
    for (const auto& [core, slots] : probed) {
        std::vector<double> engine, chainTimes, addsTimes;
        for (const Slot& slot : slots) {
            engine.push_back(slot.engine);
            chainTimes.push_back(slot.chain);
            addsTimes.push_back(slot.adds);
        }
        const auto slow = std::count_if(engine.begin(), engine.end(),
                                        [fastest](double time) { return time >= 1.3 * fastest; });
        std::printf("%4d  %9.1f  %8.1f  %7.1f  %ld of %zu\n", core, median(engine), median(chainTimes),
                    median(addsTimes), static_cast<long>(slow), slots.size());
    }
    return sink == 0 ? 1 : 0;
}
