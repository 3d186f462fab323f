#pragma once

// What the evaluator asks of its surroundings: the value of a name, the value of a line, and a call
// of a function the user defined. The sheet and the plots supply their own; EmptyContext answers
// nothing.

#include "Engine/Value.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vell {

class EvalContext {
public:
    virtual ~EvalContext() = default;

    // The value bound to the name exactly as written; none when nothing is bound. Never throws.
    virtual std::optional<Value> lookupName(std::string_view name) = 0;
    // The value line `line` produced (the number written after "#"); none when there is none.
    // Never throws.
    virtual std::optional<Value> lineValue(std::int64_t line) = 0;
    // Runs the user's function of that name (as written) on the evaluated arguments; none when the
    // user defined no such function, so that the built-ins are tried next. May throw CalcError, and
    // whatever the surroundings use to unwind their own statements, which the evaluator never catches.
    virtual std::optional<Value> callUserFunction(std::string_view name,
                                                  const std::vector<Value>& arguments) = 0;
    // Told the size of every list (its weight) and text (its bytes) the evaluator produces: work
    // that no step of a program counts, so that the surroundings can stop a line that runs too long.
    // May throw CalcError; does nothing unless the surroundings keep a budget.
    virtual void reportWork(std::size_t units) { (void)units; }

protected:
    EvalContext() = default;
    EvalContext(const EvalContext&) = default;
    EvalContext& operator=(const EvalContext&) = default;
};

// An evaluation without surroundings: only constants, units and built-in functions resolve.
class EmptyContext final : public EvalContext {
public:
    std::optional<Value> lookupName(std::string_view) override { return std::nullopt; }
    std::optional<Value> lineValue(std::int64_t) override { return std::nullopt; }
    std::optional<Value> callUserFunction(std::string_view, const std::vector<Value>&) override {
        return std::nullopt;
    }
};

} // namespace vell
