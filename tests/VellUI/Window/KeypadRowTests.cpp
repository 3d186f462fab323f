#include "Keypad/KeyGridView.h"
#include "Keypad/Keypad.h"
#include "Keypad/KeypadToolButtons.h"
#include "Keypad/KeypadView.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/SheetEditor.h"
#include "Window/RootView.h"
#include "Window/SheetColumn.h"
#include "Window/StatusBar.h"
#include "Window/WindowTestSupport.h"

#include <QLayout>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::TestContext;

// A root view as the whole of a shown window, on the sheet given or the selected one.
struct KeypadRowWindow {
    KeypadRowWindow(const AppContext& app, std::optional<Uuid> sheet = std::nullopt)
        : session(app.store, app.evaluations, sheet), root(app, session) {
        root.resize(1040, 720);
        root.show();
        QApplication::processEvents();
    }

    Keypad& keypad() const { return *root.keypad(); }
    CalcTextView& view() const { return root.column()->sheetEditor()->textView(); }
    void tap(int row, int column) const {
        KeyButton& key = keypad().view().grid().cell(row, column);
        const QPointF centre(key.width() / 2.0, key.height() / 2.0);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, centre, key.mapToGlobal(centre), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(&key, &event);
        }
    }

    SheetSession session;
    RootView root;
};

class KeypadRowTest : public ::testing::Test {
protected:
    TestContext context;
    DocumentStore& store = context.store();
};

TEST_F(KeypadRowTest, EveryWindowHasItsKeypadUnderItsEditorEditingOnlyItsOwnSheet) {
    store.addSheet();
    const Uuid second = store.sheets().back().id;
    const Uuid first = store.sheets().front().id;
    KeypadRowWindow one(context.app(), first);
    KeypadRowWindow two(context.app(), second);
    KeypadRowWindow three(context.app(), first);
    for (const KeypadRowWindow* window : {&one, &two, &three}) {
        EXPECT_TRUE(window->root.column()->showsKeypadRow());
        EXPECT_EQ(window->keypad().height(), 300);
        EXPECT_GT(window->keypad().geometry().top(), window->root.column()->editor()->geometry().bottom());
    }
    const std::string firstText = store.sheets().front().text;
    one.view().setCaret(0, false);
    one.tap(3, 1); // "1"
    one.tap(3, 1);
    QApplication::processEvents();
    EXPECT_EQ(store.sheets().front().text, "11" + firstText);
    EXPECT_EQ(three.view().text().toStdString(), "11" + firstText);
    EXPECT_EQ(store.sheets().back().text, "");

    two.tap(2, 0); // "√"
    QApplication::processEvents();
    EXPECT_EQ(store.sheets().back().text, "sqrt()");
    EXPECT_EQ(two.view().caretPosition(), 5);
    EXPECT_EQ(store.sheets().front().text, "11" + firstText);
}

TEST_F(KeypadRowTest, HideAndPanelTogglesActInEveryWindow) {
    KeypadRowWindow one(context.app());
    KeypadRowWindow two(context.app());
    QTest::mouseClick(&one.keypad().view().panelToggle(KeypadTab::units), Qt::LeftButton);
    EXPECT_EQ(context.switches().keypadPanel(), "単位");
    EXPECT_TRUE(two.keypad().view().panelToggle(KeypadTab::units).isOpen());

    context.settings().setKeypadSize(KeypadSizeSetting::small);
    QApplication::processEvents();
    EXPECT_EQ(two.keypad().height(), 220);

    const int editorWithKeypad = two.root.column()->editor()->height();
    QTest::mouseClick(one.keypad().view().hideButton(), Qt::LeftButton);
    one.root.layout()->activate();
    two.root.layout()->activate();
    QApplication::processEvents();
    EXPECT_FALSE(context.switches().showKeypad());
    for (const KeypadRowWindow* window : {&one, &two}) {
        EXPECT_FALSE(window->keypad().isVisible());
        EXPECT_FALSE(window->root.column()->showsKeypadRow());
    }
    EXPECT_EQ(two.root.column()->editor()->height(), editorWithKeypad + 220 + 1);
}

// Where the column has no room for every key of the keypad, or for the editor beside it, the keypad
// row goes as its own hide key makes it go, and comes back with the room; the stored switch stays on.
TEST_F(KeypadRowTest, TheKeypadGivesWayWhereTheColumnHasNoRoomForIt) {
    KeypadRowWindow window(context.app());
    SheetColumn& column = *window.root.column();
    window.root.setSidebarVisible(false);
    const int needs = window.keypad().minimumSizeHint().width();
    struct Case {
        QSize size;
        bool shows;
    };
    const Case cases[] = {
        {{1040, 720}, true},
        {{needs, 720}, true},
        {{needs - 1, 720}, false},
        {{1040, 720}, true},
        // The editor keeps its least height beside the tab bar, keypad and status bar.
        {{1040, 40 + 1 + column.keypadHeight() + 30 + SheetColumn::editorLeastHeight - 1}, false},
        {{1040, 500}, true},
    };
    for (const Case& c : cases) {
        window.root.resize(c.size);
        QApplication::processEvents();
        const std::string at = std::to_string(column.width()) + " × " + std::to_string(column.height());
        EXPECT_EQ(column.showsKeypadRow(), c.shows) << at;
        EXPECT_EQ(window.keypad().isVisible(), c.shows) << at;
        EXPECT_TRUE(context.switches().showKeypad());
        // Gone, it leaves its room to the editor.
        if (!c.shows) {
            EXPECT_EQ(column.editor()->geometry().bottom() + 1, column.statusBar()->y()) << at;
        }
    }
}

} // namespace
} // namespace vell
