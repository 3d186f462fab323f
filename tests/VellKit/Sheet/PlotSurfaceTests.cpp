#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "PlotTestSupport.h"
#include "Sheet/PlotBuilder.h"
#include "Support/EngineSettingsScope.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::largest;
using testsupport::plotFailure;
using testsupport::plotLine;
using testsupport::PlotTestContext;

std::size_t definedCells(const PlotSpec& spec) {
    std::size_t count = 0;
    for (const auto& row : spec.surface)
        for (const auto& cell : row)
            count += cell.has_value();
    return count;
}

void expectGrid(const PlotSpec& spec) {
    ASSERT_EQ(spec.surface.size(), 21u);
    for (const auto& row : spec.surface)
        EXPECT_EQ(row.size(), 21u);
}

TEST(PlotSurface, ProductOverTheDefaultGrid) {
    const PlotSpec spec = plotLine("plot(x*y)");
    EXPECT_EQ(spec.kind, PlotSpec::Kind::surface);
    EXPECT_EQ(spec.title, "plot(x*y)");
    expectGrid(spec);
    EXPECT_EQ(definedCells(spec), 441u);
    // Rows run along y, columns along x, lowest first.
    EXPECT_EQ(spec.surface[0][0], 100);
    EXPECT_EQ(spec.surface[0][20], -100);
    EXPECT_EQ(spec.surface[20][0], -100);
    EXPECT_EQ(spec.surface[10][10], 0);
    EXPECT_EQ(spec.surface[0][19], -90);
    EXPECT_EQ(spec.xRange, (PlotRange{-10, 10}));
    EXPECT_EQ(spec.yRange, (PlotRange{-10, 10}));
    ASSERT_TRUE(spec.zRange);
    EXPECT_DOUBLE_EQ(spec.zRange->lowerBound, -112);
    EXPECT_DOUBLE_EQ(spec.zRange->upperBound, 112);
    EXPECT_FALSE(spec.unitLabel);
    EXPECT_TRUE(spec.segments.empty());
    EXPECT_TRUE(spec.bars.empty());
}

