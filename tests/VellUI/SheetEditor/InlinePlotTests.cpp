#include "Plots/InlinePlot.h"
#include "SheetEditor/EditorPalette.h"
#include "SheetEditor/SheetEditorFixture.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <cmath>
#include <numbers>

namespace vell::testsupport {
namespace {

constexpr double pi = std::numbers::pi;

class SheetEditorPlots : public SheetEditorTest {
protected:
    SheetEditorPlots() { InlinePlot::emptyCache(); }

    // A view 1,000 wide and tall enough that no scroll bar takes from its width; the column is 180.
    CalcTextView& openWide(const std::string& text, QSize size = {1000, 1400}) {
        openSheets({text});
        CalcTextView& view = openWindow(std::nullopt, size).view();
        EXPECT_EQ(view.viewport()->width(), size.width());
        return view;
    }

    static QImage grab(CalcTextView& view) { return view.viewport()->grab().toImage(); }

    static const PlotSpec& specOf(const CalcTextView& view, std::size_t line) {
        return *view.results().at(line).outcome.as<PlotSpec>();
    }

    // The bottom of the line's last row, in document coordinates.
    static double lastRowBottom(const CalcTextView& view, int line) {
        const QTextBlock block = view.document()->findBlockByNumber(line);
        const QTextLayout* layout = block.layout();
        const QRectF bounds = view.document()->documentLayout()->blockBoundingRect(block);
        return bounds.top() + layout->lineAt(layout->lineCount() - 1).rect().bottom();
    }

    // What the viewport shows where a plot image lies: the background, the divider (interrupted by a
    // surface, which reaches under the answer column), and the image as the cache holds it, scaled to
    // its rectangle.
    static QImage expectedView(const CalcTextView& view, const QImage& plot, QRectF rect, bool surface) {
        QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(EditorPalette::background.resolve(false));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QColor divider = EditorPalette::divider.resolve(false);
        if (surface) {
            painter.fillRect(QRectF(view.dividerX(), 0, 1, rect.top()), divider);
            painter.fillRect(QRectF(view.dividerX(), rect.bottom(), 1, image.height() - rect.bottom()),
                             divider);
        } else {
            painter.fillRect(QRectF(view.dividerX(), 0, 1, image.height()), divider);
        }
        painter.drawImage(rect, plot);
        return image;
    }

    // Pixels of the area (grown by 3) where the two images differ by more than 3 in a channel.
    static int differingPixels(const QImage& actual, const QImage& expected, QRectF area) {
        const QRect pixels = area.adjusted(-3, -3, 3, 3).toAlignedRect() & actual.rect();
        int differing = 0;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                const QColor a = actual.pixelColor(x, y), e = expected.pixelColor(x, y);
                differing += std::abs(a.red() - e.red()) > 3 || std::abs(a.green() - e.green()) > 3 ||
                             std::abs(a.blue() - e.blue()) > 3;
            }
        return differing;
    }

    static int pixelsOtherThanBackground(const QImage& image, QRectF area) {
        const QRect pixels = area.toAlignedRect() & image.rect();
        const QColor background = EditorPalette::background.resolve(false);
        int other = 0;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            for (int x = pixels.left(); x <= pixels.right(); ++x)
                other += image.pixelColor(x, y) != background;
        return other;
    }

