#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "SheetEditor/EditorPalette.h"
#include "SheetEditor/SheetEditorFixture.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

namespace vell::testsupport {
namespace {

class SheetEditorPaint : public SheetEditorTest {
protected:
    static QImage grab(CalcTextView& view) { return view.viewport()->grab().toImage(); }

    // The pair drawn over the background, as the screen shows it.
    static QColor over(ColorPair pair, bool dark) {
        const QColor top = pair.resolve(dark);
        const QColor bottom = EditorPalette::background.resolve(dark);
        const double a = top.alphaF();
        return QColor::fromRgbF(top.redF() * a + bottom.redF() * (1 - a),
                                top.greenF() * a + bottom.greenF() * (1 - a),
                                top.blueF() * a + bottom.blueF() * (1 - a));
    }
    static bool near(QColor a, QColor b, int tolerance = 3) {
        return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
               std::abs(a.blue() - b.blue()) <= tolerance;
    }
    // Whether any pixel of the rectangle is (nearly) that colour.
    static bool anyPixel(const QImage& image, QRect rect, QColor colour, int tolerance = 12) {
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (near(image.pixelColor(x, y), colour, tolerance)) return true;
        return false;
    }
    static QRect gutterOf(const CalcTextView& view, std::int64_t line) {
        const QRectF rect = view.lineRect(line);
        return QRect(0, static_cast<int>(rect.top()) + 3, 37, 16);
    }
};

TEST_F(SheetEditorPaint, GutterDividerAndAnswersInTheirColoursLightAndDark) {
    openSheets({"price = 1200\n\n1/0\n// note\n2"});
    for (const bool dark : {false, true}) {
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        CalcTextView& view = openWindow().view();
        setCaret(view, 0);
        const QImage image = grab(view);
        const int width = view.viewport()->width();
        const int divider = width - 180 - 30;

        EXPECT_TRUE(near(image.pixelColor(300, 400), EditorPalette::background.resolve(dark))) << dark;
        EXPECT_TRUE(near(image.pixelColor(divider, 400), over(EditorPalette::divider, dark), 2)) << dark;
        EXPECT_TRUE(near(image.pixelColor(divider - 1, 400), EditorPalette::background.resolve(dark)))
            << dark;

        // Every line has its number; the caret's in the accent colour, the others in the number colour.
        EXPECT_TRUE(anyPixel(image, gutterOf(view, 0), EditorPalette::caretLineNumber.resolve(dark), 40))
            << dark;
        for (std::int64_t line = 1; line < 5; ++line) {
            EXPECT_TRUE(anyPixel(image, gutterOf(view, line), EditorPalette::lineNumber.resolve(dark), 40))
                << line;
            EXPECT_FALSE(
                anyPixel(image, gutterOf(view, line), EditorPalette::caretLineNumber.resolve(dark), 40))
                << line;
        }

        // Answers: the value in the answer colour, the failure in its own; blank and note lines show none.
        const QRect answerOf0(width - 180 - 18, static_cast<int>(view.lineRect(0).top()), 180, 20);
        const QRect answerOf2(width - 180 - 18, static_cast<int>(view.lineRect(2).top()), 180, 20);
        EXPECT_TRUE(anyPixel(image, answerOf0, EditorPalette::resultText.resolve(dark), 40)) << dark;
        EXPECT_TRUE(anyPixel(image, answerOf2, EditorPalette::failureText.resolve(dark), 40)) << dark;
        EXPECT_FALSE(view.answerFor(1));
        EXPECT_FALSE(view.answerFor(3));
        EXPECT_EQ(view.answerFor(0)->colour, EditorPalette::resultText.resolve(dark));
        windows.clear();
    }
}

TEST_F(SheetEditorPaint, TheHoverFillFollowsThePointerOverValueAnswersOnly) {
    openSheets({"2 + 3\n1/0\n\n7"});
    CalcTextView& view = openWindow().view();
    const double answerX = view.viewport()->width() - 60;
    mouse(view, QEvent::MouseMove, pointOnLine(view, 0, answerX), Qt::NoButton);
    EXPECT_EQ(view.hoveredResultLine(), 0);
    const QImage image = grab(view);
    const QPoint inFill(view.viewport()->width() - 180 - 26 + 8,
                        static_cast<int>(view.lineRect(0).top()) + 16);
    EXPECT_TRUE(near(image.pixelColor(inFill), over(EditorPalette::hoverFill, false), 2));

    for (const std::int64_t line : {1, 2}) {
        mouse(view, QEvent::MouseMove, pointOnLine(view, line, answerX), Qt::NoButton);
        EXPECT_EQ(view.hoveredResultLine(), std::nullopt) << line;
    }
    mouse(view, QEvent::MouseMove, pointOnLine(view, 3, answerX), Qt::NoButton);
    EXPECT_EQ(view.hoveredResultLine(), 3);
    // Left of the divider nothing is hovered; leaving the view ends the hover.
    mouse(view, QEvent::MouseMove, pointOnLine(view, 3, 200), Qt::NoButton);
    EXPECT_EQ(view.hoveredResultLine(), std::nullopt);
    mouse(view, QEvent::MouseMove, pointOnLine(view, 3, answerX), Qt::NoButton);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view.viewport(), &leave);
    EXPECT_EQ(view.hoveredResultLine(), std::nullopt);
}

TEST_F(SheetEditorPaint, PlotLabelsInBothLanguagesAndAnswersThatShrinkThenShortenAtTheirEnd) {
    openSheets({"plot(x^2)\n12345678\n\n[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16]"});
    CalcTextView& view = openWindow().view();
    EXPECT_EQ(view.answerFor(0)->text, "Graph ↓");
    EXPECT_EQ(view.answerFor(0)->colour, EditorPalette::plotLabel.resolve(false));
    scope.setLanguage(AppLanguage::japanese);
    EXPECT_EQ(view.answerFor(0)->text, "グラフ ↓");
    scope.setLanguage(AppLanguage::english);

    const auto pixels = [](const QFont& font) { return font.pointSizeF() * 96 / 72; };
    EXPECT_DOUBLE_EQ(pixels(view.answerFor(1)->font), 15);
    EXPECT_EQ(view.answerFor(1)->text, "12,345,678");
    // Too wide at 15: smaller, in half steps, never below 10.5, and what still does not fit ends in "…".
    const CalcTextView::Answer list = *view.answerFor(3);
    EXPECT_DOUBLE_EQ(pixels(list.font), 10.5);
    EXPECT_TRUE(list.text.endsWith(QStringLiteral("…"))) << list.text.toStdString();
    EXPECT_LE(QFontMetricsF(list.font).horizontalAdvance(list.text), 180);

    const QFont base = Fonts::monospacedDigits(15, QFont::DemiBold);
    const QString fitsAt13 = QStringLiteral("8").repeated(40);
    EXPECT_DOUBLE_EQ(pixels(CalcTextView::resultFont(fitsAt13, 1000, base)), 15);
    const double width13 =
        QFontMetricsF(Fonts::monospacedDigits(13, QFont::DemiBold)).horizontalAdvance(fitsAt13);
    EXPECT_DOUBLE_EQ(pixels(CalcTextView::resultFont(fitsAt13, width13, base)), 13);
    EXPECT_DOUBLE_EQ(pixels(CalcTextView::resultFont(fitsAt13, 0, base)), 15);
}

// An answer cut to the column's width shows whole in a tooltip where the pointer rests on it; an answer
// shown whole, and the text beside it, show none.
TEST_F(SheetEditorPaint, ACutAnswerShowsWholeOnHover) {
    openSheets({"2x = 5\n1 + 2\n[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20]"});
    CalcTextView& view = openWindow().view();
    const std::string message = view.results().at(0).outcome.as<LineOutcome::Failure>()->message;
    ASSERT_TRUE(view.answerFor(0)->text.endsWith(QStringLiteral("…"))) << "cut at the standard width";
    const std::string list = "[1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20]";
    ASSERT_TRUE(view.answerFor(2)->text.endsWith(QStringLiteral("…")));

    const double answerX = view.dividerX() + 100;
    const auto tipAt = [&view](QPointF point) -> std::string {
        // A tip fades out a moment after it is told to go.
        QToolTip::hideText();
        for (int wait = 0; wait < 100 && QToolTip::isVisible(); ++wait)
            QTest::qWait(10);
        QHelpEvent help(QEvent::ToolTip, point.toPoint(), view.viewport()->mapToGlobal(point.toPoint()));
        QCoreApplication::sendEvent(view.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
    };
    EXPECT_EQ(tipAt(pointOnLine(view, 0, answerX)), message);
    EXPECT_EQ(tipAt(pointOnLine(view, 2, answerX)), list);
    EXPECT_EQ(tipAt(pointOnLine(view, 1, answerX)), "") << "shown whole";
    EXPECT_EQ(tipAt(pointOnLine(view, 0, 120)), "") << "over the text";
    QToolTip::hideText();
}

TEST_F(SheetEditorPaint, TheTextWrapsBeforeTheAnswerColumn) {
    openSheets({"1"});
    struct Case {
        int width;
        int textWidth;
    };
    for (const Case c : {Case{400, 160}, Case{800, 800 - 50 - 180 - 42}}) {
        CalcTextView& view = openWindow(std::nullopt, QSize(c.width, 300)).view();
        ASSERT_EQ(view.viewport()->width(), c.width);
        EXPECT_EQ(view.lineWrapColumnOrWidth(), 50 + c.textWidth) << c.width;
        windows.clear();
    }
}

TEST_F(SheetEditorPaint, PlotLinesKeepRoomForTheirPlotsWhilePlotsAreShown) {
    openSheets({"plot(x^2)\nplot(x*y)\n1"});
    Window& window = openWindow();
    CalcTextView& view = window.view();
    const auto room = [&](int line) {
        return view.document()->findBlockByNumber(line).blockFormat().bottomMargin();
    };
    EXPECT_EQ(room(0), 202);
    EXPECT_EQ(room(1), 272);
    EXPECT_EQ(room(2), 0);
    window.editor->setShowsPlots(false);
    settle();
    EXPECT_EQ(room(0), 0);
    EXPECT_EQ(room(1), 0);
    // Every line keeps the pitch: a row of text and the spacing of 7 under it.
    const QTextBlockFormat format = view.document()->findBlockByNumber(2).blockFormat();
    EXPECT_EQ(format.lineHeightType(), QTextBlockFormat::FixedHeight);
    EXPECT_EQ(format.lineHeight(), view.document()->findBlockByNumber(2).layout()->lineAt(0).height() + 7);
}

// Only a new text size lays the sheet out again: the other settings leave the editor's layout alone.
// A line holding Japanese, a note or not, stands at the pitch of a line of figures: its text on the
// same baseline within its line, the next line as far below, at every text size.
TEST_F(SheetEditorPaint, JapaneseLinesKeepTheLinePitch) {
    openSheets({"1200\n// メモ\n価格 = 1\n// note\n1200 × 35\n// ようこそ。ここは「打つと」\nx"});
    CalcTextView& view = openWindow().view();
    for (const TextSizeSetting size : {TextSizeSetting::standard, TextSizeSetting::xlarge}) {
        settings.setTextSize(size);
        settle();
        std::vector<double> pitches, baselines, heights;
        for (int line = 0; line < view.document()->blockCount(); ++line) {
            const QTextBlock block = view.document()->findBlockByNumber(line);
            const QTextLine row = block.layout()->lineAt(0);
            const double top = view.lineRect(line).top();
            const double blockTop = view.document()->documentLayout()->blockBoundingRect(block).top();
            baselines.push_back(blockTop + row.y() + row.ascent() - top);
            heights.push_back(view.lineRect(line).height());
            if (line > 0) pitches.push_back(top - view.lineRect(line - 1).top());
        }
        SCOPED_TRACE(static_cast<int>(size));
        for (std::size_t i = 1; i < baselines.size(); ++i) {
            EXPECT_NEAR(baselines[i], baselines[0], 0.05) << "line " << i;
            EXPECT_NEAR(heights[i], heights[0], 0.05) << "line " << i;
        }
        for (std::size_t i = 1; i < pitches.size(); ++i)
            EXPECT_NEAR(pitches[i], pitches[0], 0.05) << "line " << i;
    }
}

// Collects what the viewport repaints, in viewport coordinates.
class RepaintedArea : public QObject {
public:
    explicit RepaintedArea(QWidget* viewport) { viewport->installEventFilter(this); }
    QRegion region;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

// A key repaints the line it changed and the answers that changed with it; lines that stayed as they were,
// text and answer, are not painted again. A new line moves every line below it.
TEST_F(SheetEditorPaint, AKeyRepaintsWhatItChanged) {
    std::string text = "a = 1\nb = 2\n";
    for (int i = 0; i < 16; ++i)
        text += "4 + " + std::to_string(i) + "\n";
    text += "a + b";
    openSheets({text});
    CalcTextView& view = openWindow().view();
    const auto rowOf = [&view](std::int64_t line) {
        const QRectF rect = view.lineRect(line).translated(0, -view.verticalScrollBar()->value());
        return QRect(0, static_cast<int>(rect.top()) + 3, view.viewport()->width(), 12);
    };
    const auto answerOf = [&view, &rowOf](std::int64_t line) {
        const QRect row = rowOf(line);
        return QRect(static_cast<int>(view.dividerX()) + 4, row.top(), 40, row.height());
    };
    const std::int64_t last = 18;
    ASSERT_LT(rowOf(last).bottom(), view.viewport()->height());

    for (const QString& key : {QStringLiteral("5"), QStringLiteral("\b")}) {
        setCaret(view, 11);
        settle();
        RepaintedArea painted(view.viewport());
        if (key == QStringLiteral("\b"))
            QTest::keyClick(&view, Qt::Key_Backspace);
        else
            QTest::keyClicks(&view, key);
        settle();
        EXPECT_TRUE(painted.region.intersects(rowOf(1))) << key.toStdString();
        EXPECT_TRUE(painted.region.intersects(answerOf(last))) << key.toStdString();
        EXPECT_FALSE(painted.region.intersects(rowOf(0))) << key.toStdString();
        for (std::int64_t line = 2; line < last; ++line)
            EXPECT_FALSE(painted.region.intersects(rowOf(line))) << key.toStdString() << " line " << line;
    }

    setCaret(view, 11);
    settle();
    RepaintedArea painted(view.viewport());
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    for (std::int64_t line = 2; line <= last + 1; ++line) {
        EXPECT_TRUE(painted.region.intersects(rowOf(line))) << "line " << line;
        EXPECT_TRUE(painted.region.intersects(answerOf(line)) || line == 2) << "line " << line;
    }
}

TEST_F(SheetEditorPaint, OnlyANewTextSizeLaysTheSheetOutAgain) {
    openSheets({"1 + 1\nprice = 3\nprice * 2\n// a note"});
    Window& window = openWindow();
    const QTextDocument& document = *window.view().document();
    QSignalSpy laidOut(document.documentLayout(), &QAbstractTextDocumentLayout::update);
    settings.setSheetListStyle(SheetListStyle::tabs);
    settings.setShowsNamedValues(false);
    settings.setKeypadSize(KeypadSizeSetting::small);
    settings.setKeypadSide(KeypadSide::left);
    settings.setGroupsDigits(false);
    settings.setAcceptedTermsVersion(AppSettings::currentTermsVersion);
    settle();
    EXPECT_EQ(laidOut.count(), 0);

    const double before = document.defaultFont().pointSizeF();
    settings.setTextSize(TextSizeSetting::xlarge);
    settle();
    EXPECT_GT(laidOut.count(), 0);
    EXPECT_GT(document.defaultFont().pointSizeF(), before);
}

// Numbers of five digits (a sheet of ten thousand lines) are wider than the gutter's number box: they
// are drawn whole, from the left edge of the view towards the text, in light and dark.
// Every line reads left to right, also one that begins in Hebrew, and a right-to-left run inside a
// line is still set right to left.
TEST_F(SheetEditorPaint, LinesAreLeftToRightWithRightToLeftRunsInside) {
    openSheets({"\u05e9\u05dc\u05d5\u05dd = 12\nprice \u05e9\u05dc\u05d5\u05dd"});
    CalcTextView& view = openWindow().view();
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next())
        EXPECT_EQ(block.textDirection(), Qt::LeftToRight) << block.text().toStdString();
    const QTextBlock second = view.document()->findBlockByNumber(1);
    const QTextLine line = second.layout()->lineAt(0);
    // "price " then the word: its first letter stands right of its last.
    EXPECT_GT(line.cursorToX(7), line.cursorToX(9));
    EXPECT_LT(line.cursorToX(0), line.cursorToX(5));
}

TEST_F(SheetEditorPaint, LongLineNumbersAreDrawnWhole) {
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "1\n";
    openSheets({text + "2"});
    for (const bool dark : {false, true}) {
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        CalcTextView& view = openWindow().view();
        setCaret(view, static_cast<int>(text.size()));
        view.ensureCursorVisible();
        QCoreApplication::processEvents();
        const QImage image = grab(view);
        // The line's place in the document, less the scroll: its place in the viewport.
        const double top = view.lineRect(10000).top() - view.verticalScrollBar()->value();
        const QRect number(0, static_cast<int>(top) + 3, static_cast<int>(CalcTextView::gutterWidth), 16);
        const QColor ink = EditorPalette::caretLineNumber.resolve(dark);
        ASSERT_TRUE(anyPixel(image, number, ink, 40)) << dark;
        // A glyph cut off at the view's edge leaves its ink in the first column.
        EXPECT_FALSE(anyPixel(image, QRect(0, number.top(), 1, number.height()), ink, 60)) << dark;
        // And the number keeps clear of the text.
        EXPECT_FALSE(anyPixel(
            image, QRect(static_cast<int>(CalcTextView::gutterWidth) - 2, number.top(), 2, number.height()),
            ink, 60))
            << dark;
        windows.clear();
    }
}

} // namespace
} // namespace vell::testsupport
