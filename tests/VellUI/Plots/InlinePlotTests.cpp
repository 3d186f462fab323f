#include "Plots/InlinePlot.h"
#include "Plots/PlotPixels.h"
#include "Support/EngineSettingsScope.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <set>

namespace vell {
namespace {

PlotSpec curveTitled(std::string title) {
    PlotSpec spec;
    spec.kind = PlotSpec::Kind::curve;
    spec.title = std::move(title);
    spec.segments = {{{0, 0}, {1, 1}, {2, 4}}};
    spec.xRange = {0, 2};
    spec.yRange = {0, 4};
    return spec;
}

PlotSpec surfaceTitled(std::string title) {
    PlotSpec spec;
    spec.kind = PlotSpec::Kind::surface;
    spec.title = std::move(title);
    spec.surface = {{0, 1, 2}, {1, 2, 3}, {2, 3, 4}};
    spec.xRange = {-1, 1};
    spec.yRange = {-1, 1};
    spec.zRange = PlotRange{0, 4};
    return spec;
}

class InlinePlotTest : public ::testing::Test {
protected:
    void SetUp() override { InlinePlot::emptyCache(); }
    void TearDown() override { InlinePlot::emptyCache(); }
};

TEST_F(InlinePlotTest, ImagesAreTwicePointsTransparentAndServedFromTheCache) {
    const PlotSpec spec = curveTitled("plot(x^2) sizes");
    const QImage first = InlinePlot::image(spec, 300.2, 190, false, 2);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.size(), QSize(600, 380));
    EXPECT_EQ(first.devicePixelRatio(), 2);
    EXPECT_EQ(first.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(first.pixelColor(0, 0).alpha(), 0);

    // 300.7 truncates to the same 300 points: the same image, not a new rendering.
    const QImage second = InlinePlot::image(spec, 300.7, 190.9, false, 2);
    EXPECT_EQ(second.cacheKey(), first.cacheKey());
    EXPECT_EQ(InlinePlot::cachedImageCount(), 1u);

    // Another line with the same text and data shares it too.
    EXPECT_EQ(InlinePlot::image(curveTitled("plot(x^2) sizes"), 300, 190, false, 2).cacheKey(),
              first.cacheKey());
    EXPECT_NE(InlinePlot::image(spec, 301, 190, false, 2).cacheKey(), first.cacheKey());
}

TEST_F(InlinePlotTest, ImagesHaveThePixelsOfTheScreenRatioTheyAreShownAt) {
    const PlotSpec spec = curveTitled("plot(x^2) ratios");
    struct Case {
        double ratio;
        QSize pixels;
        double imageRatio;
    };
    const Case cases[] = {
        {1, {301, 190}, 1},     {1.25, {377, 238}, 1.25},
        {1.5, {452, 285}, 1.5}, {2, {602, 380}, 2},
        {3, {903, 570}, 3},     {0, {301, 190}, 1},
        {-2, {301, 190}, 1},    {std::numeric_limits<double>::quiet_NaN(), {301, 190}, 1},
    };
    for (const Case& c : cases) {
        const QImage image = InlinePlot::image(spec, 301, 190, false, c.ratio);
        EXPECT_EQ(image.size(), c.pixels) << c.ratio;
        EXPECT_EQ(image.devicePixelRatio(), c.imageRatio) << c.ratio;
        EXPECT_EQ(image.deviceIndependentSize().toSize(), image.size() / c.imageRatio) << c.ratio;
    }
    // One image per ratio: a window moved to a screen of another density gets its own.
    EXPECT_EQ(InlinePlot::cachedImageCount(), 5u);

    // The curve crosses the same logical place at every ratio.
    const auto inkRow = [&spec](double ratio) {
        const QImage image = InlinePlot::image(spec, 301, 190, false, ratio);
        const int column = static_cast<int>(std::lround(150 * ratio));
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(column, y).alpha() > 128) return y / ratio;
        return -1.0;
    };
    const double atOne = inkRow(1);
    ASSERT_GE(atOne, 0);
    EXPECT_NEAR(inkRow(1.5), atOne, 1.5);
    EXPECT_NEAR(inkRow(2), atOne, 1.5);
}

TEST_F(InlinePlotTest, SidesOfEightPointsOrLessGiveNoImage) {
    const PlotSpec spec = curveTitled("plot(x^2) small");
    struct Case {
        double width, height;
        bool image;
    };
    const Case cases[] = {
        {8, 100, false},
        {100, 8, false},
        {8.5, 100, true},
        {100, 8.5, true},
        {0, 0, false},
        {-20, 100, false},
        {std::numeric_limits<double>::quiet_NaN(), 100, false},
        {std::numeric_limits<double>::infinity(), 100, false},
        {1e12, 100, false},
    };
    for (const Case& c : cases) {
        const QImage image = InlinePlot::image(spec, c.width, c.height, false, 2);
        EXPECT_EQ(!image.isNull(), c.image) << c.width << " × " << c.height;
    }
    EXPECT_EQ(InlinePlot::image(spec, 8.5, 100, false, 2).size(), QSize(16, 200));
    EXPECT_EQ(InlinePlot::cachedImageCount(), 2u); // 8.5 × 100 and 100 × 8.5
}

TEST_F(InlinePlotTest, LightAndDarkAreTwoEntries) {
    const PlotSpec spec = curveTitled("plot(x^2) schemes");
    const QImage light = InlinePlot::image(spec, 200, 100, false, 2);
    const QImage dark = InlinePlot::image(spec, 200, 100, true, 2);
    EXPECT_NE(light.cacheKey(), dark.cacheKey());
    EXPECT_EQ(InlinePlot::cachedImageCount(), 2u);
    EXPECT_NE(light, dark);
}

TEST_F(InlinePlotTest, TheSixtyFirstNewImageEmptiesTheCache) {
    const PlotSpec spec = curveTitled("plot(x^2) many");
    for (int width = 20; width < 80; ++width)
        InlinePlot::image(spec, width, 50, false, 2);
    EXPECT_EQ(InlinePlot::cachedImageCount(), 60u);
    // An image already held does not count as new.
    InlinePlot::image(spec, 20, 50, false, 2);
    EXPECT_EQ(InlinePlot::cachedImageCount(), 60u);
    const QImage last = InlinePlot::image(spec, 80, 50, false, 2);
    EXPECT_EQ(InlinePlot::cachedImageCount(), 1u);
    EXPECT_EQ(InlinePlot::image(spec, 80, 50, false, 2).cacheKey(), last.cacheKey());
}

TEST_F(InlinePlotTest, NewRangesOrUnitMakeANewImage) {
    const PlotSpec base = curveTitled("plot(total)");
    const qint64 first = InlinePlot::image(base, 300, 190, false, 2).cacheKey();

    PlotSpec xRange = base;
    xRange.xRange = {0, 3};
    PlotSpec yRange = base;
    yRange.yRange = {-1, 4};
    PlotSpec unit = base;
    unit.unitLabel = "kg";
    PlotSpec surface = surfaceTitled("plot(total)");
    const qint64 surfaceImage = InlinePlot::image(surface, 300, 190, false, 2).cacheKey();
    PlotSpec zRange = surface;
    zRange.zRange = PlotRange{0, 5};
    PlotSpec noZRange = surface;
    noZRange.zRange.reset();

    std::set<qint64> keys{first, surfaceImage};
    for (const PlotSpec* changed : {&xRange, &yRange, &unit, &zRange, &noZRange})
        keys.insert(InlinePlot::image(*changed, 300, 190, false, 2).cacheKey());
    EXPECT_EQ(keys.size(), 7u);
    // The image for the new unit shows it: the y labels are wider, so the plot starts further right.
    EXPECT_NE(InlinePlot::image(unit, 300, 190, false, 2), InlinePlot::image(base, 300, 190, false, 2));
}

TEST_F(InlinePlotTest, ANewLanguageOrFractionDigitSettingMakesANewImage) {
    testsupport::EngineSettingsScope scope;
    scope.setLanguage(AppLanguage::english);
    scope.setMaxFractionDigits(10);
    PlotSpec surface = surfaceTitled("plot(x × y) languages");
    surface.zRange = PlotRange{0, 0.25};
    const QImage english = InlinePlot::image(surface, 400, 200, false, 2);
    EXPECT_EQ(InlinePlot::image(surface, 400, 200, false, 2).cacheKey(), english.cacheKey());

    // The hint is written in Japanese now.
    scope.setLanguage(AppLanguage::japanese);
    const QImage japanese = InlinePlot::image(surface, 400, 200, false, 2);
    EXPECT_NE(japanese, english);

    // With one fraction digit the top of the z axis no longer reads 0.25.
    scope.setMaxFractionDigits(1);
    EXPECT_NE(InlinePlot::image(surface, 400, 200, false, 2), japanese);
    EXPECT_EQ(InlinePlot::cachedImageCount(), 3u);
}

TEST_F(InlinePlotTest, SignaturesTellDifferentPlotsApart) {
    const PlotSpec base = [] {
        PlotSpec spec = surfaceTitled("t");
        spec.bars = {{"a", 1}, {"b", 2}};
        spec.segments = {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}};
        spec.unitLabel = "m";
        return spec;
    }();
    std::vector<PlotSpec> variants;
    const auto variant = [&](auto change) {
        PlotSpec spec = base;
        change(spec);
        variants.push_back(spec);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    variant([](PlotSpec&) {});
    variant([](PlotSpec& s) { s.title = "u"; });
    variant([](PlotSpec& s) { s.kind = PlotSpec::Kind::bars; });
    variant([](PlotSpec& s) { s.surface[1][1] = std::nullopt; });
    variant([&](PlotSpec& s) { s.surface[1][1] = nan; });
    variant([](PlotSpec& s) { s.surface[1][1] = 0.0; });
    variant([](PlotSpec& s) { s.surface[1][1] = -0.0; });
    variant([](PlotSpec& s) { s.surface[1][1] = std::nextafter(2.0, 3.0); });
    variant([](PlotSpec& s) { s.surface = {{0, 1}, {2, 1, 2, 3, 2, 3, 4}}; }); // same values, other rows
    variant([](PlotSpec& s) { s.surface = {}; });
    variant([](PlotSpec& s) { s.bars = {{"a:1,b", 2}}; }); // a label holding separators
    variant([](PlotSpec& s) { s.bars = {{"a", 1}, {"b", 2.0000000000000004}}; });
    variant([](PlotSpec& s) { s.segments = {{{0, 0}, {1, 1}, {2, 2}, {3, 3}}}; }); // joined
    variant([](PlotSpec& s) { s.segments = {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3.1}}}; });
    variant([](PlotSpec& s) { s.xRange = {-1, 2}; });
    variant([](PlotSpec& s) { s.yRange = {-2, 1}; });
    variant([](PlotSpec& s) { s.zRange = PlotRange{0, 4.5}; });
    variant([](PlotSpec& s) { s.zRange.reset(); });
    variant([](PlotSpec& s) { s.unitLabel = "mm"; });
    variant([](PlotSpec& s) { s.unitLabel = ""; });
    variant([](PlotSpec& s) { s.unitLabel.reset(); });

    std::set<std::string> signatures;
    for (const PlotSpec& spec : variants)
        signatures.insert(InlinePlot::signature(spec));
    EXPECT_EQ(signatures.size(), variants.size());
    EXPECT_EQ(InlinePlot::signature(base), InlinePlot::signature(PlotSpec(base)));
    // Numbers in their shortest form that reads back.
    PlotSpec bars;
    bars.kind = PlotSpec::Kind::bars;
    bars.bars = {{"x", 0.1}, {"y", 1e-05}, {"z", 1.0}};
    const std::string signature = InlinePlot::signature(bars);
    EXPECT_NE(signature.find(":0.1,"), std::string::npos) << signature;
    EXPECT_NE(signature.find(":1e-05,"), std::string::npos) << signature;
    EXPECT_NE(signature.find("bars"), std::string::npos) << signature;
}

