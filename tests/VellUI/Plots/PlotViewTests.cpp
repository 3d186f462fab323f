#include "Appearance/Theme.h"
#include "Plots/PlotPixels.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace vell {
namespace {

using testsupport::colorAt;
using testsupport::isTransparent;
using testsupport::near;
using testsupport::renderedPlot;
using testsupport::withOpacity;

PlotSpec curve() {
    PlotSpec spec;
    spec.kind = PlotSpec::Kind::curve;
    spec.title = "plot(x)";
    spec.xRange = {-1, 1};
    spec.yRange = {-1, 1};
    // The second segment runs out of the ranges at the top right; the third has one point only.
    spec.segments = {{{-1, -1}, {-0.5, -0.5}}, {{-0.3, -0.3}, {1.2, 1.2}}, {{0.7, -0.8}}};
    return spec;
}

// How much of a row of the image (at y points) the colour covers, in points: alpha summed over the
// row, each pixel counting by its share of the colour's full alpha.
double coveredWidth(const QImage& image, double y, int fullAlpha) {
    double pixels = 0;
    const int row = static_cast<int>(2 * y);
    for (int x = 0; x < image.width(); ++x)
        pixels += image.pixelColor(x, row).alpha() / static_cast<double>(fullAlpha);
    return pixels / 2;
}

TEST(PlotViewCurve, CurveInItsRectangleOverGridAndAxes) {
    const QSizeF size(400, 200);
    const PlotSpec spec = curve();
    const QImage image = renderedPlot(spec, size);
    const AxisMap map = testsupport::axisMapOf(spec, size);
    ASSERT_GT(map.rect.left(), 8);

    for (QPointF corner :
         {QPointF(0.2, 0.2), QPointF(399.7, 0.2), QPointF(0.2, 199.7), QPointF(399.7, 199.7)})
        EXPECT_TRUE(isTransparent(image, corner)) << corner.x() << ", " << corner.y();

    const QColor accent = Theme::accent.resolve(false);
    EXPECT_TRUE(near(colorAt(image, map.point(0.6, 0.6)), accent));
    EXPECT_TRUE(near(colorAt(image, map.point(-0.75, -0.75)), accent));
    // Clipped: where the curve would run on above the rectangle nothing is drawn.
    EXPECT_LT(map.y(1.04), map.rect.top() - 2);
    EXPECT_TRUE(isTransparent(image, map.point(1.04, 1.04)));
    // Segments are not joined, and a one-point segment draws nothing.
    EXPECT_TRUE(isTransparent(image, map.point(-0.4, -0.4)));
    EXPECT_TRUE(isTransparent(image, map.point(0.7, -0.8)));

    // The zero axes lie over the grid lines at zero, and over those that cross them.
    const QColor separator = Theme::separator.resolve(false);
    const QColor ink = Theme::secondaryInk.resolve(false);
    const auto closerToInk = [&](QColor pixel) {
        const auto distance = [&](QColor to) {
            return std::abs(pixel.red() - to.red()) + std::abs(pixel.green() - to.green()) +
                   std::abs(pixel.blue() - to.blue());
        };
        return pixel.alpha() >= 140 && distance(ink) < distance(separator);
    };
    EXPECT_TRUE(closerToInk(colorAt(image, {map.x(0), map.y(0.75)})));
    EXPECT_TRUE(closerToInk(colorAt(image, {map.x(-0.75), map.y(0)})));
    EXPECT_TRUE(closerToInk(colorAt(image, {map.x(0), map.y(0.5)})));
    EXPECT_TRUE(closerToInk(colorAt(image, {map.x(0.5), map.y(0)})));
    // A grid line alone is the separator's colour.
    EXPECT_GT(colorAt(image, {map.x(0.5), map.y(0.75)}).alpha(), 0);
    EXPECT_TRUE(near(colorAt(image, {map.x(0.5), map.y(0.75)}).rgb(), separator.rgb(), 40));
}

TEST(PlotViewCurve, DarkUsesTheDarkValues) {
    const QSizeF size(400, 200);
    const PlotSpec spec = curve();
    const AxisMap map = testsupport::axisMapOf(spec, size);
    const QImage dark = renderedPlot(spec, size, true);
    EXPECT_TRUE(near(colorAt(dark, map.point(0.6, 0.6)), Theme::accent.resolve(true)));
    EXPECT_TRUE(near(colorAt(dark, map.point(-0.75, -0.75)), Theme::accent.resolve(true)));
    // Where the axis at x = 0 covers its grid line, the pixel is the dark ink over the dark separator.
    const QColor axis = colorAt(dark, {map.x(0), map.y(0.75)});
    EXPECT_LT(axis.red(), 0x90);
    EXPECT_GT(axis.alpha(), 140);
}

TEST(PlotViewCurve, DegenerateRangesDrawNoGridAndValuesInTheMiddle) {
    PlotSpec spec = curve();
    spec.xRange = {0, 2};
    spec.yRange = {2, 2};
    spec.segments = {{{0, 2}, {2, 2}}};
    const QSizeF size(400, 200);
    const QImage image = renderedPlot(spec, size);
    const AxisMap map = testsupport::axisMapOf(spec, size);
    EXPECT_EQ(map.rect.left(), 8); // no ticks, no labels
    // Every y value lies in the middle; no y grid lines or labels are drawn.
    EXPECT_TRUE(near(colorAt(image, map.rect.center()), Theme::accent.resolve(false)));
    EXPECT_TRUE(near(colorAt(image, {map.x(0.25), map.rect.center().y()}), Theme::accent.resolve(false)));
    EXPECT_TRUE(isTransparent(image, {map.x(0.25), map.rect.top() + 1}));
    EXPECT_TRUE(isTransparent(image, {4, map.rect.center().y()}));
}

TEST(PlotViewCurve, ATitleStandsAboveTheDrawingWhenAsked) {
    const PlotSpec spec = curve();
    QImage titled(800, 400, QImage::Format_ARGB32_Premultiplied);
    titled.setDevicePixelRatio(2);
    titled.fill(Qt::transparent);
    {
        QPainter painter(&titled);
        PlotView::render(painter, {400, 200}, spec, {}, false, true);
    }
    const QImage plain = renderedPlot(spec, {400, 200});
    const auto inkInTopRows = [](const QImage& image) {
        int drawn = 0;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 80; ++x)
                drawn += image.pixelColor(x, y).alpha() > 0;
        return drawn;
    };
    EXPECT_GT(inkInTopRows(titled), 10);
    EXPECT_EQ(inkInTopRows(plain), 0);
}

