#include "Sheet/PlotBuilder.h"

#include "Engine/CalcError.h"
#include "Engine/Evaluator.h"
#include "Engine/L10n.h"
#include "Engine/UnexpectedErrors.h"
#include "Sheet/PlotContext.h"
#include "Sheet/ProgramBudget.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace vell {

namespace plotmath {

double scaledSpan(double lower, double upper, double factor) {
    const double span = upper - lower;
    if (std::isfinite(span)) return span * factor;
    return upper * factor - lower * factor;
}

double finiteBound(double value) {
    constexpr double largest = std::numeric_limits<double>::max();
    return std::clamp(value, -largest, largest);
}

} // namespace plotmath

namespace {

using plotmath::finiteBound;
using plotmath::scaledSpan;

std::string missingExpressionMessage() {
    return L10n::text("plot(式) のように、描く式を書いてください",
                      "Write an expression to draw, like plot(x^2)");
}

std::string badRangeMessage() {
    return L10n::text("範囲は左 < 右 で指定してください", "The range needs left < right");
}

std::string notPlottableMessage() {
    return L10n::text("この式はグラフにできません", "This expression can’t be plotted");
}

std::string lowerCasedName(std::string_view name) {
    if (!unicode::isAscii(name)) return unicode::toLower(name);
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// A range bound: evaluated in the line's own context; a percentage counts as its fraction, and the
// unit and the kind are not looked at.
double boundNumber(const Expr& expression, EvalContext& context) {
    return Evaluator(context).evaluate(expression).percentResolved().number;
}

// Both bounds finite, upper above lower, and a width that is itself a finite number: a wider range
// would turn every position computed from it into an infinity.
void checkRange(double lower, double upper) {
    if (!std::isfinite(lower) || !std::isfinite(upper) || !(upper > lower) || !std::isfinite(upper - lower))
        throw CalcError(badRangeMessage());
}

// Step i of `steps` between lower and upper.
double gridPosition(int i, int steps, double lower, double upper) {
    const double width = upper - lower;
    const double product = i * width;
    if (std::isfinite(product)) return product / steps + lower;
    // Only for widths near the double limit: dividing first keeps the position finite.
    return std::min(width / steps * i + lower, upper);
}

// The value, or none when the evaluation fails in any way.
std::optional<Value> attempt(const Expr& expression, EvalContext& context) {
    try {
        return Evaluator(context).evaluate(expression);
    } catch (const BudgetExceeded&) {
        throw;
    } catch (const CalcError&) {
        return std::nullopt;
    } catch (const std::exception&) {
        UnexpectedErrors::handle();
        return std::nullopt;
    }
}

// The finite number a sample or a cell stands for, if it stands for one.
std::optional<double> plottedNumber(const std::optional<Value>& value) {
    if (!value || !value->isNumber()) return std::nullopt;
    const double number = value->isPercent ? value->percentResolved().number : value->number;
    if (!std::isfinite(number)) return std::nullopt;
    return number;
}

// A jump between two neighbouring samples that is large against the value range.
class JumpTest {
public:
    explicit JumpTest(const PlotRange& range)
        : threshold_((range.upperBound - range.lowerBound) * 0.6),
          halfThreshold_(scaledSpan(range.lowerBound, range.upperBound, 0.3)) {}

    bool exceeded(double y, double previous) const {
        const double distance = std::fabs(y - previous);
        if (std::isfinite(distance) && std::isfinite(threshold_)) return distance > threshold_;
        return std::fabs(y * 0.5 - previous * 0.5) > halfThreshold_;
    }

private:
    double threshold_;
    double halfThreshold_;
};

// Tracks the unit displays of the cells: one shared non-empty display gives the label.
class UnitLabelCollector {
public:
    void add(const std::optional<MeasureUnit>& unit) {
        static const std::string none;
        const std::string& label = unit ? unit->display() : none;
        if (!first_) {
            first_ = label;
        } else if (!mixed_ && *first_ != label) {
            mixed_ = true;
        }
    }

    std::optional<std::string> label() const {
        if (!first_ || mixed_ || first_->empty()) return std::nullopt;
        return first_;
    }

private:
    std::optional<std::string> first_;
    bool mixed_ = false;
};

} // namespace

const std::unordered_set<std::string_view>& PlotBuilder::plotNames() {
    static const std::unordered_set<std::string_view> names{"plot", "graph", "グラフ"};
    return names;
}

const std::unordered_set<std::string_view>& PlotBuilder::chartNames() {
    static const std::unordered_set<std::string_view> names{"chart", "bars", "棒グラフ"};
    return names;
}

const Expr::Call* PlotBuilder::plotCall(const Expr& expression) {
    const auto* call = expression.as<Expr::Call>();
    if (!call) return nullptr;
    // Asked of every call line, so a call named by more letters than any of the names (in ASCII at
    // most five) is turned away before it is lower-cased.
    constexpr std::size_t longestAsciiName = 5;
    if (unicode::isAscii(call->name)) {
        if (call->name.size() > longestAsciiName) return nullptr;
        // An ASCII name's lower case is its letters lower-cased, which are compared one by one.
        const auto sameLetters = [&call](std::string_view word) {
            return std::ranges::equal(call->name, word, [](char written, char lower) {
                return (written >= 'A' && written <= 'Z' ? static_cast<char>(written - 'A' + 'a')
                                                         : written) == lower;
            });
        };
        return std::ranges::any_of(plotNames(), sameLetters) || std::ranges::any_of(chartNames(), sameLetters)
                   ? call
                   : nullptr;
    }
    const std::string name = lowerCasedName(call->name);
    if (plotNames().contains(name) || chartNames().contains(name)) return call;
    return nullptr;
}

PlotSpec PlotBuilder::build(const Expr::Call& call, EvalContext& context, std::string_view title) {
    const std::span<const ExprPtr> arguments(call.arguments);
    if (chartNames().contains(lowerCasedName(call.name))) return chart(arguments, context, title);
    if (arguments.empty()) return curve(arguments, context, title);
    if (arguments.size() > 3 || usesY(*arguments.front(), context)) return surface(arguments, context, title);
    return curve(arguments, context, title);
}

PlotSpec PlotBuilder::curve(std::span<const ExprPtr> arguments, EvalContext& context,
                            std::string_view title) {
    if (arguments.empty()) throw CalcError(missingExpressionMessage());
    double left = -10;
    double right = 10;
    if (arguments.size() == 3) {
        left = boundNumber(*arguments[1], context);
        right = boundNumber(*arguments[2], context);
    } else if (arguments.size() != 1) {
        throw CalcError(L10n::text("範囲は plot(式, 左, 右) のように 2 つ書いてください",
                                   "Give both ends of the range: plot(expr, left, right)"));
    }
    checkRange(left, right);

    const Expr& expression = *arguments.front();
    std::array<double, curveSamples> xs;
    std::array<std::optional<double>, curveSamples> ys;
    std::vector<double> defined;
    defined.reserve(curveSamples);
    for (int i = 0; i < curveSamples; ++i) {
        xs[i] = gridPosition(i, curveSamples - 1, left, right);
        PlotContext sample(context, xs[i]);
        ys[i] = plottedNumber(attempt(expression, sample));
        if (ys[i]) defined.push_back(*ys[i]);
    }

    if (defined.empty()) {
        PlotContext probe(context, left);
        const auto value = attempt(expression, probe);
        if (value && !value->isNumber()) {
            const std::string noun = value->kindName();
            throw CalcError(L10n::text(noun + "は plot では描けません（表は chart(表) で棒グラフにできます）",
                                       "plot can’t draw " + noun + " (use chart(list) for a bar chart)"));
        }
        throw CalcError(notPlottableMessage());
    }

    const PlotRange yRange = robustRange(std::move(defined));
    const JumpTest jump(yRange);

    std::vector<std::vector<PlotPoint>> segments;
    std::vector<PlotPoint> run;
    bool hasPrevious = false;
    double previous = 0;
    const auto endRun = [&] {
        if (run.size() >= 2) segments.push_back(std::move(run));
        run.clear();
        hasPrevious = false;
    };
    for (int i = 0; i < curveSamples; ++i) {
        if (!ys[i]) {
            endRun();
            continue;
        }
        const double y = *ys[i];
        // Only a jump across zero cuts: a pole, not a steep but continuous rise.
        if (hasPrevious && jump.exceeded(y, previous) && std::signbit(y) != std::signbit(previous)) endRun();
        run.push_back(PlotPoint{xs[i], y});
        previous = y;
        hasPrevious = true;
    }
    endRun();
    if (segments.empty()) throw CalcError(notPlottableMessage());

    PlotSpec spec;
    spec.kind = PlotSpec::Kind::curve;
    spec.title = std::string(title);
    spec.segments = std::move(segments);
    spec.xRange = PlotRange{left, right};
    spec.yRange = yRange;
    return spec;
}

PlotSpec PlotBuilder::surface(std::span<const ExprPtr> arguments, EvalContext& context,
                              std::string_view title) {
    double xFrom = -10;
    double xTo = 10;
    double yFrom = -10;
    double yTo = 10;
    switch (arguments.size()) {
    case 0:
        throw CalcError(missingExpressionMessage());
    case 1:
        break;
    case 3:
        xFrom = boundNumber(*arguments[1], context);
        xTo = boundNumber(*arguments[2], context);
        yFrom = xFrom;
        yTo = xTo;
        break;
    case 5:
        xFrom = boundNumber(*arguments[1], context);
        xTo = boundNumber(*arguments[2], context);
        yFrom = boundNumber(*arguments[3], context);
        yTo = boundNumber(*arguments[4], context);
        break;
    default:
        throw CalcError(L10n::text("3 つの軸で描くときは plot(式, x左, x右, y左, y右) のように書いてください",
                                   "For three axes write plot(expr, x from, x to, y from, y to)"));
    }
    checkRange(xFrom, xTo);
    checkRange(yFrom, yTo);

    const Expr& expression = *arguments.front();
    constexpr int steps = surfaceGridSize - 1;
    std::array<double, surfaceGridSize> xs;
    for (int i = 0; i < surfaceGridSize; ++i)
        xs[i] = gridPosition(i, steps, xFrom, xTo);

    std::vector<std::vector<std::optional<double>>> rows;
    rows.reserve(surfaceGridSize);
    std::vector<double> values;
    values.reserve(surfaceGridSize * surfaceGridSize);
    UnitLabelCollector labels;
    for (int j = 0; j < surfaceGridSize; ++j) {
        const double y = gridPosition(j, steps, yFrom, yTo);
        std::vector<std::optional<double>> row(surfaceGridSize);
        for (int i = 0; i < surfaceGridSize; ++i) {
            PlotContext cell(context, xs[i], y);
            const auto value = attempt(expression, cell);
            row[i] = plottedNumber(value);
            if (!row[i]) continue;
            values.push_back(*row[i]);
            labels.add(value->unit);
        }
        rows.push_back(std::move(row));
    }
    if (values.size() < 4) {
        throw CalcError(
            L10n::text("この式は 3 つの軸では描けません", "This expression can’t be drawn with three axes"));
    }

    PlotSpec spec;
    spec.kind = PlotSpec::Kind::surface;
    spec.title = std::string(title);
    spec.surface = std::move(rows);
    spec.xRange = PlotRange{xFrom, xTo};
    spec.yRange = PlotRange{yFrom, yTo};
    spec.zRange = valueRange(values);
    spec.unitLabel = labels.label();
    return spec;
}

bool PlotBuilder::usesY(const Expr& expression, EvalContext& context) {
    if (context.lookupName("y") || context.lookupName("Y")) return false;
    return mentions(expression, "y") || mentions(expression, "Y");
}

bool PlotBuilder::mentions(const Expr& expression, std::string_view name) {
    return std::visit(
        [name](const auto& node) -> bool {
            using Node = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<Node, Expr::Identifier>) {
                return node.name == name;
            } else if constexpr (std::is_same_v<Node, Expr::UnitApply>) {
                return node.word == name || mentions(*node.operand, name);
            } else if constexpr (std::is_same_v<Node, Expr::List>) {
                return std::any_of(node.items.begin(), node.items.end(),
                                   [name](const ExprPtr& item) { return mentions(*item, name); });
            } else if constexpr (std::is_same_v<Node, Expr::Call>) {
                return std::any_of(node.arguments.begin(), node.arguments.end(),
                                   [name](const ExprPtr& argument) { return mentions(*argument, name); });
            } else if constexpr (std::is_same_v<Node, Expr::Binary>) {
                return mentions(*node.left, name) || mentions(*node.right, name);
            } else if constexpr (std::is_same_v<Node, Expr::Index>) {
                return mentions(*node.base, name) || mentions(*node.index, name);
            } else if constexpr (std::is_same_v<Node, Expr::PercentOf>) {
                return mentions(*node.share, name) || mentions(*node.whole, name);
            } else if constexpr (std::is_same_v<Node, Expr::Unary> || std::is_same_v<Node, Expr::Percent> ||
                                 std::is_same_v<Node, Expr::Convert>) {
                return mentions(*node.operand, name);
            } else {
                return false; // number, text, line reference
            }
        },
        expression.node());
}

