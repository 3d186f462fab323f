#include "FuzzSupport.h"

#include "Engine/EngineSettings.h"
#include "Engine/UnexpectedErrors.h"
#include "Engine/ValueFormatter.h"
#include "Unicode/Unicode.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vell::fuzz {

namespace {

// An exception the engine does not expect must reach libFuzzer, which reports it as a crash.
[[maybe_unused]] const bool rethrowing = [] {
    UnexpectedErrors::setRethrown(true);
    return true;
}();

} // namespace

void fault(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "fuzz check failed: %.*s\n%.*s\n", static_cast<int>(what.size()), what.data(),
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

namespace {

double slowLimit() {
    static const double limit = [] {
        const char* setting = std::getenv("VELL_FUZZ_SLOW_SECONDS");
        double seconds = 0;
        if (setting) std::from_chars(setting, setting + std::strlen(setting), seconds);
        return seconds;
    }();
    return limit;
}

std::string numberText(double x) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, x).ptr);
}

} // namespace

SlowCheck::SlowCheck(std::string_view input) : input_(input), start_(std::chrono::steady_clock::now()) {}

SlowCheck::~SlowCheck() {
    const double limit = slowLimit();
    if (limit <= 0) return;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    if (elapsed.count() > limit) {
        fault("slow input", numberText(elapsed.count()) + " s for " +
                                numberText(static_cast<double>(input_.size())) + " bytes");
    }
}

void expectValidUtf8(std::string_view text, std::string_view what) {
    if (!unicode::isValidUtf8(text)) fault(what, "is not valid UTF-8: " + unicode::sanitized(text));
}

void formatEveryWay(const Value& value) {
    const EngineSettings saved = EngineSettings::current();
    for (const int digits : {10, 0}) {
        EngineSettings settings = saved;
        settings.maxFractionDigits = digits;
        EngineSettings::set(settings);
        for (const bool grouping : {false, true})
            expectValidUtf8(ValueFormatter::format(value, grouping), "formatted value");
    }
    EngineSettings::set(saved);
}

} // namespace vell::fuzz
