#include "Document/SheetSize.h"
#include "Keypad/CatalogPanelPlace.h"
#include "Keypad/EditorCommands.h"
#include "Keypad/KeyGridView.h"
#include "Keypad/Keypad.h"
#include "Keypad/KeypadTestSupport.h"
#include "Keypad/KeypadToolButtons.h"
#include "Keypad/KeypadView.h"
#include "SheetEditor/SheetEditorFixture.h"
#include "Stores/ViewSwitches.h"

#include <QApplication>

namespace vell::testsupport {
namespace {

// Windows of the editor fixture, each with the keypad a main window gives it: its own command route to
// its own editor and its window's session, and one set of view switches for all of them.
class KeypadEditingTest : public SheetEditorTest {
protected:
    struct KeypadWindow {
        Window& window;
        std::unique_ptr<EditorCommands> commands;
        std::unique_ptr<Keypad> keypad;

        CalcTextView& view() const { return window.view(); }
        KeyButton& cell(int row, int column) const { return keypad->view().grid().cell(row, column); }
    };

    KeypadWindow& openKeypadWindow(std::optional<Uuid> sheet = std::nullopt,
                                   KeyTiming timing = quickTiming()) {
        Window& window = openWindow(sheet);
        auto commands = std::make_unique<EditorCommands>();
        window.editor->takeCommands(*commands);
        auto keypad = std::make_unique<Keypad>(
            *commands, *window.session, Keypad::Services{settings, switches, appearance, keyLayouts, timing});
        keypad->resize(800, 300);
        keypad->show();
        keypads.push_back({window, std::move(commands), std::move(keypad)});
        return keypads.back();
    }

    // The key of the number grid showing that label.
    static KeyButton& key(const KeypadWindow& window, const QString& label) {
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 5; ++column)
                if (window.cell(row, column).text() == label && window.cell(row, column).isVisible())
                    return window.cell(row, column);
        ADD_FAILURE() << "no key " << label.toStdString();
        return window.cell(0, 0);
    }
    static void tap(const KeypadWindow& window, std::initializer_list<const char*> labels) {
        for (const char* label : labels)
            Hand::click(key(window, QString::fromUtf8(label)));
    }

    ~KeypadEditingTest() override { keypads.clear(); }

