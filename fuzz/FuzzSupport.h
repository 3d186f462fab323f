#pragma once

// What the fuzz targets share: the checks that turn a wrong answer into a crash libFuzzer keeps.

#include "Engine/Value.h"

#include <chrono>
#include <string>
#include <string_view>

namespace vell::fuzz {

// Prints what went wrong with the input and aborts.
[[noreturn]] void fault(std::string_view what, std::string_view detail);

// Text the engine shows must be valid UTF-8 whenever the input was.
void expectValidUtf8(std::string_view text, std::string_view what);

// Fails when the scope lasted longer than VELL_FUZZ_SLOW_SECONDS, when that is set: libFuzzer's own
// -timeout counts whole seconds, far above what one sheet evaluation may take.
class SlowCheck {
public:
    explicit SlowCheck(std::string_view input);
    ~SlowCheck();
    SlowCheck(const SlowCheck&) = delete;
    SlowCheck& operator=(const SlowCheck&) = delete;

private:
    std::string_view input_;
    std::chrono::steady_clock::time_point start_;
};

// Formats the value the ways the answer column and the status bar can ask for, and checks the texts.
void formatEveryWay(const Value& value);

} // namespace vell::fuzz
