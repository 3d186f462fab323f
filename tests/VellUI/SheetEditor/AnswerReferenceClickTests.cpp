#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "SheetEditor/EditorPalette.h"
#include "SheetEditor/SheetEditorFixture.h"

#include <QDrag>
#include <QMenu>
#include <QMimeData>

namespace vell::testsupport {
namespace {

class AnswerReferenceClick : public SheetEditorTest {
protected:
    static QPointF answerOf(const CalcTextView& view, std::int64_t line) {
        return pointOnLine(view, line, view.viewport()->width() - 60);
    }
};

TEST_F(AnswerReferenceClick, AClickPutsTheLineNameInAtTheCaret) {
    struct Case {
        std::string text;
        int caret;
        std::int64_t line;
        std::string result;
        int caretAfter;
    };
    const Case cases[] = {
        {"price = 1200\n2 × ", 17, 0, "price = 1200\n2 × price", 22},
        {"price = 1200\n2", 14, 0, "price = 1200\n2 price", 20},
        {"price = 1200\n2", 2, 0, "price = 1200\n2", 2},
        {"3 × 4\n2 + ", 10, 0, "x1 = 3 × 4\n2 + x1", 17},
    };
    for (const Case& c : cases) {
        openSheets({c.text});
        CalcTextView& view = openWindow().view();
        setCaret(view, c.caret);
        click(view, answerOf(view, c.line));
        EXPECT_EQ(sheetText(), c.result) << c.text;
        EXPECT_EQ(caret(view), c.caretAfter) << c.text;
        EXPECT_EQ(beeps, 0);
        windows.clear();
    }
}

TEST_F(AnswerReferenceClick, ALockedCaretLineBeepsAndALockedNamedLineKeepsItsLock) {
    openSheets({"3 × 4\n2\n5"}, {1});
    CalcTextView& view = openWindow().view();
    setCaret(view, 7);
    click(view, answerOf(view, 0));
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(sheetText(), "3 × 4\n2\n5");

    store->toggleLock(*store->currentSheetID(), 0);
    settle();
    setCaret(view, 9);
    click(view, answerOf(view, 0));
    EXPECT_EQ(sheetText(), "x1 = 3 × 4\n2\n5 x1");
    EXPECT_EQ(locks(), (std::vector<std::int64_t>{0, 1}));
    EXPECT_EQ(view.lockedLines(), (std::set<std::int64_t>{0, 1}));

    // One undo step takes back the naming and the insertion together.
    store->undo(*store->currentSheetID());
    settle();
    EXPECT_EQ(sheetText(), "3 × 4\n2\n5");
}

TEST_F(AnswerReferenceClick, MovingMoreThanThreePointsDragsTheNameOutCopyOnly) {
    openSheets({"price = 1200\n3 × 4\n7"});
    CalcTextView& view = openWindow().view();
    struct Dragged {
        QString text;
        Qt::DropActions actions;
        QSize pixmap;
    };
    std::vector<Dragged> drags;
    view.runDrag = [&](QDrag* drag, Qt::DropActions actions) {
        drags.push_back({drag->mimeData()->text(), actions, drag->pixmap().deviceIndependentSize().toSize()});
        drag->deleteLater();
    };
    setCaret(view, 20);

    // Exactly 3 points is still a click.
    const QPointF start = answerOf(view, 0);
    mouse(view, QEvent::MouseButtonPress, start);
    mouse(view, QEvent::MouseMove, start + QPointF(3, 0));
    mouse(view, QEvent::MouseButtonRelease, start + QPointF(3, 0));
    EXPECT_TRUE(drags.empty());
    EXPECT_EQ(sheetText(), "price = 1200\n3 × 4\n7 price");

    mouse(view, QEvent::MouseButtonPress, start);
    mouse(view, QEvent::MouseMove, start + QPointF(3, 1));
    ASSERT_EQ(drags.size(), 1u);
    EXPECT_EQ(drags[0].text, "price");
    EXPECT_EQ(drags[0].actions, Qt::CopyAction);
    EXPECT_EQ(sheetText(), "price = 1200\n3 × 4\n7 price");
    const QFontMetricsF metrics(Fonts::monospacedDigits(15, QFont::DemiBold));
    EXPECT_EQ(drags[0].pixmap.width(), std::ceil(metrics.horizontalAdvance("price") + 28));

    // An unnamed line is named first; the caret keeps its offset.
    setCaret(view, 2);
    const QPointF second = answerOf(view, 1);
    mouse(view, QEvent::MouseButtonPress, second);
    mouse(view, QEvent::MouseMove, second + QPointF(10, 0));
    ASSERT_EQ(drags.size(), 2u);
    EXPECT_EQ(drags[1].text, "x1");
    EXPECT_EQ(sheetText(), "price = 1200\nx1 = 3 × 4\n7 price");
    EXPECT_EQ(caret(view), 2);
}

TEST_F(AnswerReferenceClick, ARightClickOnAnAnswerOffersToNameOrRenameItsLine) {
    openSheets({"price = 1200\n3 × 4\n\n1/0"});
    Window& window = openWindow();
    CalcTextView& view = window.view();
    std::vector<qint64> requested;
    QObject::connect(window.editor.get(), &SheetEditor::onRequestName,
                     [&](qint64 line) { requested.push_back(line); });
    struct Case {
        std::int64_t line;
        AppLanguage language;
        const char* title;
    };
    const Case cases[] = {
        {0, AppLanguage::english, "Rename…"},
        {1, AppLanguage::english, "Name This Line…"},
        {0, AppLanguage::japanese, "名前を変える…"},
        {1, AppLanguage::japanese, "名前を付ける…"},
    };
    for (const Case& c : cases) {
        scope.setLanguage(c.language);
        std::unique_ptr<QMenu> menu(view.contextMenuAt(answerOf(view, c.line).toPoint()));
        ASSERT_EQ(menu->actions().size(), 1) << c.title;
        EXPECT_EQ(menu->actions()[0]->text().toStdString(), c.title);
        menu->actions()[0]->trigger();
    }
    EXPECT_EQ(requested, (std::vector<qint64>{0, 1, 0, 1}));

    // Beside a failure, or left of the divider, the text's own menu.
    scope.setLanguage(AppLanguage::english);
    for (const QPointF point : {answerOf(view, 3), pointOnLine(view, 0, 100)}) {
        std::unique_ptr<QMenu> menu(view.contextMenuAt(point.toPoint()));
        EXPECT_GT(menu->actions().size(), 1);
    }
}

} // namespace
} // namespace vell::testsupport
