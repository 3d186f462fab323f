#include "Engine/CalcError.h"
#include "Engine/Evaluator.h"
#include "Engine/L10n.h"
#include "PlotTestSupport.h"
#include "Sheet/PlotBuilder.h"
#include "Support/EngineSettingsScope.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::largest;
using testsupport::plotFailure;
using testsupport::plotLine;
using testsupport::PlotTestContext;

std::vector<std::size_t> segmentSizes(const PlotSpec& spec) {
    std::vector<std::size_t> sizes;
    for (const auto& segment : spec.segments)
        sizes.push_back(segment.size());
    return sizes;
}

void expectRange(const PlotRange& range, double lower, double upper) {
    EXPECT_DOUBLE_EQ(range.lowerBound, lower);
    EXPECT_DOUBLE_EQ(range.upperBound, upper);
}

// Every point finite, x strictly ascending within and across segments, inside the x range.
void expectWellFormed(const PlotSpec& spec) {
    double lastX = -std::numeric_limits<double>::infinity();
    for (const auto& segment : spec.segments) {
        EXPECT_GE(segment.size(), 2u);
        for (const PlotPoint& point : segment) {
            EXPECT_TRUE(std::isfinite(point.x) && std::isfinite(point.y));
            EXPECT_GT(point.x, lastX);
            EXPECT_GE(point.x, spec.xRange.lowerBound);
            EXPECT_LE(point.x, spec.xRange.upperBound);
            lastX = point.x;
        }
    }
    for (const PlotRange& range : {spec.xRange, spec.yRange}) {
        EXPECT_TRUE(std::isfinite(range.lowerBound) && std::isfinite(range.upperBound));
        EXPECT_LE(range.lowerBound, range.upperBound);
    }
}

TEST(PlotCurve, ParabolaIsOneSegmentWithARobustRange) {
    const PlotSpec spec = plotLine("plot(x^2)");
    EXPECT_EQ(spec.kind, PlotSpec::Kind::curve);
    EXPECT_EQ(spec.title, "plot(x^2)");
    ASSERT_EQ(segmentSizes(spec), std::vector<std::size_t>{241});
    EXPECT_EQ(spec.segments[0].front(), (PlotPoint{-10, 100}));
    EXPECT_EQ(spec.segments[0].back(), (PlotPoint{10, 100}));
    EXPECT_DOUBLE_EQ(spec.segments[0][120].x, 0);
    EXPECT_EQ(spec.xRange, (PlotRange{-10, 10}));
    // The four largest samples are dropped, 1/36 snaps to 0, then 8 % margins.
    expectRange(spec.yRange, -7.735555555555557, 104.43);
    EXPECT_TRUE(spec.bars.empty());
    EXPECT_TRUE(spec.surface.empty());
    EXPECT_FALSE(spec.zRange);
    EXPECT_FALSE(spec.unitLabel);
    expectWellFormed(spec);
}

