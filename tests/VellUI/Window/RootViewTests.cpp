#include "Appearance/Appearance.h"
#include "Keypad/Keypad.h"
#include "Window/RootView.h"
#include "Window/SheetColumn.h"
#include "Window/SidebarView.h"
#include "Window/StatusBar.h"
#include "Window/WindowTestSupport.h"

#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QSplitter>
#include <QTest>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::pixelsOf;
using testsupport::standIn;
using testsupport::TestContext;

// A root view as the whole of a shown window.
struct RootWindow {
    explicit RootWindow(const AppContext& app) : session(app.store, app.evaluations), root(app, session) {
        root.resize(1040, 680);
        root.show();
        QApplication::processEvents();
    }
    void settle() {
        root.layout()->activate();
        QApplication::processEvents();
    }

    SheetSession session;
    RootView root;
};

class RootViewTest : public ::testing::Test {
protected:
    TestContext context;
    DocumentStore& store = context.store();
};

TEST_F(RootViewTest, TheSheetListPreferencesChooseSplitOrBareAndWhetherTabsLead) {
    RootWindow window(context.app());
    QPointer<QWidget> editor = standIn("editor");
    window.root.column()->setEditor(editor);
    SheetColumn* column = window.root.column();

    struct Case {
        SheetListStyle style;
        bool namedValues;
        bool split;
        bool tabsFirst;
    };
    const Case cases[] = {
        {SheetListStyle::both, true, true, true},     {SheetListStyle::both, false, true, true},
        {SheetListStyle::sidebar, true, true, false}, {SheetListStyle::sidebar, false, true, false},
        {SheetListStyle::tabs, true, true, true},     {SheetListStyle::tabs, false, false, true},
        {SheetListStyle::both, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(SheetListStyles::rawValue(c.style)) +
                     (c.namedValues ? " named" : " unnamed"));
        context.settings().setSheetListStyle(c.style);
        context.settings().setShowsNamedValues(c.namedValues);
        window.settle();
        EXPECT_EQ(RootView::usesSplitView(context.settings()), c.split);
        EXPECT_EQ(window.root.splitter()->isVisible(), c.split);
        EXPECT_EQ(column->parentWidget() == window.root.splitter(), c.split);
        EXPECT_TRUE(column->isVisible());
        EXPECT_EQ(column->tabBarPlace()->isVisible(), c.tabsFirst);
        // The column moves between layouts; it and the editor inside it are never made anew.
        EXPECT_EQ(window.root.column(), column);
        ASSERT_TRUE(editor);
        EXPECT_EQ(column->editor(), editor.data());
    }
}

TEST_F(RootViewTest, AWindowBuiltUnderEverySheetListChoiceShowsItsWholeColumn) {
    struct Case {
        SheetListStyle style;
        bool namedValues;
    };
    for (const Case& c : {Case{SheetListStyle::both, true}, Case{SheetListStyle::both, false},
                          Case{SheetListStyle::sidebar, true}, Case{SheetListStyle::sidebar, false},
                          Case{SheetListStyle::tabs, true}, Case{SheetListStyle::tabs, false}}) {
        SCOPED_TRACE(std::string(SheetListStyles::rawValue(c.style)) +
                     (c.namedValues ? " named" : " unnamed"));
        context.settings().setSheetListStyle(c.style);
        context.settings().setShowsNamedValues(c.namedValues);
        RootWindow window(context.app());
        window.settle();
        SheetColumn& column = *window.root.column();
        const bool split = RootView::usesSplitView(context.settings());
        EXPECT_EQ(window.root.splitter()->isVisible(), split);
        EXPECT_EQ(window.root.sidebar()->isVisible(), split);
        EXPECT_TRUE(column.isVisible());
        // The column fills the window beside the sidebar: full height, and all the width it leaves.
        EXPECT_EQ(column.height(), window.root.height());
        const int sidebarWidth = split ? window.root.sidebarPlace()->width() + 1 : 0;
        EXPECT_EQ(column.width(), window.root.width() - sidebarWidth);
        EXPECT_EQ(column.tabBarPlace()->isVisible(), c.style != SheetListStyle::sidebar);
        ASSERT_TRUE(column.editor());
        EXPECT_TRUE(column.editor()->isVisible());
        EXPECT_GT(column.editor()->height(), 200);
        EXPECT_TRUE(column.statusBar()->isVisible());
        ASSERT_TRUE(column.keypad());
        EXPECT_TRUE(column.keypad()->isVisible());
    }
}

