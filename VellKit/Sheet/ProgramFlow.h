#pragma once

// How a run of statements ended early: return, break or continue. Not an error: the program
// execution passes it back to the construct that takes it.

#include "Engine/Value.h"

#include <cstdint>
#include <exception>
#include <optional>

namespace vell {

struct ProgramFlow {
    enum class Kind : std::uint8_t {
        ret,
        breakLoop,
        continueLoop,
    };

    Kind kind;
    std::optional<Value> value; // ret only; none for a bare return

    static ProgramFlow ret(std::optional<Value> value) { return {Kind::ret, std::move(value)}; }
    static ProgramFlow breakLoop() { return {Kind::breakLoop, std::nullopt}; }
    static ProgramFlow continueLoop() { return {Kind::continueLoop, std::nullopt}; }
};

// A break or continue that left a function body. It fails the line that made the call with "Can’t
// calculate this" and is never taken by a loop of the caller.
class EscapedLoopSignal : public std::exception {
public:
    const char* what() const noexcept override { return "break or continue outside a loop of a function"; }
};

} // namespace vell