    static QPointF toViewport(const CalcTextView& view, QPointF document) {
        return document - view.toDocument(QPointF(0, 0));
    }
};

TEST(PlotSize, ByKindViewWidthAndColumn) {
    struct Case {
        PlotSpec::Kind kind;
        double viewWidth, columnWidth;
        QSizeF size;
    };
    const Case cases[] = {
        {PlotSpec::Kind::curve, 1000, 180, {720, 190}},   {PlotSpec::Kind::bars, 1000, 180, {720, 190}},
        {PlotSpec::Kind::surface, 1000, 180, {924, 260}}, {PlotSpec::Kind::curve, 1000, 300, {600, 190}},
        {PlotSpec::Kind::curve, 400, 180, {120, 190}},    {PlotSpec::Kind::surface, 150, 180, {120, 260}},
        {PlotSpec::Kind::surface, 196, 560, {120, 260}},  {PlotSpec::Kind::surface, 197, 560, {121, 260}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CalcTextView::plotSize(c.kind, c.viewWidth, c.columnWidth), c.size)
            << c.viewWidth << " " << c.columnWidth;
}

TEST_F(SheetEditorPlots, ACurveUnderItsLineAndTheNextLineBelowItsRoom) {
    CalcTextView& view = openWide("plot(x^2)\n1");
    const QRectF rect = *view.plotRect(0);
    EXPECT_EQ(rect, QRectF(54, lastRowBottom(view, 0) + 6, 720, 190));
    const QImage shown = grab(view);
    const QImage plot = InlinePlot::image(specOf(view, 0), 720, 190, false, view.devicePixelRatioF());
    EXPECT_EQ(differingPixels(shown, expectedView(view, plot, rect, false), rect), 0);
    EXPECT_GT(pixelsOtherThanBackground(shown, rect), 1000);
    EXPECT_TRUE(view.plotBoxes().empty()); // curves do not turn

    const double nextLine = view.lineRect(1).top();
    windows.clear();
    settings.setAppearance(AppearanceSetting::light);
    Window& off = openWindow(std::nullopt, {1000, 1400});
    off.editor->setShowsPlots(false);
    settle();
    EXPECT_EQ(nextLine - off.view().lineRect(1).top(), 202);
}

TEST_F(SheetEditorPlots, ASurfaceSpansTheViewAndIsRecordedForTurning) {
    CalcTextView& view = openWide("plot(x*y, -2, 2)\n1");
    const QRectF rect = *view.plotRect(0);
    EXPECT_EQ(rect, QRectF(54, lastRowBottom(view, 0) + 6, 924, 260));
    const QImage shown = grab(view);
    const QImage plot = InlinePlot::image(specOf(view, 0), 924, 260, false, view.devicePixelRatioF());
    EXPECT_EQ(differingPixels(shown, expectedView(view, plot, rect, true), rect), 0);
    ASSERT_EQ(view.plotBoxes().size(), 1u);
    EXPECT_EQ(view.plotBoxes()[0].box, rect);
    EXPECT_EQ(view.plotBoxes()[0].title, "plot(x*y, -2, 2)");
    // The surface itself, not only its image, reaches under the answer column.
    const QRectF besideTheText(view.dividerX() + 2, rect.top(), rect.right() - view.dividerX() - 2,
                               rect.height());
    EXPECT_GT(pixelsOtherThanBackground(shown, besideTheText), 2000);

    const double nextLine = view.lineRect(1).top();
    Window& off = windows.back();
    off.editor->setShowsPlots(false);
    settle();
    EXPECT_EQ(nextLine - view.lineRect(1).top(), 272);
}

// Where a surface runs under the answer column the divider stops above it and goes on below it.
TEST_F(SheetEditorPlots, TheDividerIsNotDrawnThroughASurface) {
    CalcTextView& view = openWide("plot(sin(x) * y)\n1");
    const QRectF rect = *view.plotRect(0);
    const QImage shown = grab(view);
    const int x = static_cast<int>(view.dividerX());
    ASSERT_GT(x, rect.left());
    ASSERT_LT(x, rect.right());
    QImage surfaceAlone(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    surfaceAlone.fill(EditorPalette::background.resolve(false));
    {
        QPainter painter(&surfaceAlone);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect, InlinePlot::image(specOf(view, 0), rect.width(), rect.height(), false,
                                                  view.devicePixelRatioF()));
    }
    int crossed = 0;
    for (int y = static_cast<int>(std::ceil(rect.top())); y < static_cast<int>(rect.bottom()); ++y)
        crossed += shown.pixelColor(x, y) != surfaceAlone.pixelColor(x, y);
    EXPECT_EQ(crossed, 0) << "rows of the surface the divider crosses";

    const QColor background = EditorPalette::background.resolve(false);
    for (const double y :
         {view.lineRect(0).center().y(), rect.top() - 2, rect.bottom() + 3, view.lineRect(1).center().y()})
        EXPECT_NE(shown.pixelColor(x, static_cast<int>(y)), background) << "the divider at " << y;
}

TEST_F(SheetEditorPlots, WithPlotsOffNoImageNoRoomNoTurningButTheLabelStays) {
    CalcTextView& view = openWide("plot(x*y, -3, 3)\nplot(x^3)\n1");
    const QRectF surface = *view.plotRect(0);
    windows.back().editor->setShowsPlots(false);
    settle();
    EXPECT_FALSE(view.plotRect(0));
    // The lines close up; below the last one the text area is empty.
    const QImage shown = grab(view);
    const double below = view.lineRect(2).bottom() + 2;
    EXPECT_LT(below, surface.top() + 100);
    EXPECT_EQ(pixelsOtherThanBackground(shown, QRectF(54, below, view.dividerX() - 60, 1400 - below)), 0);
    EXPECT_GT(pixelsOtherThanBackground(shown, QRectF(54, 0, view.dividerX() - 60, below)), 100);
    EXPECT_TRUE(view.plotBoxes().empty());
    EXPECT_EQ(view.answerFor(0)->text, "Graph ↓");
    EXPECT_EQ(view.answerFor(1)->text, "Graph ↓");
    EXPECT_EQ(view.document()->findBlockByNumber(0).blockFormat().bottomMargin(), 0);

    // Pressing where the surface was selects text as in any text view.
    mouse(view, QEvent::MouseButtonPress, toViewport(view, surface.center()));
    EXPECT_FALSE(view.isRotating());
    mouse(view, QEvent::MouseButtonRelease, toViewport(view, surface.center()));
}

TEST_F(SheetEditorPlots, ANarrowViewStillGetsPlotsOneHundredTwentyWide) {
    CalcTextView& view = openWide("plot(x^2)", {300, 1000});
    EXPECT_EQ(view.plotRect(0)->size(), QSizeF(120, 190));
}

TEST_F(SheetEditorPlots, AWrappedPlotLineHasItsPlotUnderItsLastRow) {
    std::string line = "plot(x";
    for (int k = 0; k < 40; ++k)
        line += " + " + std::to_string(k);
    line += ")";
    CalcTextView& view = openWide(line + "\n1");
    const QTextLayout* layout = view.document()->findBlockByNumber(0).layout();
    ASSERT_GT(layout->lineCount(), 1);
    const QRectF rect = *view.plotRect(0);
    EXPECT_EQ(rect.top(), lastRowBottom(view, 0) + 6);
    EXPECT_GT(rect.top(), view.lineRect(0).top() + layout->lineAt(1).rect().top());
    // Nothing of the plot covers the last row of its text.
    const double lastRowTop =
        view.document()->documentLayout()->blockBoundingRect(view.document()->begin()).top() +
        layout->lineAt(layout->lineCount() - 1).rect().top();
    EXPECT_GT(rect.top(), lastRowTop);
    // The room follows the paragraph: the next line starts below the whole plot.
    EXPECT_GT(view.lineRect(1).top(), rect.bottom());
}

TEST_F(SheetEditorPlots, DraggingASurfaceTurnsItFromTheAngleAtThePress) {
    const std::string title = "plot(x*y, -4, 4)";
    CalcTextView& view = openWide(title + "\n" + title);
    grab(view);
    ASSERT_EQ(view.plotBoxes().size(), 2u);
    const QPointF start = toViewport(view, view.plotBoxes()[0].box.center());
    EXPECT_EQ(InlinePlot::angle(title), PlotAngle{});

    mouse(view, QEvent::MouseButtonPress, start);
    EXPECT_TRUE(view.isRotating());
    mouse(view, QEvent::MouseMove, start + QPointF(100, 0));
    EXPECT_NEAR(InlinePlot::angle(title).yaw, pi / 4 - 0.8 + 2 * pi, 1e-9);
    EXPECT_DOUBLE_EQ(InlinePlot::angle(title).tilt, 0.25);
    mouse(view, QEvent::MouseMove, start + QPointF(-100, 50));
    EXPECT_NEAR(InlinePlot::angle(title).yaw, pi / 4 + 0.8, 1e-9);
    EXPECT_NEAR(InlinePlot::angle(title).tilt, 0.45, 1e-9);
    mouse(view, QEvent::MouseMove, start + QPointF(0, 5000));
    EXPECT_DOUBLE_EQ(InlinePlot::angle(title).tilt, 0.95);
    mouse(view, QEvent::MouseMove, start + QPointF(0, -5000));
    EXPECT_DOUBLE_EQ(InlinePlot::angle(title).tilt, 0.1);
    mouse(view, QEvent::MouseMove, start + QPointF(100, 0));
    mouse(view, QEvent::MouseButtonRelease, start + QPointF(100, 0));
    EXPECT_FALSE(view.isRotating());
    const PlotAngle turned = InlinePlot::angle(title);
    EXPECT_NEAR(turned.yaw, pi / 4 - 0.8 + 2 * pi, 1e-9);

    // The text did not take the drag as a selection, and the angle stays after the release.
    EXPECT_FALSE(view.textCursor().hasSelection());
    mouse(view, QEvent::MouseMove, start + QPointF(300, 40), Qt::NoButton);
    EXPECT_EQ(InlinePlot::angle(title), turned);

    // The other line of the same text shows the turned surface.
    const QImage shown = grab(view);
    const QRectF second = *view.plotRect(1);
    const QRectF secondOnScreen = second.translated(-view.toDocument(QPointF(0, 0)));
    const QImage turnedImage =
        InlinePlot::image(specOf(view, 1), second.width(), second.height(), false, view.devicePixelRatioF());
    EXPECT_EQ(differingPixels(shown, expectedView(view, turnedImage, secondOnScreen, true), secondOnScreen),
              0);
    PlotSpec unturned = specOf(view, 1);
    unturned.title = "never turned";
    const QImage unturnedImage =
        InlinePlot::image(unturned, second.width(), second.height(), false, view.devicePixelRatioF());
    EXPECT_GT(differingPixels(shown, expectedView(view, unturnedImage, secondOnScreen, true), secondOnScreen),
              500);
}

TEST_F(SheetEditorPlots, APressWithinEightPointsOfASurfaceTurnsItAndThatSurfaceOnly) {
    CalcTextView& view = openWide("plot(x*y, -5, 5)\nplot(x*y + 1, -5, 5)\n1");
    grab(view);
    ASSERT_EQ(view.plotBoxes().size(), 2u);
    const QRectF first = view.plotBoxes()[0].box;
    const QRectF second = view.plotBoxes()[1].box;
    struct Case {
        QPointF at; // document coordinates
        std::optional<std::string> title;
    };
    const Case cases[] = {
        {{first.center().x(), first.bottom() + 8}, "plot(x*y, -5, 5)"},
        {{first.right() + 8, first.top()}, "plot(x*y, -5, 5)"},
        {{first.center().x(), first.bottom() + 8.5}, std::nullopt},
        {{second.center().x(), second.top() - 8}, "plot(x*y + 1, -5, 5)"},
        {{second.left() - 8.5, second.center().y()}, std::nullopt},
    };
    for (const Case& c : cases) {
        const QPointF at = toViewport(view, c.at);
        mouse(view, QEvent::MouseButtonPress, at);
        EXPECT_EQ(view.isRotating(), c.title.has_value()) << c.at.x() << ", " << c.at.y();
        mouse(view, QEvent::MouseMove, at + QPointF(-50, 0));
        mouse(view, QEvent::MouseButtonRelease, at + QPointF(-50, 0));
        if (c.title) {
            EXPECT_NEAR(InlinePlot::angle(*c.title).yaw, pi / 4 + 0.4, 1e-9);
            InlinePlot::angles()[*c.title] = PlotAngle{};
        }
    }
    EXPECT_EQ(InlinePlot::angle("plot(x*y, -5, 5)"), PlotAngle{});
    EXPECT_EQ(InlinePlot::angle("plot(x*y + 1, -5, 5)"), PlotAngle{});
}

TEST_F(SheetEditorPlots, WhereSurfacesOverlapTheOneDrawnLaterTakesThePress) {
    CalcTextView& view = openWide("plot(x*y, -6, 6)\nplot(x*y, -7, 7)");
    // Without the room of a restyle the two surfaces lie one row apart, the second over the first.
    windows.back().editor->setShowsPlots(false);
    settle();
    view.setShowsPlots(true);
    grab(view);
    ASSERT_EQ(view.plotBoxes().size(), 2u);
    const QRectF both = view.plotBoxes()[0].box.intersected(view.plotBoxes()[1].box);
    ASSERT_FALSE(both.isEmpty());
    const QPointF at = toViewport(view, both.center());
    mouse(view, QEvent::MouseButtonPress, at);
    mouse(view, QEvent::MouseMove, at + QPointF(25, 0));
    mouse(view, QEvent::MouseButtonRelease, at + QPointF(25, 0));
    EXPECT_NEAR(InlinePlot::angle("plot(x*y, -7, 7)").yaw, pi / 4 - 0.2, 1e-9);
    EXPECT_EQ(InlinePlot::angle("plot(x*y, -6, 6)"), PlotAngle{});
}

TEST_F(SheetEditorPlots, OnlyPlotsInSightAreRenderedButEverySurfaceIsRecorded) {
    std::string text;
    for (int k = 0; k < 70; ++k)
        text += "plot(x*y + " + std::to_string(k) + ")\n";
    openSheets({text + "1"});
    CalcTextView& view = openWindow(std::nullopt, {1000, 700}).view();
    view.verticalScrollBar()->setValue(0);
    InlinePlot::emptyCache();
    grab(view);
    EXPECT_EQ(view.plotBoxes().size(), 70u);
    const std::size_t rendered = InlinePlot::cachedImageCount();
    EXPECT_GE(rendered, 2u);
    EXPECT_LE(rendered, 4u);
    // Painting again renders nothing new: the plots in sight come from the cache.
    const QSizeF size = view.plotRect(0)->size();
    const QImage first =
        InlinePlot::image(specOf(view, 0), size.width(), size.height(), false, view.devicePixelRatioF());
    EXPECT_EQ(InlinePlot::cachedImageCount(), rendered); // the first line's plot was among them
    grab(view);
    EXPECT_EQ(InlinePlot::cachedImageCount(), rendered);
    EXPECT_EQ(InlinePlot::image(specOf(view, 0), size.width(), size.height(), false, view.devicePixelRatioF())
                  .cacheKey(),
              first.cacheKey());
    // A plot far down is not among them until it comes into sight.
    const QSizeF last = view.plotRect(69)->size();
    InlinePlot::image(specOf(view, 69), last.width(), last.height(), false, view.devicePixelRatioF());
    EXPECT_EQ(InlinePlot::cachedImageCount(), rendered + 1);
}

TEST_F(SheetEditorPlots, ImagesOfPlotsFarOffScreenLeaveTheCacheAndThoseNearStay) {
    std::string text;
    for (int k = 0; k < 40; ++k)
        text += "plot(x^2 + " + std::to_string(k) + ")\n";
    openSheets({text + "1"});
    CalcTextView& view = openWindow(std::nullopt, {1000, 700}).view();
    QScrollBar& bar = *view.verticalScrollBar();
    for (int value = 0; value < bar.maximum(); value += view.viewport()->height()) {
        bar.setValue(value);
        grab(view);
        // Drawn and within a screen above or below: at most five screens' worth of 202-point rooms.
        EXPECT_LE(InlinePlot::cachedImageCount(), 5u * 700 / 202 + 2) << value;
    }
    const std::size_t atTheEnd = InlinePlot::cachedImageCount();
    // The plots in sight come from the cache as before: painting again renders none.
    grab(view);
    EXPECT_EQ(InlinePlot::cachedImageCount(), atTheEnd);
    // The first plot, far above, is gone: asking for it renders it anew.
    const QSizeF size = view.plotRect(0)->size();
    InlinePlot::image(specOf(view, 0), size.width(), size.height(), false, view.devicePixelRatioF());
    EXPECT_EQ(InlinePlot::cachedImageCount(), atTheEnd + 1);
}

TEST_F(SheetEditorPlots, ASurfaceTurnedStepByStepKeepsOneImage) {
    CalcTextView& view = openWide("plot(x*y)");
    grab(view);
    const QPointF at = view.plotRect(0)->center() - QPointF(0, view.verticalScrollBar()->value());
    mouse(view, QEvent::MouseButtonPress, at);
    for (int step = 1; step <= 10; ++step) {
        mouse(view, QEvent::MouseMove, at + QPointF(5 * step, 0));
        grab(view);
    }
    mouse(view, QEvent::MouseButtonRelease, at + QPointF(50, 0));
    EXPECT_EQ(InlinePlot::cachedImageCount(), 1u);
}

TEST_F(SheetEditorPlots, DarkDrawsTheDarkImage) {
    settings.setAppearance(AppearanceSetting::dark);
    CalcTextView& view = openWide("plot(x^2)");
    grab(view);
    const QImage dark = InlinePlot::image(specOf(view, 0), 720, 190, true, view.devicePixelRatioF());
    const std::size_t held = InlinePlot::cachedImageCount();
    grab(view);
    EXPECT_EQ(InlinePlot::cachedImageCount(), held); // the dark image was the one drawn
    EXPECT_EQ(held, 1u);
    EXPECT_FALSE(dark.isNull());
}

} // namespace
} // namespace vell::testsupport
