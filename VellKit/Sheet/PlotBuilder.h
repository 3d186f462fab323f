#pragma once

// Turns a plot or chart call into its PlotSpec: curves sampled at 241 points, surfaces on a 21 × 21
// grid, bar charts; also the axis ranges and the rules that pick the builder for a call.

#include "Engine/EvalContext.h"
#include "Engine/Expr.h"
#include "Sheet/PlotSpec.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vell {

struct PlotBuilder {
    static constexpr int curveSamples = 241;
    static constexpr int surfaceGridSize = 21;

    // Lower-case call names: "plot", "graph", "グラフ" and "chart", "bars", "棒グラフ".
    static const std::unordered_set<std::string_view>& plotNames();
    static const std::unordered_set<std::string_view>& chartNames();

    // The call when the expression is a call whose lower-cased name is a plot or chart name; else null.
    static const Expr::Call* plotCall(const Expr& expression);
    // Builds what a plot or chart call draws: a chart, a surface or a curve by the call's name, its
    // number of arguments and whether the first argument uses a free y. Throws CalcError.
    static PlotSpec build(const Expr::Call& call, EvalContext& context, std::string_view title);

    // Each takes the call's arguments unevaluated, the line's context and the line's text, and throws
    // CalcError. Range bounds and chart arguments are evaluated in the context itself; samples and
    // cells in a PlotContext over it.
    static PlotSpec curve(std::span<const ExprPtr> arguments, EvalContext& context, std::string_view title);
    static PlotSpec surface(std::span<const ExprPtr> arguments, EvalContext& context, std::string_view title);
    static PlotSpec chart(std::span<const ExprPtr> arguments, EvalContext& context, std::string_view title);

    // True when the context gives nothing for "y" and for "Y" and the expression mentions either.
    static bool usesY(const Expr& expression, EvalContext& context);
    // Whether the name occurs in the expression as a name or as the word of a unit application;
    // exact, case-sensitive. Function names and conversion targets do not count.
    static bool mentions(const Expr& expression, std::string_view name);

    // A value range that ignores the most extreme 2 % at each end, snaps towards zero and adds a
    // margin. Expects at least one value, all finite; the bounds are always finite.
    static PlotRange robustRange(std::vector<double> values);
    // The z range of a surface: the full span with a margin unless a few outliers dominate it.
    static PlotRange valueRange(std::span<const double> values);

    // The label of a bar given by a single argument: a bare name (also inside conversions), else the
    // argument's 1-based position.
    static std::string barLabel(const Expr& argument, std::size_t position);
};

// Range arithmetic that keeps to finite bounds where the plain differences would overflow.
namespace plotmath {

// (upper − lower) × factor; for factor at most 0.5 it is finite whenever both bounds are.
double scaledSpan(double lower, double upper, double factor);
// The value pulled back into the finite doubles.
double finiteBound(double value);

} // namespace plotmath

} // namespace vell