TEST(PlotCurve, SegmentsAndGaps) {
    struct Case {
        const char* line;
        std::size_t count;
        std::vector<std::size_t> sizes; // empty: not checked
    };
    const Case cases[] = {
        // The sample at x = 0 is a gap.
        {"plot(1/x)", 2, {120, 120}},
        // Six poles, each a jump across zero; the steep rises beside them stay in their segments.
        {"plot(tan(x))", 7, {}},
        // A huge rise without a change of sign never cuts: only the gap at 0 does.
        {"plot(1/x^2)", 2, {120, 120}},
        // Texts and lists are gaps.
        {"plot(x > 0 and \"a\" or x)", 1, {121}},
        {"plot(x == 5 and [1] or x)", 2, {180, 60}},
        // A jump from +0 to a negative value crosses zero; from −0 it does not.
        {"plot((x >= 0) * -1000 + 0)", 2, {120, 121}},
        {"plot(-(x >= 0) * 1000)", 1, {241}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const PlotSpec spec = plotLine(c.line);
        EXPECT_EQ(spec.segments.size(), c.count);
        if (!c.sizes.empty()) {
            EXPECT_EQ(segmentSizes(spec), c.sizes);
        }
        expectWellFormed(spec);
    }
}

TEST(PlotCurve, OneOverXEndsBesideThePole) {
    const PlotSpec spec = plotLine("plot(1/x)");
    ASSERT_EQ(spec.segments.size(), 2u);
    EXPECT_EQ(spec.segments[0].front(), (PlotPoint{-10, -0.1}));
    // Positions are (i × width) ÷ 240 + left, so they carry the rounding of that order.
    EXPECT_EQ(spec.segments[0].back(), (PlotPoint{-0.08333333333333393, -11.999999999999915}));
    EXPECT_EQ(spec.segments[1].front(), (PlotPoint{0.08333333333333393, 11.999999999999915}));
    EXPECT_EQ(spec.segments[1].back(), (PlotPoint{10, 0.1}));
    expectRange(spec.yRange, -2.7840000000000042, 2.7840000000000042);
}

TEST(PlotCurve, ValueRanges) {
    struct Case {
        const char* line;
        double lower;
        double upper;
    };
    const Case cases[] = {
        {"plot(5)", 2.1, 7.9},    // flat: ±2.5, then the margin
        {"plot(0)", -1.16, 1.16}, // flat at zero: ±1
        {"plot(-4)", -6.32, -1.68},
        {"plot(x)", -11.213333333333333, 11.213333333333335},
        {"plot(x, 10%, 50%)", -0.03946666666666667, 0.5328},           // bounds as fractions
        {"plot(x, 1 m, 3 m)", 0.8786666666666667, 3.1213333333333333}, // bound units dropped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        expectRange(plotLine(c.line).yRange, c.lower, c.upper);
    }
}

TEST(PlotCurve, NumbersOfSamplesAndBounds) {
    // A percentage sample counts as its fraction; a sample's unit is dropped without a label.
    const PlotSpec percent = plotLine("plot(x%)");
    EXPECT_EQ(percent.segments[0].back(), (PlotPoint{10, 0.1}));
    const PlotSpec metres = plotLine("plot(x m)");
    EXPECT_EQ(metres.segments[0].back(), (PlotPoint{10, 10}));
    EXPECT_FALSE(metres.unitLabel);

    const PlotSpec bounded = plotLine("plot(x, 10%, 50%)");
    EXPECT_EQ(bounded.xRange, (PlotRange{0.1, 0.5}));
    EXPECT_DOUBLE_EQ(bounded.segments[0].front().x, 0.1);
    EXPECT_EQ(plotLine("plot(x, 1 m, 3 m)").xRange, (PlotRange{1, 3}));

    // Capital X is x; named values, line values and constants work as on an ordinary line.
    PlotTestContext context;
    context.define("a", "3");
    context.lines[2] = Value(4);
    EXPECT_EQ(plotLine("plot(X^2)").segments, plotLine("plot(x^2)").segments);
    EXPECT_EQ(plotLine("plot(a*x + #2)", context).segments[0].back(), (PlotPoint{10, 34}));
    EXPECT_EQ(plotLine("plot(x, 0, pi)").xRange, (PlotRange{0, 3.141592653589793}));
}

TEST(PlotCurve, XHidesANamedValueX) {
    PlotTestContext context;
    context.define("x", "100");
    context.define("left", "2");
    const PlotSpec spec = plotLine("plot(x, left, 4)", context);
    EXPECT_EQ(spec.segments[0].front(), (PlotPoint{2, 2}));
    EXPECT_EQ(spec.segments[0].back(), (PlotPoint{4, 4}));
}

TEST(PlotCurve, UserFunctionsAreNotCalledInSamples) {
    PlotTestContext context;
    context.functions["f"] = [](const std::vector<Value>& arguments) { return arguments.front(); };
    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(plotFailure("plot(f(x))", context), "This expression can’t be plotted");
    EXPECT_EQ(context.userCalls, 0);
    // In the bounds, evaluated in the line's own context, they are.
    EXPECT_EQ(plotLine("plot(x, f(1), f(2))", context).xRange, (PlotRange{1, 2}));
}

TEST(PlotCurve, Messages) {
    struct Case {
        const char* line;
        const char* english;
        const char* japanese;
    };
    const Case cases[] = {
        {"plot()", "Write an expression to draw, like plot(x^2)",
         "plot(式) のように、描く式を書いてください"},
        {"plot(x, 1)", "Give both ends of the range: plot(expr, left, right)",
         "範囲は plot(式, 左, 右) のように 2 つ書いてください"},
        {"plot(x, 5, 5)", "The range needs left < right", "範囲は左 < 右 で指定してください"},
        {"plot(x, 3, 1)", "The range needs left < right", "範囲は左 < 右 で指定してください"},
        {"plot(\"a\")", "plot can’t draw text (use chart(list) for a bar chart)",
         "文字は plot では描けません（表は chart(表) で棒グラフにできます）"},
        {"plot([1, 2])", "plot can’t draw a list (use chart(list) for a bar chart)",
         "表は plot では描けません（表は chart(表) で棒グラフにできます）"},
        {"plot(zz)", "This expression can’t be plotted", "この式はグラフにできません"},
        // Defined at x = 0 alone: a single point is no segment.
        {"plot(x == 0 or \"a\")", "This expression can’t be plotted", "この式はグラフにできません"},
        // An error of a bound is passed on unchanged.
        {"plot(x, zz, 1)", "zz is not defined", "zz が定義されていません"},
        {"plot(x, 1, zz)", "zz is not defined", "zz が定義されていません"},
        // Four arguments go to the surface builder.
        {"plot(x, 1, 2, 3)", "For three axes write plot(expr, x from, x to, y from, y to)",
         "3 つの軸で描くときは plot(式, x左, x右, y左, y右) のように書いてください"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        {
            EngineSettingsScope english(AppLanguage::english);
            EXPECT_EQ(plotFailure(c.line), c.english);
        }
        EngineSettingsScope japanese(AppLanguage::japanese);
        EXPECT_EQ(plotFailure(c.line), c.japanese);
    }
}

TEST(PlotCurve, CurveBuilderTakesOnlyOneOrThreeArguments) {
    PlotTestContext context;
    EngineSettingsScope english(AppLanguage::english);
    const std::vector<ExprPtr> four{Expr::identifier("x"), Expr::number(0), Expr::number(1), Expr::number(2)};
    EXPECT_THROW(
        {
            try {
                PlotBuilder::curve(four, context, "t");
            } catch (const CalcError& error) {
                EXPECT_EQ(error.message(), "Give both ends of the range: plot(expr, left, right)");
                throw;
            }
        },
        CalcError);
}

// Bounds whose difference overflows would make every sample infinite; they are refused like a
// reversed range. Ranges near the double limit still give finite positions and finite ranges.
TEST(PlotCurve, RangesNearTheDoubleLimit) {
    EngineSettingsScope english(AppLanguage::english);
    PlotTestContext context;
    context.nameSpecialNumbers();
    for (const char* line : {"plot(x, -1e308, 1e308)", "plot(x, -1.7e308, 1.7e308)", "plot(x, 1, inf)",
                             "plot(x, -inf, 1)", "plot(x, 0, nan)", "plot(x, nan, 1)"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(plotFailure(line, context), "The range needs left < right");
    }

    // A width that fits, but 240 times which does not.
    const PlotSpec wide = plotLine("plot(x, -8e307, 8e307)");
    ASSERT_EQ(segmentSizes(wide), std::vector<std::size_t>{241});
    EXPECT_EQ(wide.segments[0].front().x, -8e307);
    EXPECT_LE(wide.segments[0].back().x, 8e307);
    expectWellFormed(wide);

    // Samples whose spread overflows: the margins stay within the doubles.
    const PlotSpec tall = plotLine("plot(x * 1.7e307)");
    EXPECT_EQ(tall.yRange, (PlotRange{-largest, largest}));
    EXPECT_EQ(tall.segments.size(), 1u);
    expectWellFormed(tall);

    // A jump across zero larger than the largest double still cuts.
    const PlotSpec step = plotLine("plot(x < 0 and -1.7e308 or 1.7e308)");
    EXPECT_EQ(segmentSizes(step), (std::vector<std::size_t>{120, 121}));
    expectWellFormed(step);
}

} // namespace
} // namespace vell