PlotSpec bars(std::vector<PlotBar> values, PlotRange yRange) {
    PlotSpec spec;
    spec.kind = PlotSpec::Kind::bars;
    spec.title = "bars(…)";
    spec.bars = std::move(values);
    spec.xRange = {0, static_cast<double>(spec.bars.size())};
    spec.yRange = yRange;
    return spec;
}

// A canvas whose plot rectangle is exactly `width` wide.
QSizeF canvasForPlotWidth(const PlotSpec& spec, double width, double height) {
    const double left = testsupport::axisMapOf(spec, {1000, height}).rect.left();
    return {left + width + 10, height};
}

TEST(PlotViewBars, BarWidthsFromTheirSlots) {
    struct Case {
        std::size_t count;
        double plotWidth;
        double barWidth;
    };
    const Case cases[] = {{1, 100, 54}, {10, 300, 18.6}};
    for (const Case& c : cases) {
        std::vector<PlotBar> values;
        for (std::size_t k = 0; k < c.count; ++k)
            values.push_back({"b" + std::to_string(k), 7});
        const PlotSpec spec = bars(values, {0, 10});
        const QSizeF size = canvasForPlotWidth(spec, c.plotWidth, 150);
        const AxisMap map = testsupport::axisMapOf(spec, size);
        ASSERT_DOUBLE_EQ(map.rect.width(), c.plotWidth);
        const QImage image = renderedPlot(spec, size);
        const double covered = coveredWidth(image, map.y(3), 191);
        EXPECT_NEAR(covered / static_cast<double>(c.count), c.barWidth, 0.3) << c.count << " bars";
        EXPECT_TRUE(near(
            colorAt(image, {map.rect.left() + map.rect.width() / static_cast<double>(2 * c.count), map.y(3)}),
            withOpacity(Theme::accent, false, 0.75)));
    }
}

