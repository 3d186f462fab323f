#include "Plots/PlotGeometry.h"
#include "Support/EngineSettingsScope.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace vell {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double pi = std::numbers::pi;

TEST(NiceTicks, StepsOfOneTwoOrFiveAccumulatedByAddition) {
    struct Case {
        double lower, upper;
        std::vector<double> ticks;
    };
    const Case cases[] = {
        {0, 10, {0, 2, 4, 6, 8, 10}},
        {-10, 10, {-10, -5, 0, 5, 10}},
        {0, 7, {0, 1, 2, 3, 4, 5, 6, 7}},
        {-3.3, 12.7, {-2, 0, 2, 4, 6, 8, 10, 12}},
        // The third tick is 0.2 + 0.2 + 0.2, not 3 × 0.2.
        {0, 1, {0, 0.2, 0.4, 0.6000000000000001, 0.8, 1.0}},
        // The fifth addition of 0.1 lands a hair above −1.5, so the last tick is lost.
        {-2, -1.5, {-2, -1.9, -1.8, -1.7, -1.6}},
        {0.5, 0.75, {0.5, 0.55, 0.6000000000000001, 0.6500000000000001, 0.7000000000000002}},
        {3, 3.001, {3, 3.0002, 3.0004, 3.0006, 3.0008, 3.001}},
        // Empty, reversed and non-finite ranges.
        {5, 5, {}},
        {5, 1, {}},
        {0, inf, {}},
        {-inf, 0, {}},
        {nan, 1, {}},
        {0, nan, {}},
        {-1.7e308, 1.7e308, {}},
        // Spans near the smallest double have no step.
        {0, std::numeric_limits<double>::denorm_min(), {}},
        {0, 4 * std::numeric_limits<double>::denorm_min(), {}},
    };
    for (const Case& c : cases) {
        const std::vector<double> ticks = niceTicks(c.lower, c.upper);
        ASSERT_EQ(ticks.size(), c.ticks.size()) << c.lower << " to " << c.upper;
        for (std::size_t k = 0; k < ticks.size(); ++k) {
            if (c.lower == -2 || c.lower == 0.5 || c.lower == 3)
                EXPECT_NEAR(ticks[k], c.ticks[k], std::fabs(c.ticks[k]) * 1e-12) << c.lower << " tick " << k;
            else
                EXPECT_EQ(ticks[k], c.ticks[k]) << c.lower << " to " << c.upper << " tick " << k;
        }
    }
}

TEST(NiceTicks, TheLastTickIsLostToRoundingNotToTheRange) {
    const std::vector<double> ticks = niceTicks(-2, -1.5);
    ASSERT_EQ(ticks.size(), 5u);
    EXPECT_LT(ticks.back(), -1.5);
    EXPECT_GT(ticks.back() + 0.1, -1.5);
}

TEST(NiceTicks, ZeroIsPositiveAndAtMostTwentyFourTicksAreMade) {
    for (const auto& [lower, upper] : {std::pair{-1.0, 1.0}, {-0.3, 0.3}, {-10.0, 10.0}}) {
        const std::vector<double> ticks = niceTicks(lower, upper);
        const auto zero = std::find(ticks.begin(), ticks.end(), 0.0);
        ASSERT_NE(zero, ticks.end()) << lower;
        EXPECT_FALSE(std::signbit(*zero)) << lower;
    }
    EXPECT_EQ(niceTicks(-1, 1), (std::vector<double>{-1, -0.5, 0, 0.5, 1}));
    // An offset so large that adding the step changes nothing stops at the cap instead of looping.
    const std::vector<double> stuck = niceTicks(1e17, 1e17 + 16);
    EXPECT_EQ(stuck.size(), 24u);
}

