#pragma once

// The evaluation tests' context, also counting the user functions it runs, and helpers that parse a
// plot line and build what it draws, for the plot and chart tests.

#include "Engine/CalcError.h"
#include "Engine/EvalContext.h"
#include "Engine/Evaluator.h"
#include "Engine/Lexer.h"
#include "Engine/Parser.h"
#include "Sheet/PlotBuilder.h"
#include "VellKit/Engine/EvalTestSupport.h"

#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vell::testsupport {

// For ranges at the limit of the doubles.
inline constexpr double largest = std::numeric_limits<double>::max();

class PlotTestContext final : public TestContext {
public:
    // Calls of the functions it knows; an unknown name is no call.
    int userCalls = 0;

    std::optional<Value> callUserFunction(std::string_view name,
                                          const std::vector<Value>& arguments) override {
        if (functions.find(name) != functions.end()) ++userCalls;
        return TestContext::callUserFunction(name, arguments);
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

} // namespace vell::testsupport
