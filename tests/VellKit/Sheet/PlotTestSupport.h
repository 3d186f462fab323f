#pragma once

// A small context with named values, line values and user functions, and helpers that parse a plot
// line and build what it draws, for the plot and chart tests.

#include "Engine/CalcError.h"
#include "Engine/EvalContext.h"
#include "Engine/Evaluator.h"
#include "Engine/Lexer.h"
#include "Engine/Parser.h"
#include "Sheet/PlotBuilder.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vell::testing {

class PlotTestContext final : public EvalContext {
public:
    using Function = std::function<Value(const std::vector<Value>&)>;

    std::map<std::string, Value, std::less<>> names;
    std::map<std::int64_t, Value> lines;
    std::map<std::string, Function, std::less<>> functions;
    int userCalls = 0;

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
        const auto found = functions.find(name);
        if (found == functions.end()) return std::nullopt;
        ++userCalls;
        return found->second(arguments);
    }

    // Binds the name to the value of the expression text, evaluated here.
    void define(const std::string& name, std::string_view expression);
};

inline ExprPtr parseExpression(std::string_view text) {
    return Parser(Lexer::tokenize(text)).parseStatement().expr;
}

inline void PlotTestContext::define(const std::string& name, std::string_view expression) {
    names.insert_or_assign(name, Evaluator(*this).evaluate(*parseExpression(expression)));
}

// What a plot or chart line draws, built as the sheet builds it, with the line as its title.
inline PlotSpec plotLine(std::string_view line, EvalContext& context) {
    const ExprPtr expression = parseExpression(line);
    const Expr::Call* call = PlotBuilder::plotCall(*expression);
    if (!call) throw std::logic_error("not a plot or chart line: " + std::string(line));
    return PlotBuilder::build(*call, context, line);
}

inline PlotSpec plotLine(std::string_view line) {
    PlotTestContext context;
    return plotLine(line, context);
}

// The message a plot or chart line fails with; empty when it draws.
inline std::string plotFailure(std::string_view line, EvalContext& context) {
    try {
        plotLine(line, context);
    } catch (const CalcError& error) {
        return error.message();
    }
    return {};
}

inline std::string plotFailure(std::string_view line) {
    PlotTestContext context;
    return plotFailure(line, context);
}

} // namespace vell::testing