TEST(RoundedLabel, ThreeSignificantDigitsWithGrouping) {
    testsupport::EngineSettingsScope scope;
    scope.setMaxFractionDigits(10);
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {1234.5, "1,230"}, {0.012345, "0.0123"}, {-98765, "-98,800"}, {999.5, "1,000"}, {12, "12"}, {0, "0"},
        {-0.0, "0"},       {2.5e-3, "0.0025"},   {inf, "∞"},          {-inf, "-∞"},     {nan, "—"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(roundedLabel(c.value), c.text) << c.value;
    // Where the power of ten underflows the value is written as it is, never as NaN.
    EXPECT_NE(roundedLabel(std::numeric_limits<double>::denorm_min()), "—");
    EXPECT_NE(roundedLabel(std::numeric_limits<double>::denorm_min()), "0");
}

TEST(PlotRect, LeftMarginHoldsTheLabelsUpToFortyPerCent) {
    struct Case {
        QSizeF canvas;
        double labelWidth;
        QRectF rect;
    };
    const Case cases[] = {
        {{720, 190}, 30, {38, 10, 672, 160}},
        {{720, 190}, 0, {8, 10, 702, 160}},     // no ticks
        {{720, 190}, 500, {288, 10, 422, 160}}, // long labels: 40 % of the width
        {{100, 100}, 20, {28, 10, 62, 70}},
        {{12, 20}, 30, {4.8, 10, 1, 1}}, // never less than one point either way
    };
    for (const Case& c : cases)
        EXPECT_EQ(plotRect(c.canvas, c.labelWidth), c.rect) << c.labelWidth;
}

TEST(AxisMap, ValuesMapLinearlyAndAZeroSpanLiesInTheMiddle) {
    const AxisMap map{{10, 20, 200, 100}, {0, 4}, {-1, 1}};
    EXPECT_DOUBLE_EQ(map.x(0), 10);
    EXPECT_DOUBLE_EQ(map.x(1), 60);
    EXPECT_DOUBLE_EQ(map.x(4), 210);
    EXPECT_DOUBLE_EQ(map.x(8), 410); // outside the range, outside the rectangle
    EXPECT_DOUBLE_EQ(map.y(-1), 120);
    EXPECT_DOUBLE_EQ(map.y(0), 70);
    EXPECT_DOUBLE_EQ(map.y(1), 20);
    EXPECT_DOUBLE_EQ(map.y(2), -30);

    const AxisMap flat{{10, 20, 200, 100}, {3, 3}, {5, 1}};
    EXPECT_DOUBLE_EQ(flat.x(-7), 110);
    EXPECT_DOUBLE_EQ(flat.y(42), 70);
}

TEST(TickIsShown, HalfAPointOutsideStillCounts) {
    EXPECT_TRUE(tickIsShown(9.5, 10, 100));
    EXPECT_TRUE(tickIsShown(100.5, 10, 100));
    EXPECT_FALSE(tickIsShown(9.49, 10, 100));
    EXPECT_FALSE(tickIsShown(100.51, 10, 100));
    EXPECT_FALSE(tickIsShown(nan, 10, 100));
}

TEST(BarLayout, SlotsWidthsAndTheBaseline) {
    struct Case {
        double width;
        std::size_t count;
        double barWidth;
    };
    const Case cases[] = {{100, 1, 54}, {300, 10, 18.6}, {60, 2, 18.6}, {1000, 3, 54}};
    for (const Case& c : cases) {
        const BarLayout layout = barLayout({{0, 0, c.width, 100}, {0, 1}, {0, 10}}, c.count);
        EXPECT_DOUBLE_EQ(layout.barWidth, c.barWidth) << c.count << " in " << c.width;
        EXPECT_DOUBLE_EQ(layout.slot, c.width / static_cast<double>(c.count));
    }

    const AxisMap map{{20, 10, 300, 100}, {0, 1}, {-5, 5}};
    const BarLayout layout = barLayout(map, 10);
    EXPECT_DOUBLE_EQ(layout.baselineY, 60);
    EXPECT_DOUBLE_EQ(layout.centerX(0), 35);
    EXPECT_DOUBLE_EQ(layout.centerX(9), 305);
    EXPECT_EQ(layout.bar(0, map.y(5)), QRectF(25.7, 10, 18.6, 50));
    EXPECT_EQ(layout.bar(1, map.y(-2.5)), QRectF(55.7, 60, 18.6, 25)); // negative: from the baseline down
    EXPECT_EQ(layout.bar(2, map.y(0)), QRectF(85.7, 60, 18.6, 1));     // at the baseline: one point high

    // A value axis of no height puts the baseline in the middle.
    EXPECT_DOUBLE_EQ(barLayout({{0, 10, 100, 80}, {0, 1}, {2, 2}}, 1).baselineY, 50);
}

struct Bounds {
    double left = inf, right = -inf, top = inf, bottom = -inf;
};

Bounds floorBounds(const SurfaceLayout& layout) {
    Bounds b;
    for (const auto& [u, v] : {std::pair{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}}) {
        const QPointF p = layout.project(u, v, 0);
        b.left = std::min(b.left, p.x());
        b.right = std::max(b.right, p.x());
        b.top = std::min(b.top, p.y());
        b.bottom = std::max(b.bottom, p.y());
    }
    return b;
}

TEST(SurfaceLayout, AtYawZeroTheFloorIsAnUprightRectangle) {
    const QRectF rect(6, 6, 912, 248);
    const SurfaceLayout layout = surfaceLayout(rect, {0, 0.25}, 24);
    EXPECT_DOUBLE_EQ(layout.gutter, 30);
    // Its shape is that of a floor 2 × 238 wide; it is drawn across the width beside the gutter.
    EXPECT_DOUBLE_EQ(layout.R, 0.5 * (912.0 - 30 - SurfaceLayout::rightRoom)); // 417
    EXPECT_DOUBLE_EQ(layout.t, 238 * 0.25);
    EXPECT_DOUBLE_EQ(layout.cx, 6 + 30 + layout.R);

    EXPECT_EQ(layout.project(-0.5, -0.5, 0), QPointF(layout.cx - layout.R, layout.baseY - layout.t));
    EXPECT_EQ(layout.project(0.5, 0.5, 0), QPointF(layout.cx + layout.R, layout.baseY + layout.t));
    EXPECT_DOUBLE_EQ(layout.project(0, 0, 1).y(), layout.baseY - layout.zHeight);

    // (−0.5, 0.5) has the same x and does not replace the first corner.
    EXPECT_EQ(layout.zAxisCorner(), QPointF(-0.5, -0.5));
    // The x label below the edge v = 0.5, the y label right of the edge u = 0.5.
    const QPointF xLabel = layout.labelPoint(layout.xEdgeMidpoint());
    EXPECT_DOUBLE_EQ(xLabel.x(), layout.cx);
    EXPECT_DOUBLE_EQ(xLabel.y(), layout.baseY + layout.t + 14);
    const QPointF yLabel = layout.labelPoint(layout.yEdgeMidpoint());
    EXPECT_DOUBLE_EQ(yLabel.x(), layout.cx + layout.R + 14);
    EXPECT_DOUBLE_EQ(yLabel.y(), layout.baseY);

    // Floor and heights fill the rectangle's height, centred.
    EXPECT_DOUBLE_EQ(layout.zHeight, std::min(1.6 * 238, 248 - 2 * layout.t - 26));
    const double extra = (248 - layout.zHeight - 2 * layout.t) / 2;
    EXPECT_DOUBLE_EQ(layout.baseY, 6 + extra + layout.zHeight + layout.t);
}

TEST(SurfaceLayout, TurnedFloorsStayTwoRWideAndTwoTHigh) {
    const QRectF rect(6, 6, 912, 248);
    for (double yaw : {0.0, pi / 4, 1.0, pi / 2, 2.5, pi, 4.0, 5.9}) {
        const SurfaceLayout layout = surfaceLayout(rect, {yaw, 0.25}, 24);
        const Bounds b = floorBounds(layout);
        EXPECT_NEAR(b.right - b.left, 2 * layout.R, 1e-9) << yaw;
        EXPECT_NEAR(b.bottom - b.top, 2 * layout.t, 1e-9) << yaw;
        EXPECT_NEAR(b.left, layout.cx - layout.R, 1e-9) << yaw;
    }
}

TEST(SurfaceLayout, AtTheDefaultAngleTheAxisStandsAtTheLeftCornerOfADiamond) {
    const SurfaceLayout layout = surfaceLayout({6, 6, 912, 248}, PlotAngle{}, 24);
    EXPECT_EQ(layout.zAxisCorner(), QPointF(-0.5, 0.5));
    const QPointF corner = layout.project(-0.5, 0.5, 0);
    EXPECT_NEAR(corner.x(), layout.cx - layout.R, 1e-9);
    EXPECT_NEAR(corner.y(), layout.baseY, 1e-9); // at mid depth
    EXPECT_NEAR(layout.depth(-0.5, 0.5), 0, 1e-12);
    // The range labels stand beyond the near edges: x below right of the centre, y below left.
    const QPointF xLabel = layout.labelPoint(layout.xEdgeMidpoint());
    const QPointF yLabel = layout.labelPoint(layout.yEdgeMidpoint());
    EXPECT_GT(xLabel.y(), layout.baseY);
    EXPECT_LT(xLabel.x(), layout.cx);
    EXPECT_GT(yLabel.y(), layout.baseY);
    EXPECT_GT(yLabel.x(), layout.cx);
}

TEST(SurfaceLayout, PastTheCapTheFloorShrinksAndIsDrawnAtMostTwiceAsWide) {
    const QRectF rect(0, 0, 912, 248);
    const double cap = 0.3 * (248 - 26);
    const SurfaceLayout steep = surfaceLayout(rect, {pi / 4, 0.95}, 24);
    EXPECT_DOUBLE_EQ(steep.t, cap);
    EXPECT_DOUBLE_EQ(steep.R, 2 * cap / 0.95);
    const SurfaceLayout flat = surfaceLayout(rect, {pi / 4, 0.25}, 24);
    EXPECT_DOUBLE_EQ(flat.R, 417);
    EXPECT_DOUBLE_EQ(flat.t, 238 * 0.25);
    EXPECT_LT(flat.t, cap);

    // Small rectangles keep a floor of at least 20 and a cap of at least 20.
    const SurfaceLayout tiny = surfaceLayout({0, 0, 30, 20}, {0, 0.95}, 10);
    EXPECT_DOUBLE_EQ(tiny.R, 20);
    EXPECT_DOUBLE_EQ(tiny.t, 19);
    EXPECT_DOUBLE_EQ(tiny.zHeight, 10);
    EXPECT_DOUBLE_EQ(tiny.baseY, 10 + 19); // no room to centre: no space on top
}

// A surface under its line is as wide as the editor, under the answer column too: its floor runs
// across the width beside the z labels, drawn wider than its shape where the height holds it back,
// at most twice as wide; what is left over on a very wide canvas is shared out on both sides.
TEST(SurfaceLayout, TheFloorRunsAcrossTheWidthItsHeightsKeepTheirRule) {
    struct Case {
        double width;
        PlotAngle angle;
    };
    const Case cases[] = {
        {731, PlotAngle{}},    {731, {0, 0.25}},  {731, {1.0, 0.6}},   {912, PlotAngle{}},
        {912, {pi / 4, 0.95}}, {600, {2.5, 0.1}}, {2000, PlotAngle{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " yaw " << c.angle.yaw << " tilt " << c.angle.tilt);
        const QRectF rect(6, 6, c.width, 248);
        const SurfaceLayout layout = surfaceLayout(rect, c.angle, 24);
        const Bounds floor = floorBounds(layout);
        const double left = rect.left() + layout.gutter;
        const double right = rect.right() - SurfaceLayout::rightRoom;
        // The floor's shape and heights as a square canvas would have them.
        const double shapeR =
            std::min(0.5 * std::min(2 * 248.0, c.width - 30) - 10, 0.3 * (248 - 26) / c.angle.tilt);
        EXPECT_DOUBLE_EQ(layout.t, shapeR * c.angle.tilt);
        EXPECT_DOUBLE_EQ(layout.zHeight, std::min(1.6 * shapeR, 248 - 2 * layout.t - 26));
        EXPECT_NEAR(floor.bottom - floor.top, 2 * layout.t, 1e-9);
        EXPECT_NEAR(floor.right - floor.left, 2 * layout.R, 1e-9);
        EXPECT_LE(layout.R, 2 * shapeR + 1e-9);
        EXPECT_GE(layout.R, shapeR - 1e-9);
        if (layout.R < 2 * shapeR) {
            EXPECT_NEAR(floor.left, left, 1e-9);
            EXPECT_NEAR(floor.right, right, 1e-9);
        } else {
            EXPECT_NEAR(floor.left - left, right - floor.right, 1e-9);
        }
    }
    // At the default window the floor is wider than the old square rule made it.
    EXPECT_GT(surfaceLayout({6, 6, 731, 248}, PlotAngle{}, 24).R, 300);
}

TEST(SurfaceLayout, LongZLabelsTakeAtMostThirtyPerCent) {
    for (double labelWidth : {10.0, 200.0, 5000.0}) {
        const SurfaceLayout layout = surfaceLayout({0, 0, 400, 200}, PlotAngle{}, labelWidth);
        EXPECT_DOUBLE_EQ(layout.gutter, std::min(labelWidth + 6, 120.0)) << labelWidth;
        EXPECT_GE(layout.cx - layout.R, std::min(labelWidth + 6, 120.0)) << labelWidth;
    }
}

TEST(SurfaceCells, SortedFarToNearKeepingRowOrderAmongEquals) {
    struct Case {
        double yaw;
        std::vector<SurfaceCell> order;
    };
    const Case cases[] = {
        // Depth is v: rows from the back, each row left to right.
        {0, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}},
        // Depth is u: columns from the back, rows in order within a column.
        {pi / 2, {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}}},
        // Depth is −v.
        {pi, {{0, 1}, {1, 1}, {2, 1}, {0, 0}, {1, 0}, {2, 0}}},
        // Depth is −u.
        {3 * pi / 2, {{2, 0}, {2, 1}, {1, 0}, {1, 1}, {0, 0}, {0, 1}}},
    };
    for (const Case& c : cases) {
        const auto cells = cellsBackToFront(4, 3, std::round(std::sin(c.yaw)), std::round(std::cos(c.yaw)));
        EXPECT_EQ(cells, c.order) << c.yaw;
    }
    EXPECT_TRUE(cellsBackToFront(1, 5, 0, 1).empty());
    EXPECT_TRUE(cellsBackToFront(5, 1, 0, 1).empty());
    EXPECT_EQ(cellsBackToFront(21, 21, std::sin(pi / 4), std::cos(pi / 4)).size(), 400u);
}

