// Runs once per screen density: ctest starts this suite with QT_SCALE_FACTOR unset, 1.5 and 2.

#include "Plots/InlinePlot.h"
#include "SheetEditor/EditorPalette.h"
#include "SheetEditor/SheetEditorFixture.h"

#include <QImage>
#include <QPainter>
#include <cmath>

namespace vell::testsupport {
namespace {

class EditorScaling : public SheetEditorTest {
protected:
    static double expectedRatio() {
        bool isNumber = false;
        const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&isNumber);
        return isNumber ? factor : 1;
    }

    // The viewport as the screen shows it, and as a screen of ratio 1 would.
    static QImage onScreen(CalcTextView& view) { return view.viewport()->grab().toImage(); }
    static QImage atRatioOne(CalcTextView& view) {
        QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(1);
        view.viewport()->render(&image);
        return image;
    }

    // The logical bounds of whatever differs from the editor's background inside `area` (logical).
    static QRectF inkBounds(const QImage& image, QRectF area) {
        const double ratio = image.devicePixelRatio();
        const QColor background = EditorPalette::background.resolve(false);
        const QRect pixels(QPoint(static_cast<int>(std::floor(area.left() * ratio)),
                                  static_cast<int>(std::floor(area.top() * ratio))),
                           QPoint(static_cast<int>(std::ceil(area.right() * ratio)) - 1,
                                  static_cast<int>(std::ceil(area.bottom() * ratio)) - 1));
        int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
        for (int y = std::max(0, pixels.top()); y <= std::min(image.height() - 1, pixels.bottom()); ++y)
            for (int x = std::max(0, pixels.left()); x <= std::min(image.width() - 1, pixels.right()); ++x) {
                const QColor colour = image.pixelColor(x, y);
                const int difference = std::abs(colour.red() - background.red()) +
                                       std::abs(colour.green() - background.green()) +
                                       std::abs(colour.blue() - background.blue());
                if (difference < 90) continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        if (right < 0) return {};
        return QRectF(QPointF(left / ratio, top / ratio), QPointF((right + 1) / ratio, (bottom + 1) / ratio));
    }

    static void expectSamePlace(QRectF shown, QRectF reference, const char* what) {
        ASSERT_FALSE(reference.isNull()) << what;
        ASSERT_FALSE(shown.isNull()) << what;
        // Glyphs fall on other pixel edges at another density; the place may move by about one point.
        EXPECT_NEAR(shown.left(), reference.left(), 1.5) << what;
        EXPECT_NEAR(shown.right(), reference.right(), 1.5) << what;
        EXPECT_NEAR(shown.top(), reference.top(), 1.5) << what;
        EXPECT_NEAR(shown.bottom(), reference.bottom(), 1.5) << what;
    }
};

TEST_F(EditorScaling, AnswersNumbersAndPlotsAtTheSameLogicalPlaceWithTheScreensPixels) {
    InlinePlot::emptyCache();
    openSheets({"price = 1200 × 3\nplot(x^2)\n2\n"});
    CalcTextView& view = openWindow(std::nullopt, {900, 700}).view();
    setCaret(view, static_cast<int>(view.text().size()));
    settle();
    const double ratio = expectedRatio();
    ASSERT_EQ(view.devicePixelRatioF(), ratio);

    const QImage shown = onScreen(view);
    ASSERT_EQ(shown.devicePixelRatio(), ratio);
    EXPECT_EQ(shown.size(), (QSizeF(view.viewport()->size()) * ratio).toSize());
    const QImage reference = atRatioOne(view);

    const QRectF firstLine = view.lineRect(0);
    const QRectF answerArea(view.dividerX() + 2, firstLine.top(),
                            view.viewport()->width() - view.dividerX() - 2, firstLine.height());
    expectSamePlace(inkBounds(shown, answerArea), inkBounds(reference, answerArea), "the answer");
    const QRectF gutterArea(0, firstLine.top(), CalcTextView::gutterWidth - 2, firstLine.height());
    expectSamePlace(inkBounds(shown, gutterArea), inkBounds(reference, gutterArea), "the line number");
    const QRectF textArea(CalcTextView::textOriginX, firstLine.top(),
                          view.dividerX() - CalcTextView::textOriginX - 2, firstLine.height());
    expectSamePlace(inkBounds(shown, textArea), inkBounds(reference, textArea), "the text");

    // The divider and the caret lie on whole device pixels: each pixel across them is either lit fully
    // or not at all, none half-lit beside them.
    const auto crossing = [&shown, ratio](double from, double to, double y) {
        std::vector<QColor> row;
        for (int x = static_cast<int>(std::floor(from * ratio)); x <= static_cast<int>(std::ceil(to * ratio));
             ++x)
            row.push_back(shown.pixelColor(x, static_cast<int>(y * ratio)));
        return row;
    };
    const auto expectCrisp = [](const std::vector<QColor>& row, QColor lit, const char* what) {
        const QColor background = EditorPalette::background.resolve(false);
        int litPixels = 0;
        for (const QColor& colour : row) {
            const auto distance = [&colour](QColor other) {
                return std::abs(colour.red() - other.red()) + std::abs(colour.green() - other.green()) +
                       std::abs(colour.blue() - other.blue());
            };
            EXPECT_TRUE(distance(background) <= 6 || distance(lit) <= 6)
                << what << ": " << colour.name().toStdString();
            litPixels += distance(lit) <= 6;
        }
        EXPECT_GE(litPixels, 1) << what;
    };
    const QColor divider = EditorPalette::divider.resolve(false);
    const QColor background = EditorPalette::background.resolve(false);
    const double alpha = divider.alphaF();
    const QColor dividerOver = QColor::fromRgbF(divider.redF() * alpha + background.redF() * (1 - alpha),
                                                divider.greenF() * alpha + background.greenF() * (1 - alpha),
                                                divider.blueF() * alpha + background.blueF() * (1 - alpha));
    expectCrisp(crossing(view.dividerX() - 2, view.dividerX() + 3, 600), dividerOver, "the divider");
    const QRect caretRect = view.cursorRect();
    expectCrisp(crossing(caretRect.left() - 2, caretRect.left() + 4, caretRect.center().y()),
                EditorPalette::accent.resolve(false), "the caret");

    // The plot was drawn from an image of the screen's pixels: asking for it again renders nothing.
    const QRectF plot = *view.plotRect(1);
    const std::size_t images = InlinePlot::cachedImageCount();
    const QImage image = InlinePlot::image(*view.results()[1].outcome.as<PlotSpec>(), plot.width(),
                                           plot.height(), false, ratio);
    EXPECT_EQ(InlinePlot::cachedImageCount(), images);
    EXPECT_EQ(image.devicePixelRatio(), ratio);
    EXPECT_EQ(image.width(), static_cast<int>(std::ceil(static_cast<int>(plot.width()) * ratio)));
}

} // namespace
} // namespace vell::testsupport
