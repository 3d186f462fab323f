#pragma once

// The EvalContext of one sheet evaluation: named values, the previous answer, the running block
// and sheet sums, line values, the sheet's functions, the scopes of running calls and the budget.
// Names are compared in NFC, so canonically equivalent spellings are one name.

#include "Engine/EvalContext.h"
#include "Engine/Value.h"
#include "Sheet/NameMap.h"
#include "Sheet/ProgramBudget.h"
#include "Sheet/ProgramNode.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vell {

// The values of a running sum, added up from the first to the last when asked. What has been
// added once is kept, so asking again after every line stays linear.
class RunningSum {
public:
    void append(const Value& value) {
        // Room for a short sheet's values at once, rather than growing the list line by line.
        if (values_.capacity() == 0) values_.reserve(64);
        values_.push_back(value);
    }
    void clear();
    // The values appended since the sum was cleared or settled.
    const std::vector<Value>& values() const { return values_; }
    // None for no values, and when an addition failed (then `failed` is set).
    std::optional<Value> total(bool& failed);
    // The sum with its values added up: the same totals from here on, without holding the values.
    RunningSum settled();

private:
    std::vector<Value> values_;
    std::size_t added_ = 0;
    std::optional<Value> partial_;
    bool failed_ = false;
};

class LineContext final : public EvalContext {
public:
    // One call's parameters and local names, in binding order.
    using Scope = std::vector<std::pair<std::string, Value>>;

    // The budget's clock starts now; an empty source means the steady clock.
    explicit LineContext(ProgramBudget::ClockSource clock = {});
    LineContext(const LineContext&) = delete;
    LineContext& operator=(const LineContext&) = delete;

    std::optional<Value> lookupName(std::string_view name) override;
    // None for numbers that stored nothing, 0, negative numbers and numbers past the sheet.
    std::optional<Value> lineValue(std::int64_t line) override;
    // None when no user function has the name. Throws CalcError for a wrong argument count, calls
    // nested too deeply and failures of the body, and EscapedLoopSignal for a break or continue
    // that left the body.
    std::optional<Value> callUserFunction(std::string_view name,
                                          const std::vector<Value>& arguments) override;
    // Counted into the budget, which fails once the time is used up.
    void reportWork(std::size_t units) override { budget.spend(units); }

    // The sum of the values; none for no values and when they cannot be added up, which also sets
    // mixedUnits.
    std::optional<Value> sumValues(std::span<const Value> values);
    // Binds the name in the innermost scope while a call runs, else among the named values.
    void assign(std::string_view name, Value value);
    // Stores the value of the 1-based line number.
    void recordLine(std::int64_t line, Value value);
    // Room for the values of lines 1 to `count`, made at once when the first is stored.
    void reserveLines(std::size_t count) { expectedLines_ = count; }
    // The sheet part of the argument-count message for a function from the sheet `home`.
    static std::string sheetSuffix(std::string_view home);

    // What the evaluation of a sheet stands at between two top-level lines, to go on from later. The
    // named values and line values are shared and never changed, so a state is taken once and
    // resumed from at no cost in proportion to them.
    struct State {
        std::shared_ptr<const NameMap<Value>> names;
        std::optional<Value> previous;
        RunningSum block;
        RunningSum all;
        NameMap<ProgramFunction> functions;
        std::shared_ptr<const std::vector<std::optional<Value>>> lineValues;
        std::int64_t steps = 0;
    };
    // At the top level only: no call running.
    State state();
    // Goes on from the state, as a context that has just been made.
    void resume(const State& state);

    // Read and written by the sheet evaluation. The named values assigned since the state resumed
    // from, which hide its own.
    NameMap<Value> names;
    std::optional<Value> previous;
    RunningSum block; // top-level number values since the last top-level blank line
    RunningSum all;   // top-level number values of the whole sheet
    bool mixedUnits = false;
    NameMap<ProgramFunction> functions; // keys in NFC
    std::vector<Scope> locals;          // innermost last; not empty exactly while a call runs
    ProgramBudget budget;
    // Installed by the runner, which owns this context; they do not keep the runner alive.
    std::function<Value(const ProgramFunction&)> runFunction;
    // The pointer stays valid for the whole evaluation.
    std::function<const ProgramFunction*(std::string_view)> findFunction;

private:
    std::optional<Value> runningSum(RunningSum& sum);
    std::optional<Value> lookupCanonical(std::string_view name);
    std::optional<Value> callCanonical(std::string_view name, std::string_view written,
                                       const std::vector<Value>& arguments);

    std::vector<std::optional<Value>> byLine_;
    std::size_t expectedLines_ = 0;
    // The state resumed from: what names and byLine_ do not hold.
    std::shared_ptr<const NameMap<Value>> resumedNames_;
    std::shared_ptr<const std::vector<std::optional<Value>>> resumedLines_;
};

} // namespace vell
