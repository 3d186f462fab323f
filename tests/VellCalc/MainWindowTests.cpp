#include "AppTestSupport.h"
#include "Dialogs/WindowDialog.h"
#include "SheetEditor/SheetEditor.h"
#include "Stores/UserDefaults.h"
#include "Window/RootView.h"
#include "Window/SheetColumn.h"
#include "Window/StatusBar.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

namespace vell {
namespace {

using testsupport::activate;
using testsupport::press;
using testsupport::settle;
using testsupport::typeAtEnd;
using testsupport::VellAppTest;
using Command = MainWindow::Command;

class MainWindowTest : public VellAppTest {};

// On the suites' screen of 1280 × 900, which has room for it; the smallest width there is half the
// screen's, so that two windows can stand side by side.
TEST_F(MainWindowTest, AWindowOpensAt1040By720AndCannotShrinkBelowItsScreensSmallest) {
    MainWindow& window = open();
    EXPECT_EQ(window.size(), QSize(1040, 720));
    EXPECT_TRUE(window.windowTitle().isEmpty());
    window.resize(300, 200);
    settle();
    const QMargins frame = window.windowHandle()->frameMargins();
    EXPECT_EQ(window.size(), QSize(640 - frame.left() - frame.right(), 600));
}

TEST_F(MainWindowTest, NewWindowOpensOnTheSelectedSheetWithASessionOfItsOwn) {
    MainWindow& first = open();
    first.session().select(sheetAt(2).id);
    press(first, Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);

    ASSERT_EQ(app->windows().size(), 2u);
    MainWindow& second = *app->windows().back();
    EXPECT_NE(&second.session(), &first.session());
    EXPECT_EQ(second.session().sheetID(), sheetAt(2).id);
    EXPECT_EQ(second.size(), QSize(1040, 720));
    EXPECT_TRUE(second.isActiveWindow());
}

TEST_F(MainWindowTest, AWindowOpensAtTheStartOfItsSheet) {
    MainWindow& first = open();
    press(first, Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
    for (MainWindow* window : app->windows()) {
        EXPECT_EQ(testsupport::editorOf(*window).caretPosition(), 0);
        EXPECT_EQ(testsupport::editorOf(*window).verticalScrollBar()->value(), 0);
    }
}

TEST_F(MainWindowTest, TheFirstAndANewWindowShowTheirEditorUnderEverySheetListChoice) {
    struct Case {
        SheetListStyle style;
        bool namedValues;
    };
    for (const Case& c : {Case{SheetListStyle::both, true}, Case{SheetListStyle::both, false},
                          Case{SheetListStyle::sidebar, true}, Case{SheetListStyle::sidebar, false},
                          Case{SheetListStyle::tabs, true}, Case{SheetListStyle::tabs, false}}) {
        SCOPED_TRACE(std::string(SheetListStyles::rawValue(c.style)) +
                     (c.namedValues ? " named" : " unnamed"));
        settings().setSheetListStyle(c.style);
        settings().setShowsNamedValues(c.namedValues);
        MainWindow& first = open();
        press(first, Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
        for (MainWindow* window : app->windows()) {
            const CalcTextView& editor = testsupport::editorOf(*window);
            EXPECT_TRUE(editor.isVisible());
            EXPECT_GT(editor.width(), 600);
            EXPECT_GT(editor.height(), 200);
            EXPECT_TRUE(window->rootView().column()->statusBar()->isVisible());
            window->close();
        }
        settle();
    }
}

TEST_F(MainWindowTest, NewSheetAddsTheNextNumberAndShowsItInThisWindowOnly) {
    MainWindow& first = open();
    MainWindow& second = open();
    const auto secondSheet = second.session().sheetID();
    ASSERT_EQ(store().sheets().size(), 4u);

    press(first, Qt::Key_N, Qt::ControlModifier);

    ASSERT_EQ(store().sheets().size(), 5u);
    EXPECT_EQ(store().sheets().back().name, "Sheet 5");
    EXPECT_EQ(first.session().sheetID(), store().sheets().back().id);
    EXPECT_EQ(store().currentSheetID(), store().sheets().back().id);
    EXPECT_EQ(second.session().sheetID(), secondSheet);
}

TEST_F(MainWindowTest, ActivatingAWindowSelectsItsSheetAndMakesItsSessionActive) {
    MainWindow& first = open();
    first.session().select(sheetAt(0).id);
    MainWindow& second = open();
    second.session().select(sheetAt(1).id);
    EXPECT_EQ(store().currentSheetID(), sheetAt(1).id);

    activate(first);
    EXPECT_EQ(store().currentSheetID(), sheetAt(0).id);
    EXPECT_EQ(store().activeSession(), &first.session());
    activate(second);
    EXPECT_EQ(store().currentSheetID(), sheetAt(1).id);
    EXPECT_EQ(store().activeSession(), &second.session());
}

TEST_F(MainWindowTest, TypingInAWindowWhoseSheetIsNotSelectedChangesThatSheetOnly) {
    MainWindow& first = open();
    first.session().select(sheetAt(0).id);
    MainWindow& second = open();
    second.session().select(sheetAt(1).id);
    const std::string firstText = sheetAt(0).text;
    const std::string secondText = sheetAt(1).text;
    ASSERT_EQ(store().currentSheetID(), sheetAt(1).id);

    // The keys reach the first window's editor while the second one is still the active window.
    CalcTextView& editor = testsupport::editorOf(first);
    editor.moveCursor(QTextCursor::End);
    QTest::keyClicks(&editor, "7");
    settle();

    EXPECT_EQ(sheetAt(0).text, firstText + "7");
    EXPECT_EQ(sheetAt(1).text, secondText);
    // Only activating a window moves the selection.
    EXPECT_EQ(store().currentSheetID(), sheetAt(1).id);
    EXPECT_EQ(store().activeSession(), &second.session());
}

TEST_F(MainWindowTest, ALockAskedForInAWindowLocksTheLineOfThatWindowsSheet) {
    MainWindow& first = open();
    first.session().select(sheetAt(0).id);
    MainWindow& second = open();
    second.session().select(sheetAt(1).id);

    emit first.rootView().column()->sheetEditor()->onToggleLock(2);

    EXPECT_EQ(store().currentSheetID(), sheetAt(1).id);
    EXPECT_EQ(sheetAt(0).lockedLines, std::vector<std::int64_t>{2});
    EXPECT_TRUE(sheetAt(1).lockedLines.empty());
}

TEST_F(MainWindowTest, ReactivatingTheWindowOnTheSelectedSheetChangesAndSavesNothing) {
    MainWindow& window = open();
    QTest::qWait(DocumentSaver::saveDelayMilliseconds + 200);
    QSignalSpy selections(&store(), &DocumentStore::selectionChanged);
    QSignalSpy texts(&store(), &DocumentStore::sheetTextChanged);
    QSignalSpy saves(&saver(), &DocumentSaver::saved);

    MainWindow& other = open();
    activate(window);
    other.close();
    activate(window);
    QTest::qWait(DocumentSaver::saveDelayMilliseconds + 200);

    EXPECT_EQ(selections.count(), 0);
    EXPECT_EQ(texts.count(), 0);
    EXPECT_EQ(saves.count(), 0);
}

TEST_F(MainWindowTest, TheSidebarToggleActsOnItsOwnWindowAndOnlyInTheSplitView) {
    MainWindow& first = open();
    MainWindow& second = open();
    ASSERT_TRUE(first.sidebarToggle()->isVisible());

    first.sidebarToggle()->trigger();
    settle();
    EXPECT_FALSE(first.rootView().sidebarPlace()->isVisible());
    EXPECT_TRUE(second.rootView().sidebarPlace()->isVisible());
    EXPECT_EQ(first.sidebarToggle()->text(), "Show the sidebar");
    EXPECT_EQ(second.sidebarToggle()->text(), "Hide the sidebar");

    settings().setSheetListStyle(SheetListStyle::tabs);
    settings().setShowsNamedValues(false);
    settle();
    EXPECT_FALSE(first.sidebarToggle()->isVisible());
    EXPECT_FALSE(second.rootView().splitter()->isVisible());

    // Back in the split view, each window has kept its own choice.
    settings().setShowsNamedValues(true);
    settle();
    EXPECT_FALSE(first.rootView().sidebarPlace()->isVisible());
    EXPECT_TRUE(second.rootView().sidebarPlace()->isVisible());
}

TEST_F(MainWindowTest, TheToolbarIsFixed) {
    MainWindow& window = open();
    EXPECT_FALSE(window.toolbar()->isMovable());
    EXPECT_FALSE(window.toolbar()->isFloatable());
    EXPECT_FALSE(window.toolbar()->toggleViewAction()->isVisible());
    EXPECT_EQ(window.toolbar()->actions().first(), window.sidebarToggle());
}

TEST_F(MainWindowTest, KeypadAndPlotSwitchesReachEveryWindowAndAreStored) {
    MainWindow& first = open();
    MainWindow& second = open();
    for (MainWindow* window : {&first, &second})
        window->rootView().column()->setKeypad(new QWidget);
    settle();
    switches().setShowKeypad(false);
    switches().setShowGraph(false);
    settle();
    for (MainWindow* window : {&first, &second}) {
        EXPECT_FALSE(window->rootView().column()->keypad()->isVisible());
        EXPECT_FALSE(testsupport::editorOf(*window).showsPlots());
    }
    EXPECT_EQ(defaults.stored("vell.showKeypad").toBool(), false);
    EXPECT_EQ(defaults.stored("vell.showGraph").toBool(), false);

    // A window opened later starts as the switches say.
    MainWindow& third = open();
    EXPECT_FALSE(testsupport::editorOf(third).showsPlots());
}

// Help answers the window that asked, by its keys or its menu item; the other windows go on as they were.
TEST_F(MainWindowTest, HelpOpensOnlyInTheWindowThatAskedForIt) {
    MainWindow& first = open();
    MainWindow& second = open();
    press(second, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(first.rootView().openDialog(WindowDialogKind::help), nullptr);
    EXPECT_NE(second.rootView().openDialog(WindowDialogKind::help), nullptr);

    activate(first);
    first.action(Command::help)->trigger();
    settle();
    EXPECT_NE(first.rootView().openDialog(WindowDialogKind::help), nullptr);
    EXPECT_NE(second.rootView().openDialog(WindowDialogKind::help), nullptr);
    MainWindow& third = open();
    EXPECT_EQ(third.rootView().openDialog(WindowDialogKind::help), nullptr);
}

// A window that goes while one of its dialogs is open and has the keyboard: the dialog hides after the
// window's own parts went, and the focus it hands on must not reach them.
TEST_F(MainWindowTest, AWindowClosedWithADialogOpenGoesCleanly) {
    MainWindow& window = open();
    press(window, Qt::Key_Slash, Qt::ControlModifier);
    WindowDialog* help = window.rootView().openDialog(WindowDialogKind::help);
    ASSERT_NE(help, nullptr);
    help->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    ASSERT_EQ(QApplication::activeWindow(), help);
    delete &window;
    settle();
}

} // namespace
} // namespace vell
