#include "SheetEditor/SheetEditorFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>

namespace vell::testsupport {
namespace {

class SheetEditorTyping : public SheetEditorTest {};

TEST_F(SheetEditorTyping, TypedDigitsAreGroupedAndReachTheStore) {
    openSheets({""});
    CalcTextView& view = openWindow().view();
    QTest::keyClicks(&view, "1234567");
    EXPECT_EQ(sheetText(), "1,234,567");
    EXPECT_EQ(view.text(), "1,234,567");
    EXPECT_EQ(caret(view), 9);
    settle();
    ASSERT_EQ(view.results().size(), 1u);
    EXPECT_EQ(view.answerFor(0)->text, "1,234,567");

    settings.setGroupsDigits(false);
    QTest::keyClick(&view, Qt::Key_Return);
    QTest::keyClicks(&view, "1234567");
    EXPECT_EQ(sheetText(), "1,234,567\n1234567");
}

TEST_F(SheetEditorTyping, AStarBecomesTheMultiplicationSignInCodeOnly) {
    openSheets({"3\n// 3 "});
    CalcTextView& view = openWindow().view();
    setCaret(view, 1);
    QTest::keyClick(&view, '*');
    EXPECT_EQ(sheetText(), "3 × \n// 3 ");
    EXPECT_EQ(caret(view), 4);
    setCaret(view, static_cast<int>(view.text().size()));
    QTest::keyClick(&view, '*');
    EXPECT_EQ(sheetText(), "3 × \n// 3 *");
}

TEST_F(SheetEditorTyping, ReturnWithAnyModifierIndentsAfterAColonAndNeverSplitsALineSoftly) {
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        openSheets({"if x > 3:"});
        CalcTextView& view = openWindow().view();
        setCaret(view, 9);
        QTest::keyClick(&view, Qt::Key_Return, modifiers);
        EXPECT_EQ(sheetText(), "if x > 3:\n    ") << modifiers;
        EXPECT_EQ(caret(view), 14);
        windows.clear();
    }
}

TEST_F(SheetEditorTyping, PastedLineBreaksOfEveryKindArriveAsLines) {
    openSheets({""});
    CalcTextView& view = openWindow().view();
    QApplication::clipboard()->setText(QStringLiteral("a\r\nb\rc"));
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(sheetText(), "a\nb\nc");
    EXPECT_EQ(view.document()->blockCount(), 3);

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u2028d"));
    QCoreApplication::sendEvent(&view, &commit);
    EXPECT_EQ(sheetText(), "a\nb\nc\nd");
    EXPECT_EQ(view.document()->blockCount(), 4);
}

TEST_F(SheetEditorTyping, NothingChangesALockedLine) {
    struct Case {
        const char* what;
        int caret;
        std::function<void(CalcTextView&)> act;
    };
    const auto type = [](CalcTextView& view) { QTest::keyClick(&view, 'x'); };
    const Case cases[] = {
        {"typing at its start", 3, type},
        {"typing at its end", 5, type},
        {"backspace at its start", 3, [](CalcTextView& view) { QTest::keyClick(&view, Qt::Key_Backspace); }},
        {"backspace after it", 6, [](CalcTextView& view) { QTest::keyClick(&view, Qt::Key_Backspace); }},
        {"delete at its end", 5, [](CalcTextView& view) { QTest::keyClick(&view, Qt::Key_Delete); }},
        {"select all and type", 0,
         [](CalcTextView& view) {
             QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
             QTest::keyClick(&view, 'z');
         }},
        {"a paste", 4,
         [](CalcTextView& view) {
             QApplication::clipboard()->setText(QStringLiteral("12"));
             QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
         }},
        {"an input-method commit", 4,
         [](CalcTextView& view) {
             QInputMethodEvent commit;
             commit.setCommitString(QStringLiteral("日本"));
             QCoreApplication::sendEvent(&view, &commit);
         }},
    };
    for (const Case& c : cases) {
        openSheets({"ab\ncd\nef"}, {1});
        CalcTextView& view = openWindow().view();
        setCaret(view, c.caret);
        beeps = 0;
        c.act(view);
        EXPECT_EQ(beeps, 1) << c.what;
        EXPECT_EQ(view.text(), "ab\ncd\nef") << c.what;
        EXPECT_EQ(sheetText(), "ab\ncd\nef") << c.what;
        EXPECT_EQ(caret(view), c.what == std::string("select all and type") ? 0 : c.caret) << c.what;
        windows.clear();
    }

    openSheets({"ab\ncd\nef"}, {1});
    CalcTextView& view = openWindow().view();
    setCaret(view, 6);
    beeps = 0;
    QTest::keyClick(&view, 'x');
    EXPECT_EQ(sheetText(), "ab\ncd\nxef");
    EXPECT_EQ(locks(), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(beeps, 0);
}

TEST_F(SheetEditorTyping, AChangeMadeAroundTheKeyboardIsVettedTooAndRevertedOnALockedLine) {
    openSheets({"ab\ncd\nef"}, {1});
    CalcTextView& view = openWindow().view();
    setCaret(view, 4);
    view.insertPlainText(QStringLiteral("x"));
    settle();
    EXPECT_EQ(view.text(), "ab\ncd\nef");
    EXPECT_EQ(view.document()->toPlainText(), "ab\ncd\nef");
    EXPECT_EQ(beeps, 1);

    setCaret(view, 8);
    view.insertPlainText(QStringLiteral("12345"));
    settle();
    EXPECT_EQ(sheetText(), "ab\ncd\nef12345");
}

TEST_F(SheetEditorTyping, AGutterClickBesideALineWithAResultTogglesItsLockAndKeepsTheCaret) {
    openSheets({"1 + 1\n\n2"});
    CalcTextView& view = openWindow().view();
    setCaret(view, 8);
    click(view, pointOnLine(view, 1, 20));
    EXPECT_EQ(locks(), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(caret(view), 8);
    EXPECT_EQ(view.lockedLines(), (std::set<std::int64_t>{1}));
    click(view, pointOnLine(view, 1, 20));
    EXPECT_TRUE(locks().empty());

    // Below the last line the click places the caret as in any text.
    click(view, QPointF(20, view.lineRect(2).bottom() + 40));
    EXPECT_TRUE(locks().empty());
}

TEST_F(SheetEditorTyping, CommandsFromTheWindowEditItsOwnSheetOnly) {
    openSheets({"if a:", "x"});
    Window& first = openWindow();
    Window& second = openWindow(store->sheets()[1].id);
    CalcTextView& view = first.view();
    setCaret(view, 5);
    first.editor->insertSnippet(InsertSnippet{"\n", 0, false});
    EXPECT_EQ(sheetText(0), "if a:\n    ");
    EXPECT_EQ(caret(view), 10);

    CalcTextView& other = second.view();
    setCaret(other, 1);
    second.editor->insertSnippet(InsertSnippet{"sqrt()", 1, false});
    EXPECT_EQ(sheetText(1), "x sqrt()");
    EXPECT_EQ(caret(other), 7);
    EXPECT_EQ(sheetText(0), "if a:\n    ");

    second.editor->moveCursor(CursorMove::lineEnd);
    EXPECT_EQ(caret(other), 8);
    second.editor->moveCursor(CursorMove::lineStart);
    EXPECT_EQ(caret(other), 0);

    // A caret back past the start stops at 0.
    second.editor->insertSnippet(InsertSnippet{"(", 9, false});
    EXPECT_EQ(caret(other), 0);
}

TEST_F(SheetEditorTyping, SignToggleAndDeleteBackwardGoThroughTheGate) {
    openSheets({"5\n7"}, {1});
    Window& window = openWindow();
    CalcTextView& view = window.view();
    setCaret(view, 1);
    window.editor->toggleSign();
    EXPECT_EQ(sheetText(), "-5\n7");
    EXPECT_EQ(caret(view), 2);
    window.editor->deleteBackward();
    EXPECT_EQ(sheetText(), "-\n7");

    setCaret(view, 3);
    window.editor->toggleSign();
    window.editor->deleteBackward();
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(sheetText(), "-\n7");
    EXPECT_EQ(locks(), (std::vector<std::int64_t>{1}));
}

TEST_F(SheetEditorTyping, UndoAndRedoKeysStepTheStoresHistoryAndCaret) {
    openSheets({""});
    CalcTextView& view = openWindow().view();
    QTest::keyClicks(&view, "12");
    clock.advance(2);
    QTest::keyClick(&view, Qt::Key_Home);
    QTest::keyClicks(&view, "9");
    EXPECT_EQ(sheetText(), "912");

    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_EQ(sheetText(), "12");
    EXPECT_EQ(view.text(), "12");
    EXPECT_EQ(caret(view), 0);

    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    settle();
    EXPECT_EQ(view.text(), "912");
    EXPECT_EQ(caret(view), 1);

    // The window's own shortcuts get the keys first: the view declines to override them.
    QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Z, Qt::ControlModifier);
    QCoreApplication::sendEvent(&view, &override);
    EXPECT_FALSE(override.isAccepted());
}

TEST_F(SheetEditorTyping, TextFromElsewhereKeepsTheCaretAndASheetSwitchOpensAtTheTop) {
    std::string longText;
    for (int i = 0; i < 200; ++i)
        longText += std::to_string(i) + "\n";
    openSheets({"abc\ndef", longText});
    Window& window = openWindow();
    CalcTextView& view = window.view();
    setCaret(view, 5);
    store->setText(*store->currentSheetID(), "abc\ndefgh");
    settle();
    EXPECT_EQ(view.text(), "abc\ndefgh");
    EXPECT_EQ(caret(view), 5);

    window.session->select(store->sheets()[1].id);
    settle();
    view.setCaret(700, true);
    ASSERT_GT(view.verticalScrollBar()->value(), 0);
    // Even a caret the store asked for gives way to the start of the newly shown sheet.
    emit store->caretRequested(store->sheets()[1].id, 5);
    window.session->select(store->sheets()[0].id);
    settle();
    EXPECT_EQ(caret(view), 0);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

TEST_F(SheetEditorTyping, TheStoresCaretRequestMovesOnlyEditorsOnItsSheet) {
    openSheets({"abc", "xyz"});
    Window& first = openWindow();
    Window& second = openWindow(store->sheets()[1].id);
    setCaret(first.view(), 1);
    setCaret(second.view(), 2);
    emit store->caretRequested(store->sheets()[0].id, 3);
    store->setText(store->sheets()[0].id, "abcd");
    settle();
    EXPECT_EQ(caret(first.view()), 3);
    EXPECT_EQ(caret(second.view()), 2);
}

// The editor that typed a change keeps what it shows; every other editor on the sheet reads it back.
TEST_F(SheetEditorTyping, TwoWindowsOnOneSheetShowWhatEitherTyped) {
    openSheets({"1", "x"});
    Window& first = openWindow();
    Window& second = openWindow();
    Window& elsewhere = openWindow(store->sheets()[1].id);
    setCaret(first.view(), 1);
    QTest::keyClicks(&first.view(), "2");
    settle();
    EXPECT_EQ(second.view().text(), "12");
    EXPECT_EQ(caret(first.view()), 2);

    clock.advance(2);
    setCaret(second.view(), 0);
    QTest::keyClicks(&second.view(), "3");
    settle();
    EXPECT_EQ(first.view().text(), "312");
    EXPECT_EQ(second.view().text(), "312");
    EXPECT_EQ(caret(second.view()), 1);
    EXPECT_EQ(elsewhere.view().text(), "x");

    QTest::keyClick(&first.view(), Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_EQ(sheetText(), "12");
    EXPECT_EQ(first.view().text(), "12");
    EXPECT_EQ(second.view().text(), "12");
}

} // namespace
} // namespace vell::testsupport
