#include "SheetEditor/SheetEditorFixture.h"

#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>

namespace vell::testsupport {
namespace {

// Composition through an input method (ibus, fcitx) goes through the same gate as typing.
class SheetEditorInputMethod : public SheetEditorTest {
protected:
    static void preedit(CalcTextView& view, const QString& text) {
        QInputMethodEvent event(text, {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor,
                                                                    static_cast<int>(text.size()), 1)});
        QCoreApplication::sendEvent(&view, &event);
    }
    static void commit(CalcTextView& view, const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QCoreApplication::sendEvent(&view, &event);
    }
    // What the line shows of a composition in progress.
    static QString shownPreedit(const CalcTextView& view, int line) {
        return view.document()->findBlockByNumber(line).layout()->preeditAreaText();
    }
};

TEST_F(SheetEditorInputMethod, ACompositionOnALockedLineShowsAndCommitsNothing) {
    struct Case {
        const char* where;
        int anchor;
        int caret;
        int line;
    };
    // "ab\ncd\nef" with "cd" locked.
    const Case cases[] = {
        {"inside it", 4, 4, 1},
        {"at its start", 3, 3, 1},
        {"at its end", 5, 5, 1},
        {"over a selection reaching into it", 1, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        openSheets({"ab\ncd\nef"}, {1});
        CalcTextView& view = openWindow().view();
        QTextCursor selection = view.textCursor();
        selection.setPosition(c.anchor);
        selection.setPosition(c.caret, QTextCursor::KeepAnchor);
        view.setTextCursor(selection);
        beeps = 0;
        const QImage before = view.grab().toImage();

        preedit(view, QStringLiteral("にほん"));
        EXPECT_EQ(shownPreedit(view, c.line), QString());
        EXPECT_TRUE(view.grab().toImage() == before) << "the view changed";
        EXPECT_EQ(beeps, 1);
        EXPECT_EQ(view.textCursor().anchor(), c.anchor);
        EXPECT_EQ(view.textCursor().position(), c.caret);

        commit(view, QStringLiteral("日本"));
        EXPECT_EQ(view.text(), "ab\ncd\nef");
        EXPECT_EQ(view.document()->toPlainText(), "ab\ncd\nef");
        EXPECT_EQ(sheetText(), "ab\ncd\nef");
        EXPECT_EQ(beeps, 2);
        windows.clear();
    }
}

TEST_F(SheetEditorInputMethod, ACommitOnAnOpenLineIsOneChangeEvaluatedOnceAndOneUndoStep) {
    openSheets({"ab\ncd\n"}, {1});
    CalcTextView& view = openWindow().view();
    setCaret(view, 6);
    QSignalSpy edits(&view, &CalcTextView::textEdited);
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);

    // The composition shows on its line but is not yet the sheet's text.
    for (const char* step : {"1", "12", "120", "1200", "1200えん", "１２００円"})
        preedit(view, QString::fromUtf8(step));
    EXPECT_EQ(shownPreedit(view, 2), QStringLiteral("１２００円"));
    EXPECT_EQ(view.text(), "ab\ncd\n");
    EXPECT_EQ(sheetText(), "ab\ncd\n");
    EXPECT_EQ(edits.count(), 0);
    EXPECT_EQ(evaluated.count(), 0);

    commit(view, QStringLiteral("１２００円"));
    settle();
    EXPECT_EQ(shownPreedit(view, 2), QString());
    EXPECT_EQ(view.text(), QStringLiteral("ab\ncd\n１２００円"));
    EXPECT_EQ(sheetText(), "ab\ncd\n１２００円");
    EXPECT_EQ(caret(view), 11);
    EXPECT_EQ(edits.count(), 1);
    EXPECT_EQ(evaluated.count(), 1);
    EXPECT_EQ(beeps, 0);
    ASSERT_EQ(view.results().size(), 3u);

    store->undo(*store->currentSheetID());
    settle();
    EXPECT_EQ(sheetText(), "ab\ncd\n");
    EXPECT_EQ(view.text(), "ab\ncd\n");
    EXPECT_EQ(locks(), (std::vector<std::int64_t>{1}));
}

// Input method frameworks place their candidate window by the caret rectangle, and ignore an empty one.
TEST_F(SheetEditorInputMethod, ReportsACaretRectangleTheInputMethodCanPlaceItsWindowBy) {
    openSheets({"1200\n3 × 4"});
    CalcTextView& view = openWindow().view();
    for (const int offset : {0, 4, 5, 10}) {
        SCOPED_TRACE(offset);
        setCaret(view, offset);
        QInputMethodQueryEvent query(Qt::ImCursorRectangle);
        QCoreApplication::sendEvent(&view, &query);
        const QRect reported = query.value(Qt::ImCursorRectangle).toRect();
        EXPECT_GT(reported.width(), 0);
        EXPECT_GT(reported.height(), 0);
        // In the widget's own coordinates, on the caret.
        const QRect caret = view.cursorRect().translated(view.viewport()->pos());
        EXPECT_EQ(reported.left(), caret.left());
        EXPECT_EQ(reported.top(), caret.top());
        EXPECT_EQ(reported.height(), caret.height());
        EXPECT_EQ(view.inputMethodQuery(Qt::ImCursorRectangle).toRect(), reported);
    }
    // The caret the view paints itself is unchanged: Qt's own stays off.
    EXPECT_EQ(view.cursorWidth(), 0);
}

// A digit committed into a grouped number regroups it as a typed one does; a full-width one stays as typed.
TEST_F(SheetEditorInputMethod, ACommittedDigitRegroupsItsNumber) {
    struct Case {
        const char* before;
        int caret;
        const char* digit;
        const char* after;
        int caretAfter;
    };
    const Case cases[] = {
        {"1,234", 5, "５", "12,34５", 6},
        {"1,234", 3, "５", "12,５34", 4},
        {"1,234", 0, "５", "５1,234", 1},
        {"1,234", 5, "5", "12,345", 6},
        {"x\n1,234 + 1", 5, "５", "x\n12,５34 + 1", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " at " + std::to_string(c.caret) + " " + c.digit);
        openSheets({c.before});
        CalcTextView& view = openWindow().view();
        setCaret(view, c.caret);
        preedit(view, QString::fromUtf8(c.digit));
        commit(view, QString::fromUtf8(c.digit));
        settle();
        EXPECT_EQ(view.text(), QString::fromUtf8(c.after));
        EXPECT_EQ(sheetText(), c.after);
        EXPECT_EQ(caret(view), c.caretAfter);
        windows.clear();
    }
}

TEST_F(SheetEditorInputMethod, ACompositionMovedOffALockedLineWorksAgain) {
    openSheets({"ab\ncd\nef"}, {1});
    CalcTextView& view = openWindow().view();
    setCaret(view, 4);
    preedit(view, QStringLiteral("す"));
    EXPECT_EQ(shownPreedit(view, 1), QString());

    setCaret(view, 8);
    preedit(view, QStringLiteral("すう"));
    EXPECT_EQ(shownPreedit(view, 2), QStringLiteral("すう"));
    commit(view, QStringLiteral("数"));
    EXPECT_EQ(sheetText(), "ab\ncd\nef数");
    EXPECT_EQ(beeps, 1);
}

} // namespace
} // namespace vell::testsupport