TEST(PlotViewBars, ABarAtTheBaselineIsOnePointHigh) {
    const PlotSpec spec = bars({{"a", 0}, {"b", 4}}, {-5, 5});
    const QSizeF size(400, 150);
    const AxisMap map = testsupport::axisMapOf(spec, size);
    ASSERT_DOUBLE_EQ(map.y(0), 70);
    const QImage image = renderedPlot(spec, size);
    const BarLayout layout = barLayout(map, 2);
    const double x = layout.centerX(0) - layout.barWidth / 4;
    const QColor fill = withOpacity(Theme::accent, false, 0.75);
    EXPECT_TRUE(near(colorAt(image, {x, 70.75}), fill)); // below the baseline's line, inside the bar
    EXPECT_TRUE(isTransparent(image, {x, 71.75}));       // one point down: past the bar
    EXPECT_TRUE(isTransparent(image, {x, 68.75}));       // above the baseline's line
    EXPECT_TRUE(near(colorAt(image, {x, 70.25}).rgb(), Theme::secondaryInk.resolve(false).rgb(), 60));
    // The second bar stands from the baseline up to 4.
    EXPECT_TRUE(near(colorAt(image, {layout.centerX(1) - 10, map.y(3)}), fill));
    EXPECT_TRUE(isTransparent(image, {layout.centerX(1) - 10, map.y(4.5)}));
}

TEST(PlotViewBars, NoBarsDrawTheGridOnly) {
    const PlotSpec spec = bars({}, {0, 10});
    const QSizeF size(400, 150);
    const AxisMap map = testsupport::axisMapOf(spec, size);
    const QImage image = renderedPlot(spec, size);
    EXPECT_GT(colorAt(image, {map.rect.center().x(), map.y(4)}).alpha(), 0);    // a grid line
    EXPECT_TRUE(isTransparent(image, {map.rect.center().x(), map.y(0) + 0.6})); // no baseline
    EXPECT_TRUE(isTransparent(image, {map.rect.center().x(), map.y(0) - 0.9}));
}

PlotSpec surface(std::vector<std::vector<std::optional<double>>> grid, PlotRange zRange) {
    PlotSpec spec;
    spec.kind = PlotSpec::Kind::surface;
    spec.title = "plot(x × y)";
    spec.surface = std::move(grid);
    spec.xRange = {-1, 1};
    spec.yRange = {-1, 1};
    spec.zRange = zRange;
    return spec;
}

constexpr QSizeF surfaceSize(924, 260);
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

QColor rgb(double r, double g, double b) {
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
}

TEST(PlotViewSurface, CellsColouredAndRaisedByHeight) {
    struct Case {
        const char* name;
        std::vector<std::vector<std::optional<double>>> grid;
        double height; // of the cell's middle
        QColor color;
    };
    const Case cases[] = {
        {"above the range", {{10, 10}, {10, 12}}, 1, rgb(0.91, 0.48, 0.16)},
        {"below the range", {{-5, -5}, {-5, -6}}, 0, rgb(0.23, 0.45, 0.82)},
        {"not a number", {{notANumber, notANumber}, {notANumber, notANumber}}, 0, rgb(0.23, 0.45, 0.82)},
        {"mean at the middle", {{0, 1}, {0, 1}}, 0.5, rgb(0.84, 0.83, 0.80)},
        {"a quarter", {{0.25, 0.25}, {0.25, 0.25}}, 0.25, rgb(0.535, 0.64, 0.81)},
    };
    for (const Case& c : cases) {
        for (bool dark : {false, true}) {
            const PlotSpec spec = surface(c.grid, {0, 1});
            const SurfaceLayout layout = testsupport::surfaceLayoutOf(spec, surfaceSize);
            const QImage image = renderedPlot(spec, surfaceSize, dark);
            EXPECT_TRUE(near(colorAt(image, layout.project(0, 0, c.height)), c.color, 3))
                << c.name << (dark ? " dark" : " light");
        }
    }
}

