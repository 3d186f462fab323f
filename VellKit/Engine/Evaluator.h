#pragma once

// Evaluates one expression tree to one value.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vell {

struct Evaluator {
    // Engine-wide; written only by the settings store. True: the trigonometric built-ins work in degrees.
    static bool useDegrees;

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
};

} // namespace vell
