#pragma once

// A small context with names, line values and user functions, and helpers that run one line through
// the lexer, the parser and the evaluator.

#include "Engine/CalcError.h"
#include "Engine/EvalContext.h"
#include "Engine/Evaluator.h"
#include "Engine/Lexer.h"
#include "Engine/Parser.h"
#include "Engine/ValueFormatter.h"
#include "Support/EngineSettingsScope.h"

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vell::testsupport {

class TestContext : public EvalContext {
public:
    using Function = std::function<Value(const std::vector<Value>&)>;

    std::map<std::string, Value, std::less<>> names;
    std::map<std::int64_t, Value> lines;
    std::map<std::string, Function, std::less<>> functions;
    // Every name callUserFunction was asked for, with its arguments, in order.
    std::vector<std::pair<std::string, std::vector<Value>>> calls;

    std::optional<Value> lookupName(std::string_view name) override {
        const auto found = names.find(name);
        if (found == names.end()) return std::nullopt;
        return found->second;
    }
    std::optional<Value> lineValue(std::int64_t line) override {
        const auto found = lines.find(line);
        if (found == lines.end()) return std::nullopt;
        return found->second;
    }
    std::optional<Value> callUserFunction(std::string_view name,
                                          const std::vector<Value>& arguments) override {
        calls.emplace_back(std::string(name), arguments);
        const auto found = functions.find(name);
        if (found == functions.end()) return std::nullopt;
        return found->second(arguments);
    }

    // Names the special numbers, which no line can write: nan and inf.
    void nameSpecialNumbers() {
        names.emplace("nan", Value(std::numeric_limits<double>::quiet_NaN()));
        names.emplace("inf", Value(std::numeric_limits<double>::infinity()));
    }
};

inline TestContext specialNumbers() {
    TestContext context;
    context.nameSpecialNumbers();
    return context;
}

inline Value evaluateLine(std::string_view line, EvalContext& context) {
    const Statement statement = Parser(Lexer::tokenize(line)).parseStatement();
    return Evaluator(context).evaluate(*statement.expr);
}

inline Value evaluateLine(std::string_view line) {
    EmptyContext context;
    return evaluateLine(line, context);
}

// The answer text as the answer column shows it, or "error: " and the message.
inline std::string outcome(std::string_view line, EvalContext& context) {
    try {
        return ValueFormatter::format(evaluateLine(line, context), true);
    } catch (const CalcError& error) {
        return "error: " + error.message();
    }
}

inline std::string outcome(std::string_view line) {
    EmptyContext context;
    return outcome(line, context);
}

struct LineCase {
    const char* line;
    const char* expected;
};

// Each line's outcome against its expectation.
template <std::size_t N>
void expectOutcomes(const LineCase (&cases)[N], EvalContext& context) {
    for (const auto& c : cases)
        EXPECT_EQ(outcome(c.line, context), c.expected) << "line: " << c.line;
}

template <std::size_t N>
void expectOutcomes(const LineCase (&cases)[N]) {
    EmptyContext context;
    expectOutcomes(cases, context);
}

} // namespace vell::testsupport