TEST_F(RootViewTest, TheSidebarStartsIdealAndStaysWithinItsBounds) {
    RootWindow window(context.app());
    window.settle();
    EXPECT_EQ(window.root.sidebarPlace()->width(), RootView::sidebarIdealWidth);
    window.root.splitter()->setSizes({40, 1000});
    EXPECT_EQ(window.root.sidebarPlace()->width(), RootView::sidebarMinimumWidth);
    window.root.splitter()->setSizes({600, 440});
    EXPECT_EQ(window.root.sidebarPlace()->width(), RootView::sidebarMaximumWidth);

    window.root.setSidebarVisible(false);
    EXPECT_FALSE(window.root.sidebarPlace()->isVisible());
    EXPECT_TRUE(window.root.column()->isVisible());
}

TEST_F(RootViewTest, TheKeypadRowFollowsTheSizeAndTheSharedSwitchInEveryWindow) {
    RootWindow first(context.app());
    RootWindow second(context.app());
    for (RootWindow* window : {&first, &second}) {
        window->root.column()->setEditor(standIn("editor"));
        window->root.column()->setKeypad(standIn("keypad"));
        window->settle();
    }
    SheetColumn& column = *first.root.column();

    struct Case {
        KeypadSizeSetting size;
        int height;
    };
    for (const Case& c : {Case{KeypadSizeSetting::small, 220}, Case{KeypadSizeSetting::medium, 260},
                          Case{KeypadSizeSetting::large, 300}}) {
        context.settings().setKeypadSize(c.size);
        first.settle();
        EXPECT_EQ(column.keypad()->height(), c.height);
        EXPECT_TRUE(column.keypad()->isVisible());
    }
    const int editorWithKeypad = column.editor()->height();

    context.switches().setShowKeypad(false);
    for (RootWindow* window : {&first, &second}) {
        window->settle();
        EXPECT_FALSE(window->root.column()->keypad()->isVisible());
        EXPECT_FALSE(window->root.column()->showsKeypadRow());
    }
    // The keypad's height and its divider's pixel go to the editor.
    EXPECT_EQ(column.editor()->height(), editorWithKeypad + 300 + 1);

    context.switches().setShowKeypad(true);
    second.settle();
    EXPECT_TRUE(second.root.column()->keypad()->isVisible());
}

TEST_F(RootViewTest, NoKeypadRowUntilAKeypadIsPutThere) {
    RootWindow window(context.app());
    ASSERT_TRUE(window.root.keypad());
    EXPECT_EQ(window.root.column()->keypad(), static_cast<QWidget*>(window.root.keypad()));
    window.root.column()->setKeypad(nullptr);
    window.root.column()->setEditor(standIn("editor"));
    window.settle();
    const int alone = window.root.column()->editor()->height();
    EXPECT_FALSE(window.root.column()->showsKeypadRow());

    window.root.column()->setKeypad(standIn("keypad"));
    window.settle();
    EXPECT_EQ(window.root.column()->editor()->height(), alone - 300 - 1);
}

TEST_F(RootViewTest, LightAndDarkRepaintTheStatusBarOfEveryWindow) {
    RootWindow first(context.app());
    RootWindow second(context.app());
    const QImage darkFirst = pixelsOf(*first.root.column()->statusBar());
    const QImage darkSecond = pixelsOf(*second.root.column()->statusBar());
    ASSERT_TRUE(context.appearance().isDark());

    context.settings().setAppearance(AppearanceSetting::light);
    EXPECT_FALSE(context.appearance().isDark());
    const QImage lightFirst = pixelsOf(*first.root.column()->statusBar());
    EXPECT_NE(lightFirst, darkFirst);
    EXPECT_NE(pixelsOf(*second.root.column()->statusBar()), darkSecond);
    // The fill is the bar's own colour for the appearance; the top row is the hairline over it.
    const int middle = lightFirst.height() / 2;
    EXPECT_EQ(lightFirst.pixelColor(2, middle), StatusBar::barFill.resolve(false));
    EXPECT_NE(lightFirst.pixelColor(2, 0), StatusBar::barFill.resolve(false));
}

} // namespace
} // namespace vell