TEST(PlotViewSurface, AnUndefinedCornerLeavesAHole) {
    // Three columns, two rows; the right cell lacks a corner. At yaw 0 the two cells stand side by side.
    const PlotSpec spec = surface({{0.5, 0.5, std::nullopt}, {0.5, 0.5, 0.5}}, {0, 1});
    const PlotAngle front{0, 0.25};
    const SurfaceLayout layout = testsupport::surfaceLayoutOf(spec, surfaceSize, front);
    const QImage image = renderedPlot(spec, surfaceSize, false, front);
    EXPECT_TRUE(near(colorAt(image, layout.project(-0.375, 0.25, 0.5)), rgb(0.84, 0.83, 0.80), 3));
    EXPECT_TRUE(isTransparent(image, layout.project(0.375, 0.25, 0.5)));
    // The floor's grid shows through the hole.
    EXPECT_GT(colorAt(image, layout.project(0.25, 0.4, 0)).alpha(), 0);

    // A row shorter than the first is read as far as it goes; the cells it cannot make are holes.
    const PlotSpec ragged = surface({{0.5, 0.5, 0.5}, {0.5, 0.5}}, {0, 1});
    const QImage raggedImage = renderedPlot(ragged, surfaceSize, false, front);
    EXPECT_TRUE(near(colorAt(raggedImage, layout.project(-0.375, 0.25, 0.5)), rgb(0.84, 0.83, 0.80), 3));
    EXPECT_TRUE(isTransparent(raggedImage, layout.project(0.375, 0.25, 0.5)));
}

TEST(PlotViewSurface, NearerCellsArePaintedOverFartherOnes) {
    // At yaw 0 row 1 lies in front of row 0; raised high, the back cell would show over the front one's
    // place on the canvas if it were painted last.
    const PlotSpec spec = surface({{1, 1}, {1, 1}, {0, 0}}, {0, 1});
    const PlotAngle front{0, 0.25};
    const SurfaceLayout layout = testsupport::surfaceLayoutOf(spec, surfaceSize, front);
    const QImage image = renderedPlot(spec, surfaceSize, false, front);
    // The front cell slopes from height 1 at v = 0 to 0 at v = 0.5; the back cell is flat at height 1.
    const QPointF probe = layout.project(0, 0.1, 0.8);
    EXPECT_TRUE(near(colorAt(image, probe), heightColor(0.5), 3));
}

TEST(PlotViewSurface, OneRowOrOneColumnDrawsNothing) {
    for (const auto& grid : std::vector<std::vector<std::vector<std::optional<double>>>>{
             {{1, 2, 3}}, {{1}, {2}, {3}}, {}, {{}, {}}}) {
        const QImage image = renderedPlot(surface(grid, {0, 3}), surfaceSize);
        bool empty = true;
        for (int y = 0; y < image.height() && empty; ++y)
            for (int x = 0; x < image.width() && empty; ++x)
                empty = image.pixelColor(x, y).alpha() == 0;
        EXPECT_TRUE(empty) << grid.size() << " rows";
    }
}

TEST(PlotViewSurface, TheHintInBothLanguages) {
    testsupport::EngineSettingsScope scope;
    scope.setLanguage(AppLanguage::japanese);
    EXPECT_EQ(PlotView::turnHint(), "↔ 横になぞると回ります");
    scope.setLanguage(AppLanguage::english);
    EXPECT_EQ(PlotView::turnHint(), "↔ drag sideways to turn");
}

} // namespace
} // namespace vell
