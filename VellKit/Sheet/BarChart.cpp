// The bar-chart builder of PlotBuilder: one bar per charted number, labelled by name or position.

#include "Engine/CalcError.h"
#include "Engine/Evaluator.h"
#include "Engine/L10n.h"
#include "Sheet/PlotBuilder.h"
#include "Unicode/Decimal.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vell {

namespace {

[[noreturn]] void throwNotChartable() {
    throw CalcError(L10n::text("グラフにできない値があります", "Some values can’t be charted"));
}

// Collects one unit display per bar that has a unit; the label needs one for every bar, all equal.
class BarUnits {
public:
    void add(const std::optional<MeasureUnit>& unit) {
        if (!unit) return;
        const std::string& display = unit->display();
        if (count_ == 0) {
            first_ = display;
        } else if (display != first_) {
            same_ = false;
        }
        ++count_;
    }

    std::optional<std::string> label(std::size_t barCount) const {
        if (count_ == 0 || count_ != barCount || !same_) return std::nullopt;
        return first_;
    }

private:
    std::string first_;
    std::size_t count_ = 0;
    bool same_ = true;
};

} // namespace

PlotSpec PlotBuilder::chart(std::span<const ExprPtr> arguments, EvalContext& context,
                            std::string_view title) {
    if (arguments.empty()) {
        throw CalcError(L10n::text("chart(値, 値, …) のように、並べる値を書いてください",
                                   "Write values to chart, like chart(a, b, …)"));
    }

    std::vector<PlotBar> bars;
    BarUnits units;
    const Evaluator evaluator(context);
    for (std::size_t p = 1; p <= arguments.size(); ++p) {
        const Expr& argument = *arguments[p - 1];
        const Value value = evaluator.evaluate(argument);
        if (value.isText()) throwNotChartable();
        if (value.isNumber()) {
            if (!std::isfinite(value.number)) throwNotChartable();
            bars.push_back(PlotBar{barLabel(argument, p), value.number});
            units.add(value.unit);
            continue;
        }
        for (const Value& item : value.items()) {
            if (!item.isNumber() || !std::isfinite(item.number)) throwNotChartable();
            bars.push_back(PlotBar{decimal(bars.size() + 1), item.number});
            units.add(item.unit);
        }
    }

    double smallest = 0;
    double largest = 0;
    if (!bars.empty()) {
        const auto [low, high] = std::minmax_element(
            bars.begin(), bars.end(), [](const PlotBar& a, const PlotBar& b) { return a.value < b.value; });
        smallest = low->value;
        largest = high->value;
    }
    const double lower = std::min(smallest, 0.0);
    const double upper = std::max(largest, 0.0);

    PlotSpec spec;
    spec.kind = PlotSpec::Kind::bars;
    spec.title = std::string(title);
    spec.xRange = PlotRange{0, static_cast<double>(bars.size())};
    if (!(upper > lower)) {
        spec.yRange = PlotRange{lower, lower + 1};
    } else {
        // Zero stays the exact edge on a side no bar reaches.
        const double m = plotmath::scaledSpan(lower, upper, 0.12);
        spec.yRange = PlotRange{smallest < 0 ? plotmath::finiteBound(lower - m) : lower,
                                upper > 0 ? plotmath::finiteBound(upper + m) : upper};
        spec.unitLabel = units.label(bars.size());
    }
    spec.bars = std::move(bars);
    return spec;
}

std::string PlotBuilder::barLabel(const Expr& argument, std::size_t position) {
    const Expr* inner = &argument;
    while (const auto* conversion = inner->as<Expr::Convert>())
        inner = conversion->operand.get();
    if (const auto* identifier = inner->as<Expr::Identifier>()) return identifier->name;
    return decimal(position);
}

} // namespace vell