PlotRange PlotBuilder::robustRange(std::vector<double> values) {
    if (values.empty()) return PlotRange{0, 1};
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const auto k = static_cast<std::size_t>(static_cast<double>(n) * 0.02);
    double lo = values[k];
    double hi = values[n - 1 - k];

    // A range mostly on one side of zero reaches down (or up) to it.
    if (lo > 0 && scaledSpan(lo, hi, 0.5) > lo) lo = 0;
    if (hi < 0 && scaledSpan(lo, hi, 0.5) > -hi) hi = 0;

    if (!(hi > lo)) {
        const double w = std::max(1.0, std::fabs(lo) * 0.5);
        hi = finiteBound(lo + w);
        lo = finiteBound(lo - w);
    }
    const double m = scaledSpan(lo, hi, 0.08);
    return PlotRange{finiteBound(lo - m), finiteBound(hi + m)};
}

PlotRange PlotBuilder::valueRange(std::span<const double> values) {
    if (values.empty()) return PlotRange{0, 1};
    const auto [smallestAt, largestAt] = std::minmax_element(values.begin(), values.end());
    const double smallest = *smallestAt;
    const double largest = *largestAt;
    const PlotRange robust = robustRange(std::vector<double>(values.begin(), values.end()));

    // The full span against four times the robust width, both scaled down so neither overflows.
    const double spanEighth = scaledSpan(smallest, largest, 0.125);
    const double robustHalf = scaledSpan(robust.lowerBound, robust.upperBound, 0.5);
    if (!(largest > smallest) || spanEighth > robustHalf) return robust;

    const double m = scaledSpan(smallest, largest, 0.06);
    const double upper = finiteBound(largest + m);
    const bool snapsToZero = smallest >= 0 && smallest < scaledSpan(smallest, largest, 0.5);
    const double lower = snapsToZero ? 0 : finiteBound(smallest - m);
    return PlotRange{lower, upper};
}

} // namespace vell