TEST(PlotSurface, GridsAndRanges) {
    struct Case {
        const char* line;
        PlotRange x;
        PlotRange y;
        PlotRange z;
    };
    const Case cases[] = {
        // The lower bound snaps to zero.
        {"plot(x^2 + y^2)", {-10, 10}, {-10, 10}, {0, 212}},
        {"Plot(x^2 + Y^2)", {-10, 10}, {-10, 10}, {0, 212}},
        // One range for both axes.
        {"plot(x*y, 0, 1)", {0, 1}, {0, 1}, {0, 1.06}},
        {"plot(x + y, 0, 1, 2, 4)", {0, 1}, {2, 4}, {1.82, 5.18}},
        // y written after a number is a unit application of y.
        {"plot(3 y)", {-10, 10}, {-10, 10}, {-33.6, 33.6}},
        // One outlier: the full span exceeds four robust widths, so the robust range wins.
        {"plot(1 + 999999 * (x == 10 and y == 10))", {-10, 10}, {-10, 10}, {-0.16, 2.16}},
        {"plot(x*y, 10%, 50%)", {0.1, 0.5}, {0.1, 0.5}, {0, 0.2644}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const PlotSpec spec = plotLine(c.line);
        ASSERT_EQ(spec.kind, PlotSpec::Kind::surface);
        expectGrid(spec);
        EXPECT_EQ(spec.xRange, c.x);
        EXPECT_EQ(spec.yRange, c.y);
        ASSERT_TRUE(spec.zRange);
        EXPECT_NEAR(spec.zRange->lowerBound, c.z.lowerBound, 1e-9);
        EXPECT_NEAR(spec.zRange->upperBound, c.z.upperBound, 1e-9);
    }
}

TEST(PlotSurface, GridPositions) {
    const PlotSpec spec = plotLine("plot(x*y, 0, 1)");
    EXPECT_DOUBLE_EQ(*spec.surface[1][1], 0.0025);
    EXPECT_DOUBLE_EQ(*spec.surface[20][1], 0.05);
    EXPECT_DOUBLE_EQ(*spec.surface[1][20], 0.05);
    EXPECT_EQ(spec.surface[20][20], 1);

    // x varies along a row, y from row to row.
    const PlotSpec axes = plotLine("plot(x + 100*y, 0, 20, 0, 2)");
    EXPECT_EQ(axes.surface[0][20], 20);
    EXPECT_EQ(axes.surface[20][0], 200);
}

TEST(PlotSurface, UndefinedCells) {
    // x = 0 is a column of divisions by zero; texts and lists are undefined too.
    const PlotSpec column = plotLine("plot(y/x)");
    EXPECT_EQ(definedCells(column), 420u);
    for (const auto& row : column.surface)
        EXPECT_FALSE(row[10]);
    EXPECT_EQ(definedCells(plotLine("plot(y > 0 and \"a\" or x)")), 231u);
    EXPECT_EQ(definedCells(plotLine("plot(x > 0 and [1] or y)")), 231u);

    // Four defined cells are enough, three are not.
    EXPECT_EQ(definedCells(plotLine("plot((abs(x) == 10 and abs(y) == 10) or \"a\")")), 4u);
    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(plotFailure("plot((x == 10 and abs(y) == 10 or x == -10 and y == 10) or \"a\")"),
              "This expression can’t be drawn with three axes");
    EXPECT_EQ(plotFailure("plot(zz + y)"), "This expression can’t be drawn with three axes");
}

TEST(PlotSurface, UnitLabel) {
    struct Case {
        const char* line;
        std::optional<std::string> label;
    };
    const Case cases[] = {
        {"plot(x * (y m))", "m"},
        {"plot(x*y)", std::nullopt},
        // One cell without a unit removes the label.
        {"plot(x == 10 and y == 10 or y m)", std::nullopt},
        // Mixed units.
        {"plot(x > 0 and y kg or y m)", std::nullopt},
        // Percentages count as their fraction, without a unit.
        {"plot(y%)", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(plotLine(c.line).unitLabel, c.label);
    }
    EXPECT_EQ(plotLine("plot(y%)").surface[20][0], 0.1);
}

TEST(PlotSurface, NamesInsideCells) {
    PlotTestContext context;
    context.define("x", "100");
    context.define("k", "2");
    context.functions["f"] = [](const std::vector<Value>& arguments) { return arguments.front(); };
    const PlotSpec spec = plotLine("plot(k*x*Y)", context);
    EXPECT_EQ(spec.surface[0][0], 200);
    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(plotFailure("plot(f(x) + y)", context), "This expression can’t be drawn with three axes");
    EXPECT_EQ(context.userCalls, 0);
}

TEST(PlotSurface, Messages) {
    struct Case {
        std::vector<ExprPtr> arguments;
        const char* english;
        const char* japanese;
    };
    const auto xy = testsupport::parseExpression("x*y");
    const auto n = [](double v) { return Expr::number(v); };
    const char* const threeAxesEnglish = "For three axes write plot(expr, x from, x to, y from, y to)";
    const char* const threeAxesJapanese =
        "3 つの軸で描くときは plot(式, x左, x右, y左, y右) のように書いてください";
    const Case cases[] = {
        {{}, "Write an expression to draw, like plot(x^2)", "plot(式) のように、描く式を書いてください"},
        {{xy, n(0)}, threeAxesEnglish, threeAxesJapanese},
        {{xy, n(0), n(1), n(2)}, threeAxesEnglish, threeAxesJapanese},
        {{xy, n(0), n(1), n(2), n(3), n(4)}, threeAxesEnglish, threeAxesJapanese},
        {{xy, n(1), n(0)}, "The range needs left < right", "範囲は左 < 右 で指定してください"},
        {{xy, n(0), n(1), n(3), n(3)}, "The range needs left < right", "範囲は左 < 右 で指定してください"},
        {{xy, n(0), n(0), n(2), n(3)}, "The range needs left < right", "範囲は左 < 右 で指定してください"},
        // The bounds are evaluated before the ranges are tested.
        {{xy, n(1), n(0), Expr::identifier("zz"), n(3)}, "zz is not defined", "zz が定義されていません"},
        {{Expr::identifier("zz")},
         "This expression can’t be drawn with three axes",
         "この式は 3 つの軸では描けません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.english);
        for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
            EngineSettingsScope scope(language);
            PlotTestContext context;
            try {
                PlotBuilder::surface(c.arguments, context, "t");
                ADD_FAILURE() << "no failure";
            } catch (const CalcError& error) {
                EXPECT_EQ(error.message(), language == AppLanguage::english ? c.english : c.japanese);
            }
        }
    }
}

// Ranges whose width overflows are refused; near the limit, every cell and every range is finite.
TEST(PlotSurface, RangesNearTheDoubleLimit) {
    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(plotFailure("plot(x*y, -1e308, 1e308)"), "The range needs left < right");
    EXPECT_EQ(plotFailure("plot(x + y, 0, 1, -1e308, 1e308)"), "The range needs left < right");
    EXPECT_EQ(plotFailure("plot(x + y, -1e308, 1e308, 0, 1)"), "The range needs left < right");

    // Twenty times the x width overflows; the grid still spans the range in finite steps.
    const PlotSpec wide = plotLine("plot(x + 0*y, -1.6e308, 1e307, 0, 1)");
    EXPECT_EQ(definedCells(wide), 441u);
    EXPECT_EQ(wide.surface[0][0], -1.6e308);
    for (int i = 1; i < 21; ++i)
        EXPECT_GT(*wide.surface[0][i], *wide.surface[0][i - 1]);
    EXPECT_LE(*wide.surface[0][20], 1e307);

    // Values whose spread overflows: the z range stays within the doubles.
    const PlotSpec tall = plotLine("plot(x * 1.7e307 + 0*y)");
    EXPECT_EQ(tall.zRange, (PlotRange{-largest, largest}));
}

} // namespace
} // namespace vell
