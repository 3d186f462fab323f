#include "Engine/L10n.h"
#include "PlotTestSupport.h"
#include "Sheet/PlotBuilder.h"
#include "Sheet/PlotContext.h"
#include "Support/EngineSettingsScope.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::largest;
using testsupport::parseExpression;
using testsupport::plotFailure;
using testsupport::plotLine;
using testsupport::PlotTestContext;

TEST(PlotDispatch, PlotAndChartCallsByLowerCasedName) {
    for (const char* line : {"plot(x)", "Plot(x)", "PLOT(x)", "graph(x)", "グラフ(x)", "chart(1)", "CHART(1)",
                             "Bars(1)", "棒グラフ(1)", "plot()", "chart()"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(PlotBuilder::plotCall(*parseExpression(line)), nullptr);
    }
    for (const char* line : {"sqrt(x)", "plot", "x", "plot(x) + 1", "plots(x)", "[plot(x)]"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(PlotBuilder::plotCall(*parseExpression(line)), nullptr);
    }
}

TEST(PlotDispatch, BuilderByNameAndArguments) {
    struct Case {
        const char* line;
        PlotSpec::Kind kind;
    };
    const Case cases[] = {
        {"plot(x^2)", PlotSpec::Kind::curve},
        {"graph(x, 0, 1)", PlotSpec::Kind::curve},
        {"plot(x^2 + y^2)", PlotSpec::Kind::surface},
        {"グラフ(x^2 + y^2)", PlotSpec::Kind::surface},
        {"plot(x*Y, 0, 1)", PlotSpec::Kind::surface},
        {"plot(3 y)", PlotSpec::Kind::surface},
        // Five arguments draw a surface whatever the expression mentions.
        {"plot(x, 0, 1, 0, 1)", PlotSpec::Kind::surface},
        {"chart(1, 2, 3)", PlotSpec::Kind::bars},
        {"bars([1, 2])", PlotSpec::Kind::bars},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(plotLine(c.line).kind, c.kind);
    }

    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(plotFailure("plot()"), "Write an expression to draw, like plot(x^2)");
    EXPECT_EQ(plotFailure("plot(x, 1, 2, 3)"), "For three axes write plot(expr, x from, x to, y from, y to)");
    EXPECT_EQ(plotFailure("chart()"), "Write values to chart, like chart(a, b, …)");
}

TEST(PlotDispatch, ANamedYMakesACurve) {
    for (const std::string name : {"y", "Y"}) {
        SCOPED_TRACE(name);
        PlotTestContext context;
        context.define(name, "2");
        const PlotSpec spec = plotLine("plot(x*" + name + ")", context);
        ASSERT_EQ(spec.kind, PlotSpec::Kind::curve);
        EXPECT_EQ(spec.segments[0].front(), (PlotPoint{-10, -20}));
        EXPECT_EQ(spec.segments[0].back(), (PlotPoint{10, 20}));
    }
}

TEST(PlotDispatch, UsesY) {
    PlotTestContext empty;
    EXPECT_TRUE(PlotBuilder::usesY(*parseExpression("x*y"), empty));
    EXPECT_TRUE(PlotBuilder::usesY(*parseExpression("Y"), empty));
    EXPECT_FALSE(PlotBuilder::usesY(*parseExpression("x^2"), empty));
    PlotTestContext named;
    named.define("Y", "1");
    EXPECT_FALSE(PlotBuilder::usesY(*parseExpression("x*y"), named));
}

TEST(PlotMentions, ByCaseOfExpression) {
    const ExprPtr y = Expr::identifier("y");
    const ExprPtr one = Expr::number(1);
    struct Case {
        const char* what;
        ExprPtr expression;
        bool mentions;
    };
    const Case cases[] = {
        {"identifier", y, true},
        {"other identifier", Expr::identifier("Y"), false},
        {"unit word", Expr::unitApply(one, "y"), true},
        {"unit operand", Expr::unitApply(y, "m"), true},
        {"list item", Expr::list({one, y}), true},
        {"empty list", Expr::list({}), false},
        {"call argument", Expr::call("f", {one, y}), true},
        {"function name", Expr::call("y", {one}), false},
        {"binary right", Expr::binary("+", one, y), true},
        {"index", Expr::index(Expr::list({one}), y), true},
        {"percent of", Expr::percentOf(one, y), true},
        {"unary", Expr::unary("-", y), true},
        {"percent", Expr::percent(y), true},
        {"convert operand", Expr::convert(y, "m"), true},
        {"convert target", Expr::convert(one, "y"), false},
        {"number", one, false},
        {"text", Expr::text("y"), false},
        {"line reference", Expr::ref(1), false},
        {"deep",
         Expr::binary("*", Expr::unary("-", Expr::percent(Expr::list({one, Expr::unitApply(one, "y")}))),
                      one),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PlotBuilder::mentions(*c.expression, "y"), c.mentions);
    }
}

TEST(PlotContextTest, BindsXAndYOverTheBase) {
    PlotTestContext base;
    base.define("x", "100");
    base.define("y", "200");
    base.define("a", "3");
    base.lines[1] = Value(7);
    base.functions["f"] = [](const std::vector<Value>&) { return Value(1); };

    PlotContext curve(base, 2);
    EXPECT_EQ(curve.lookupName("x"), Value(2));
    EXPECT_EQ(curve.lookupName("X"), Value(2));
    // Without a y of its own, y is the base's.
    EXPECT_EQ(curve.lookupName("y"), Value(200));
    EXPECT_EQ(curve.lookupName("a"), Value(3));
    EXPECT_EQ(curve.lookupName("b"), std::nullopt);
    EXPECT_EQ(curve.lineValue(1), Value(7));
    EXPECT_EQ(curve.lineValue(2), std::nullopt);
    EXPECT_EQ(curve.callUserFunction("f", {}), std::nullopt);
    EXPECT_EQ(base.userCalls, 0);

    PlotContext cell(base, 2, 5);
    EXPECT_EQ(cell.lookupName("y"), Value(5));
    EXPECT_EQ(cell.lookupName("Y"), Value(5));
    EXPECT_EQ(cell.lookupName("x"), Value(2));
}

TEST(PlotRanges, RobustRange) {
    struct Case {
        const char* what;
        std::vector<double> values;
        PlotRange range;
    };
    std::vector<double> fifty(50);
    for (std::size_t i = 0; i < fifty.size(); ++i)
        fifty[i] = static_cast<double>(i);
    fifty.front() = -1000; // one extreme at each end is dropped from 50 values
    fifty.back() = 1000;
    const Case cases[] = {
        {"flat", {5}, {2.1, 7.9}},
        {"flat zero", {0, 0}, {-1.16, 1.16}},
        {"flat negative", {-5}, {-7.9, -2.1}},
        {"flat small", {0.5}, {-0.66, 1.66}},
        {"no snap", {3, 1, 2}, {0.84, 3.16}},
        {"snaps up to zero", {1, 10}, {-0.8, 10.8}},
        {"snaps down to zero", {-10, -1}, {-10.8, 0.8}},
        {"across zero", {-1, 3}, {-1.32, 3.32}},
        {"drops extremes", fifty, {-3.84, 51.84}},
        {"limit", {largest, -largest}, {-largest, largest}},
        {"flat at the limit", {largest}, {0.46 * largest, largest}},
        {"flat at the negative limit", {-largest}, {-largest, -0.46 * largest}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PlotRange range = PlotBuilder::robustRange(c.values);
        EXPECT_NEAR(range.lowerBound, c.range.lowerBound, std::fabs(c.range.lowerBound) * 1e-12 + 1e-12);
        EXPECT_NEAR(range.upperBound, c.range.upperBound, std::fabs(c.range.upperBound) * 1e-12 + 1e-12);
    }
}

TEST(PlotRanges, ValueRange) {
    struct Case {
        const char* what;
        std::vector<double> values;
        PlotRange range;
    };
    std::vector<double> outlier(441, 1);
    outlier.back() = 1000000;
    const Case cases[] = {
        {"none", {}, {0, 1}},
        {"flat", {5, 5, 5, 5}, {2.1, 7.9}},
        {"from zero", {0, 10}, {0, 10.6}},
        {"near zero snaps", {1, 10}, {0, 10.54}},
        {"away from zero", {6, 10}, {5.76, 10.24}},
        {"negative", {-10, -6}, {-10.24, -5.76}},
        {"outlier", outlier, {-0.16, 2.16}},
        {"limit", {-largest, largest}, {-largest, largest}},
        {"near the limit", {-1e308, 1e308}, {-1.12e308, 1.12e308}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PlotRange range = PlotBuilder::valueRange(c.values);
        EXPECT_NEAR(range.lowerBound, c.range.lowerBound, std::fabs(c.range.lowerBound) * 1e-12 + 1e-12);
        EXPECT_NEAR(range.upperBound, c.range.upperBound, std::fabs(c.range.upperBound) * 1e-12 + 1e-12);
    }
}

} // namespace
} // namespace vell