TEST(SurfaceCells, FartherComparesTheDepthOfCentres) {
    const double s = std::sin(pi / 4), c = std::cos(pi / 4);
    EXPECT_TRUE(cellIsFarther({0, 0}, {1, 0}, s, c, 2, 2));
    EXPECT_TRUE(cellIsFarther({1, 0}, {1, 1}, s, c, 2, 2));
    EXPECT_FALSE(cellIsFarther({1, 1}, {0, 1}, s, c, 2, 2));
    // At yaw 0 the cells of a row lie at one depth: neither is farther.
    EXPECT_FALSE(cellIsFarther({0, 0}, {1, 0}, 0, 1, 2, 2));
    EXPECT_FALSE(cellIsFarther({1, 0}, {0, 0}, 0, 1, 2, 2));
    // Steps of unequal counts: the centre of column 2 of 4 lies at u = 0.125.
    EXPECT_TRUE(cellIsFarther({1, 0}, {2, 0}, 1, 0, 4, 2));
}

TEST(SurfaceHeight, ClampedToTheRangeAndNaNOnTheFloor) {
    EXPECT_DOUBLE_EQ(surfaceHeight(5, 0, 10), 0.5);
    EXPECT_DOUBLE_EQ(surfaceHeight(-3, 0, 10), 0);
    EXPECT_DOUBLE_EQ(surfaceHeight(30, 0, 10), 1);
    EXPECT_DOUBLE_EQ(surfaceHeight(nan, 0, 10), 0);
    EXPECT_DOUBLE_EQ(surfaceHeight(inf, 0, 10), 1);
    EXPECT_DOUBLE_EQ(surfaceHeight(-inf, 0, 10), 0);
    EXPECT_DOUBLE_EQ(surfaceHeight(1, 1, std::numeric_limits<double>::denorm_min()), 0);
}