TEST_F(InlinePlotTest, SurfacesTurnByTitle) {
    const std::string turned = "plot(sin(x) × y) turned";
    const std::string never = "plot(sin(x) × y) never turned";
    InlinePlot::angles()[turned] = PlotAngle{1.5, 0.6};

    EXPECT_EQ(InlinePlot::angle(never), (PlotAngle{0.7853981633974483, 0.25}));
    EXPECT_EQ(InlinePlot::angle(turned), (PlotAngle{1.5, 0.6}));

    const QSizeF size(400, 200);
    // An unturned title is drawn at the default angle, also after another plot was turned.
    EXPECT_EQ(InlinePlot::image(surfaceTitled(never), 400, 200, false, 2),
              testsupport::renderedPlot(surfaceTitled(never), size, false, PlotAngle{}));
    // Two surfaces of one title share its angle.
    PlotSpec other = surfaceTitled(turned);
    other.surface[0][0] = 3;
    const QImage expected = testsupport::renderedPlot(other, size, false, PlotAngle{1.5, 0.6});
    EXPECT_EQ(InlinePlot::image(other, 400, 200, false, 2), expected);
    EXPECT_EQ(InlinePlot::image(surfaceTitled(turned), 400, 200, false, 2),
              testsupport::renderedPlot(surfaceTitled(turned), size, false, PlotAngle{1.5, 0.6}));

    // Turning further is a new image; the former one stays cached.
    const std::size_t before = InlinePlot::cachedImageCount();
    InlinePlot::angles()[turned] = PlotAngle{1.6, 0.6};
    EXPECT_NE(InlinePlot::image(other, 400, 200, false, 2), expected);
    EXPECT_EQ(InlinePlot::cachedImageCount(), before + 1);
}

} // namespace
} // namespace vell