    ViewSwitches switches{defaults.open()};
    std::deque<KeypadWindow> keypads;
};

TEST_F(KeypadEditingTest, DigitsJoinIntoOneNumberGroupedAsTypedByHand) {
    openSheets({""});
    KeypadWindow& window = openKeypadWindow();
    tap(window, {"1", "2", "3", "4"});
    EXPECT_EQ(sheetText(), "1,234");
    EXPECT_EQ(caret(window.view()), 5);
    settle();
    EXPECT_EQ(window.view().answerFor(0)->text, "1,234");

    settings.setGroupsDigits(false);
    tap(window, {"⏎", "1", "2", "3", "4", ".", "5"});
    EXPECT_EQ(sheetText(), "1,234\n1234.5");
}

TEST_F(KeypadEditingTest, KeysInsertTheirTextsAsTheEditorWould) {
    const struct {
        const char* text;
        int caret;
        std::vector<const char*> keys;
        const char* result;
        int caretAfter;
    } cases[] = {
        {"2", 1, {"√"}, "2 sqrt()", 7},   {"if x > 3:", 9, {"⏎"}, "if x > 3:\n    ", 14},
        {"8", 1, {"−"}, "8 - ", 4},       {"8", 1, {"÷"}, "8 / ", 4},
        {"8", 1, {"×"}, "8 × ", 4},       {"8", 1, {"␣"}, "8 ", 2},
        {"8", 1, {"+", "π"}, "8 + π", 5}, {"12", 2, {"+/-"}, "-12", 3},
        {"12", 2, {"⌫"}, "1", 1},         {"x", 1, {"(", "2", ")"}, "x(2)", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        keypads.clear();
        windows.clear();
        openSheets({c.text});
        KeypadWindow& window = openKeypadWindow();
        setCaret(window.view(), c.caret);
        for (const char* label : c.keys)
            tap(window, {label});
        EXPECT_EQ(sheetText(), c.result);
        EXPECT_EQ(caret(window.view()), c.caretAfter);
        EXPECT_EQ(window.view().window()->focusWidget(), &window.view()) << "the editor keeps the keyboard";
    }
}

TEST_F(KeypadEditingTest, TheUndoKeysStayDimOnASheetTooLargeToEdit) {
    std::string huge;
    while (huge.size() <= SheetSize::maxSheetBytes)
        huge += "1 + 1\n";
    openSheets({huge});
    KeypadWindow& window = openKeypadWindow();
    HistoryButton& undo = *window.keypad->view().undoButton();
    HistoryButton& redo = *window.keypad->view().redoButton();
    EXPECT_FALSE(undo.isEnabled());
    EXPECT_FALSE(redo.isEnabled());

    // Its clearing can be undone; the sheet that comes back takes no further step.
    store->clearSheet(*store->currentSheetID());
    settle();
    ASSERT_TRUE(undo.isEnabled());
    Hand::click(undo);
    settle();
    EXPECT_TRUE(sheetText() == huge) << sheetText().size() << " bytes";
    EXPECT_FALSE(undo.isEnabled());
    EXPECT_FALSE(redo.isEnabled());
}

TEST_F(KeypadEditingTest, TheGridSwitchBringsCaretKeysThatMoveTheCaret) {
    openSheets({"ab\ncd"});
    KeypadWindow& window = openKeypadWindow();
    setCaret(window.view(), 5);
    tap(window, {"✥"});
    EXPECT_EQ(sheetText(), "ab\ncd") << "the switch inserts nothing";
    tap(window, {"↑"});
    EXPECT_EQ(caret(window.view()), 2);
    tap(window, {"⇤"});
    EXPECT_EQ(caret(window.view()), 0);
    tap(window, {"→", "⌫"});
    EXPECT_EQ(sheetText(), "b\ncd");
    tap(window, {"✥", "7"});
    EXPECT_EQ(sheetText(), "7b\ncd");
}

TEST_F(KeypadEditingTest, AHeldCaretKeyMovesUntilTheRelease) {
    openSheets({"abcdefghijklmnopqrstuvwxyz"});
    KeypadWindow& window = openKeypadWindow();
    setCaret(window.view(), 26);
    tap(window, {"✥"});
    KeyButton& left = key(window, "←");
    Hand::press(left);
    QTRY_VERIFY_WITH_TIMEOUT(caret(window.view()) <= 22, 3000);
    Hand::release(left);
    const std::int64_t released = caret(window.view());
    QTest::qWait(80);
    EXPECT_EQ(caret(window.view()), released);
    EXPECT_EQ(sheetText(), "abcdefghijklmnopqrstuvwxyz");
}

TEST_F(KeypadEditingTest, AHeldBackspaceStopsAtOnceWhenTheKeypadGoesOrTheWindowIsLeft) {
    QWidget elsewhere;
    const struct {
        const char* what;
        std::function<void(KeypadWindow&)> takeAway;
    } cases[] = {
        {"the keypad hidden", [this](KeypadWindow&) { switches.setShowKeypad(false); }},
        {"the keypad's window left",
         [&elsewhere](KeypadWindow& window) {
             elsewhere.show();
             elsewhere.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
             ASSERT_FALSE(window.keypad->isActiveWindow());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        keypads.clear();
        windows.clear();
        elsewhere.hide();
        openSheets({"abcdefghijklmnopqrstuvwxyz"});
        KeypadWindow& window = openKeypadWindow();
        // The window hides its keypad row when the switch goes off.
        QObject::connect(&switches, &ViewSwitches::showKeypadChanged, window.keypad.get(),
                         [&window](bool shown) { window.keypad->setVisible(shown); });
        window.keypad->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.keypad.get()));
        setCaret(window.view(), 26);
        KeyButton& backspace = key(window, "⌫");
        Hand::press(backspace);
        QTRY_VERIFY_WITH_TIMEOUT(sheetText().size() <= 23, 3000);
        c.takeAway(window);
        const std::string left = sheetText();
        QTest::qWait(80);
        Hand::release(backspace);
        EXPECT_EQ(sheetText(), left);
        switches.setShowKeypad(true);
    }
}

TEST_F(KeypadEditingTest, BackspaceSlidSidewaysAsksTheStoreOnceAndLeavesTheText) {
    openSheets({"abc"});
    KeypadWindow& window = openKeypadWindow();
    QSignalSpy requests(store.get(), &DocumentStore::clearSheetPromptChanged);
    setCaret(window.view(), 3);
    KeyButton& backspace = key(window, "⌫");
    Hand::press(backspace);
    Hand::moveBy(backspace, {22, 0});
    Hand::moveBy(backspace, {44, 0});
    EXPECT_EQ(requests.count(), 0) << "nothing before the release";
    Hand::release(backspace, {44, 0});
    settle();
    EXPECT_EQ(requests.count(), 1);
    EXPECT_EQ(store->clearSheetPrompt(), std::optional<std::string>("A"));
    EXPECT_EQ(sheetText(), "abc");
}

TEST_F(KeypadEditingTest, AKeyEditsOnlyItsOwnWindowsSheetOnce) {
    openSheets({"1", "2"});
    KeypadWindow& first = openKeypadWindow();
    KeypadWindow& other = openKeypadWindow(store->sheets()[1].id);
    KeypadWindow& same = openKeypadWindow();
    setCaret(first.view(), 1);
    setCaret(other.view(), 1);
    setCaret(same.view(), 0);

    tap(first, {"+", "5"});
    settle();
    EXPECT_EQ(sheetText(0), "1 + 5");
    EXPECT_EQ(sheetText(1), "2");
    EXPECT_EQ(same.view().text(), "1 + 5") << "the other window on that sheet shows the change";

    tap(other, {"7"});
    settle();
    EXPECT_EQ(sheetText(0), "1 + 5");
    EXPECT_EQ(sheetText(1), "27");

    // The second window on the first sheet types at its own caret, into the text as it now is.
    setCaret(same.view(), 0);
    tap(same, {"("});
    settle();
    EXPECT_EQ(sheetText(0), "(1 + 5");
    EXPECT_EQ(first.view().text(), "(1 + 5");
}

TEST_F(KeypadEditingTest, UndoIsOffUntilAKeyWasTypedThenRestoresTheText) {
    openSheets({"8"});
    KeypadWindow& window = openKeypadWindow();
    HistoryButton& undo = *window.keypad->view().undoButton();
    HistoryButton& redo = *window.keypad->view().redoButton();
    EXPECT_FALSE(undo.isEnabled());
    Hand::click(undo);
    settle();
    EXPECT_EQ(sheetText(), "8");

    setCaret(window.view(), 1);
    tap(window, {"0"});
    EXPECT_EQ(sheetText(), "80");
    EXPECT_TRUE(undo.isEnabled());
    EXPECT_FALSE(redo.isEnabled());
    Hand::click(undo);
    settle();
    EXPECT_EQ(sheetText(), "8");
    EXPECT_EQ(window.view().text(), "8");
    EXPECT_TRUE(redo.isEnabled());
    Hand::click(redo);
    settle();
    EXPECT_EQ(sheetText(), "80");
}

TEST_F(KeypadEditingTest, UndoReachesTheSheetOfTheKeypadsWindowEvenBeforeItIsActive) {
    openSheets({"1", "2"});
    KeypadWindow& first = openKeypadWindow();
    KeypadWindow& second = openKeypadWindow(store->sheets()[1].id);
    setCaret(second.view(), 1);
    tap(second, {"3"});
    setCaret(first.view(), 1);
    tap(first, {"4"});
    EXPECT_EQ(sheetText(0), "14");
    EXPECT_EQ(sheetText(1), "23");
    // The first window's sheet is selected now; the second window's undo still undoes its own sheet.
    Hand::click(*second.keypad->view().undoButton());
    settle();
    EXPECT_EQ(sheetText(1), "2");
    EXPECT_EQ(sheetText(0), "14");
}

TEST_F(KeypadEditingTest, PanelTogglesAndHideAreSharedByEveryWindow) {
    openSheets({""});
    KeypadWindow& first = openKeypadWindow();
    KeypadWindow& second = openKeypadWindow();
    KeypadView& one = first.keypad->view();
    KeypadView& two = second.keypad->view();

    Hand::click(one.panelToggle(KeypadTab::functions));
    EXPECT_EQ(switches.keypadPanel(), "関数");
    EXPECT_EQ(defaults.stored("vell.keypadPanel").toString(), "関数");
    EXPECT_TRUE(two.panelToggle(KeypadTab::functions).isOpen());
    EXPECT_TRUE(two.panelPlace().isVisible());

    Hand::click(two.panelToggle(KeypadTab::units));
    EXPECT_EQ(switches.keypadPanel(), "単位");
    EXPECT_TRUE(one.panelToggle(KeypadTab::units).isOpen());
    EXPECT_FALSE(one.panelToggle(KeypadTab::functions).isOpen());
    EXPECT_EQ(one.panelPlace().spec()->kind, KeyLayoutStore::Kind::units);

    Hand::click(one.panelToggle(KeypadTab::units));
    EXPECT_EQ(switches.keypadPanel(), "");
    EXPECT_EQ(defaults.stored("vell.keypadPanel").toString(), "");
    EXPECT_FALSE(two.panelPlace().isVisible());

    // A stored "数字" opens the function panel with neither toggle on, in a keypad made later too.
    switches.setKeypadPanel("数字");
    KeypadWindow& third = openKeypadWindow();
    for (KeypadView* view : {&one, &two, &third.keypad->view()}) {
        EXPECT_EQ(view->panelPlace().spec()->kind, KeyLayoutStore::Kind::functions);
        EXPECT_FALSE(view->panelToggle(KeypadTab::functions).isOpen());
        EXPECT_FALSE(view->panelToggle(KeypadTab::units).isOpen());
    }

    Hand::click(*two.hideButton());
    EXPECT_FALSE(switches.showKeypad());
    EXPECT_EQ(defaults.stored("vell.showKeypad").toString(), "false");
}

} // namespace
} // namespace vell::testsupport
