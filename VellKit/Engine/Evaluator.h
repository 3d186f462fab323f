#pragma once

// Evaluates one expression tree to one value in the surroundings of an EvalContext; names the
// built-in functions and the constants. Comparisons, truth and indexing are in Comparison.h.

#include "Engine/EvalContext.h"
#include "Engine/Expr.h"
#include "Engine/Value.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vell {

class Evaluator {
public:
    // The built-in function names, lower case; the last four are the plot and chart words that the
    // sheet evaluator takes before evaluation.
    static constexpr std::array<std::string_view, 38> builtinNames{
        "sqrt", "cbrt",  "abs",     "sign", "round", "floor", "ceil",  "trunc",   "min",  "max",
        "sum",  "avg",   "average", "len",  "str",   "list",  "sort",  "reverse", "ln",   "log",
        "log2", "log10", "exp",     "sin",  "cos",   "tan",   "asin",  "acos",    "atan", "pow",
        "mod",  "hypot", "gcd",     "lcm",  "plot",  "graph", "chart", "bars"};

    // Named constants, matched exactly as written.
    static const std::unordered_map<std::string, double>& constants();
    static std::optional<double> constant(std::string_view name);

    // The built-ins that take lists and texts; every other one takes numbers only. Lower-case names.
    static const std::unordered_set<std::string_view>& listTakingFunctions();

    // The evaluator does not own the context, which must outlive it.
    explicit Evaluator(EvalContext& context) : context_(&context) {}

    // Throws CalcError; whatever the context throws passes through unchanged.
    Value evaluate(const Expr& expression) const;
    // Whether evaluate() would begin by resolving a name that resolves to nothing, and so fail
    // before anything else happens. It asks the context about that one name exactly as evaluate()
    // would first ask, so a caller that only needs to know the evaluation fails (a line of prose,
    // which becomes a note) can skip evaluating, and throwing, when this holds.
    bool beginsWithUndefinedName(const Expr& expression) const;

private:
    // The value of a bare name: the context, then the constants, then the units.
    Value resolveIdentifier(std::string_view name) const;
    // A defined name, or defined names written side by side ("rent food").
    bool isNameChain(const Expr& expression) const;
    // Evaluates the arguments, offers the call to the context, then runs the built-in of that name
    // (in any letter case).
    Value callFunction(std::string_view name, const std::vector<ExprPtr>& arguments) const;
    // The message for a name that resolves to nothing; the caller throws it.
    static std::string undefinedNameError(std::string_view name);

    Value evaluateNode(const Expr& expression) const;
    Value evaluateUnary(const Expr::Unary& node) const;
    Value evaluateBinary(const Expr::Binary& node) const;
    Value evaluatePercent(const Expr::Percent& node) const;
    Value evaluateUnitApply(const Expr::UnitApply& node) const;
    Value evaluateConvert(const Expr::Convert& node) const;
    Value evaluatePercentOf(const Expr::PercentOf& node) const;

    EvalContext* context_;
};

} // namespace vell