TEST(HeightColor, ThreeStopsBlueStoneOrange) {
    struct Case {
        double mean;
        float r, g, b;
    };
    const Case cases[] = {
        {0, 0.23f, 0.45f, 0.82f},     {0.5, 0.84f, 0.83f, 0.80f},    {1, 0.91f, 0.48f, 0.16f},
        {0.25, 0.535f, 0.64f, 0.81f}, {0.75, 0.875f, 0.655f, 0.48f}, {-1, 0.23f, 0.45f, 0.82f},
        {nan, 0.23f, 0.45f, 0.82f},   {7, 0.91f, 0.48f, 0.16f},
    };
    for (const Case& c : cases) {
        const QColor color = heightColor(c.mean);
        EXPECT_NEAR(color.redF(), c.r, 1e-4) << c.mean;
        EXPECT_NEAR(color.greenF(), c.g, 1e-4) << c.mean;
        EXPECT_NEAR(color.blueF(), c.b, 1e-4) << c.mean;
        EXPECT_EQ(color.alpha(), 255);
    }
}

TEST(PlotAngle, DragTurnsFromTheAngleAtMouseDown) {
    struct Case {
        PlotAngle start;
        double dx, dy;
        PlotAngle end;
    };
    const PlotAngle start{};
    const Case cases[] = {
        {start, 100, 0, {pi / 4 - 0.8 + 2 * pi, 0.25}}, // right lowers the yaw, modulo 2π
        {start, -100, 0, {pi / 4 + 0.8, 0.25}},
        {start, 0, 50, {pi / 4, 0.45}},
        {start, 0, 1000, {pi / 4, 0.95}},
        {start, 0, -1000, {pi / 4, 0.1}},
        {{0, 0.5}, 1, 0, {2 * pi - 0.008, 0.5}},
        {{6, 0.5}, -100, 0, {6.8 - 2 * pi, 0.5}},
        {start, 0, 0, start},
    };
    for (const Case& c : cases) {
        const PlotAngle end = c.start.dragged(c.dx, c.dy);
        EXPECT_NEAR(end.yaw, c.end.yaw, 1e-12) << c.dx << ", " << c.dy;
        EXPECT_NEAR(end.tilt, c.end.tilt, 1e-12) << c.dx << ", " << c.dy;
        EXPECT_GE(end.yaw, 0);
        EXPECT_LT(end.yaw, 2 * pi);
    }
    EXPECT_EQ(start, (PlotAngle{0.7853981633974483, 0.25}));
}

} // namespace
} // namespace vell
