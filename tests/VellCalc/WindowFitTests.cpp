// The window as the screen gives it room. ctest runs these tests on the suites' own desktop screen and
// again on the screens the program was tried on, each at its scale (VELL_TEST_SCREEN): 1920 × 1080 at
// 150 % and 200 %, 1366 × 768 at 125 %.

#include "AppTestSupport.h"
#include "Dialogs/WindowDialog.h"
#include "Keypad/KeyGridView.h"
#include "Keypad/Keypad.h"
#include "Keypad/KeypadToolButtons.h"
#include "Keypad/KeypadView.h"
#include "Screens/TermsView.h"
#include "Stores/ResultColumn.h"
#include "Window/StatusBar.h"
#include "Window/VellWindow.h"
#include "WindowPlaces.h"

#include <QAbstractButton>
#include <QScreen>
#include <QWindow>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::editorOf;
using testsupport::settle;
using testsupport::VellAppTest;

// What of `widget` its window shows, in its own coordinates: its rectangle as every widget that holds
// it cuts it.
QRect shownPart(const QWidget& widget) {
    QRect shown = widget.rect();
    for (const QWidget* outer = widget.parentWidget(); outer; outer = outer->parentWidget()) {
        shown &= outer->rect().translated(-widget.mapTo(outer, QPoint()));
        if (outer->isWindow()) break;
    }
    return shown;
}

// Whole: shown, and nothing of it cut off by what holds it.
bool isWhole(const QWidget& widget) {
    return widget.isVisible() && shownPart(widget) == widget.rect();
}

std::string nameOf(const QAbstractButton& key) {
    return key.text().isEmpty() ? key.accessibleName().toStdString() : key.text().toStdString();
}

class WindowFitTest : public VellAppTest {
protected:
    static QRect roomOf(const MainWindow& window) { return window.screen()->availableGeometry(); }

    // Every key of the keypad and of its tool row, as the user meets them.
    static std::vector<QAbstractButton*> keysOf(MainWindow& window) {
        KeypadView& view = window.rootView().keypad()->view();
        std::vector<QAbstractButton*> keys(view.tokenKeys().begin(), view.tokenKeys().end());
        for (const KeypadTab tab : {KeypadTab::functions, KeypadTab::units})
            keys.push_back(&view.panelToggle(tab));
        for (QAbstractButton* button :
             std::initializer_list<QAbstractButton*>{view.undoButton(), view.redoButton(), view.hideButton()})
            keys.push_back(button);
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 5; ++column)
                if (view.grid().cell(row, column).isVisible()) keys.push_back(&view.grid().cell(row, column));
        return keys;
    }

    // Each key whole, inside the keypad, wide enough to hit, and none over another.
    static void expectEveryKeyWhole(MainWindow& window) {
        QWidget* keypad = window.rootView().keypad();
        const std::vector<QAbstractButton*> keys = keysOf(window);
        std::vector<QRect> places;
        for (QAbstractButton* key : keys) {
            const QRect place(key->mapTo(keypad, QPoint()), key->size());
            // The face, without the shadow pixel below it.
            const QRect face = key->rect().adjusted(0, 0, 0, -1);
            EXPECT_TRUE(key->isVisible() && shownPart(*key).contains(face))
                << nameOf(*key) << " shows " << shownPart(*key).width() << " of " << key->width();
            // Nothing lies over it.
            const QWidget* top = window.childAt(key->mapTo(&window, key->rect().center()));
            EXPECT_TRUE(top == key || key->isAncestorOf(top)) << nameOf(*key) << " is covered";
            EXPECT_TRUE(keypad->rect().contains(place)) << nameOf(*key);
            EXPECT_GE(key->width(), 24) << nameOf(*key) << ": the least a pointer should have to hit";
            for (std::size_t i = 0; i < places.size(); ++i)
                EXPECT_FALSE(places[i].intersects(place)) << nameOf(*key) << " over " << nameOf(*keys[i]);
            places.push_back(place);
        }
    }

    // The editor with its answers, the tabs and the status bar with the Total.
    static void expectTheSheetWhole(MainWindow& window) {
        SheetColumn& column = *window.rootView().column();
        CalcTextView& editor = editorOf(window);
        EXPECT_TRUE(isWhole(*column.editor()));
        EXPECT_TRUE(isWhole(*editor.viewport()));
        EXPECT_GE(editor.viewport()->width() - editor.dividerX(), ResultColumn::minimum) << "the answers";
        EXPECT_TRUE(isWhole(*column.statusBar()));
        ASSERT_FALSE(column.statusBar()->totalText().isEmpty());
        EXPECT_TRUE(isWhole(*column.statusBar()->totalValue())) << "the Total";
        EXPECT_TRUE(isWhole(*column.tabBarPlace()));
    }
};

TEST_F(WindowFitTest, TheFirstWindowTakesAtMostTheScreensRoomWithItsFrame) {
    MainWindow& window = open();
    const QRect room = roomOf(window);
    const QMargins frame = window.windowHandle()->frameMargins();
    const QSize framed = window.frameGeometry().size();
    EXPECT_LE(framed.width(), room.width());
    EXPECT_LE(framed.height(), room.height());
    // It can always be made to fit again.
    const QSize smallest = window.minimumSize().grownBy(frame);
    EXPECT_LE(smallest.height(), std::max(room.height(), VellWindow::compactSize.height()));
    EXPECT_LE(smallest.width(), std::max(room.width(), VellWindow::compactSize.width()));
    expectTheSheetWhole(window);
    if (window.rootView().keypad()->isVisible()) expectEveryKeyWhole(window);
}

// A desktop that tiles two windows side by side gives each half the screen's width.
TEST_F(WindowFitTest, AWindowTiledToHalfTheScreenShowsItsSheetWhole) {
    MainWindow& window = open();
    const int half = roomOf(window).width() / 2;
    if (half < VellWindow::compactSize.width()) {
        GTEST_SKIP() << "no room for two windows side by side";
    }
    window.resize(half, window.height());
    settle();
    EXPECT_EQ(window.width(), half);
    expectTheSheetWhole(window);
    // With the sidebar or without it, the keypad shows only where every key of it is whole.
    for (const bool sidebar : {true, false}) {
        window.rootView().setSidebarVisible(sidebar);
        settle();
        expectTheSheetWhole(window);
        if (window.rootView().keypad()->isVisible()) expectEveryKeyWhole(window);
    }
}

// At every width the window allows, in either language, with the sidebar: where the keypad shows,
// every key of it is whole; in a window of the smallest size of a screen with room, it shows.
TEST_F(WindowFitTest, EveryKeyIsWholeAtEveryWidthTheWindowAllows) {
    MainWindow& window = open();
    const int narrowest = window.minimumWidth();
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        settings().setLanguage(language);
        for (const int width :
             {VellWindow::defaultSize.width(), 740, VellWindow::minimumSize.width(), narrowest}) {
            window.resize(width, window.height());
            settle();
            SCOPED_TRACE(std::to_string(window.width()) +
                         (language == AppLanguage::english ? " in English" : " in Japanese"));
            const bool roomy = window.width() >= VellWindow::minimumSize.width() &&
                               window.height() >= VellWindow::minimumSize.height();
            EXPECT_TRUE(window.rootView().keypad()->isVisible() || !roomy);
            if (window.rootView().keypad()->isVisible()) expectEveryKeyWhole(window);
            expectTheSheetWhole(window);
        }
    }
}

// The settings, help and terms screens stand on the screen with their frames, the gate's agree button
// within reach: on a screen with less room than their size they take what it has.
TEST_F(WindowFitTest, EveryScreenStandsOnTheScreenWithItsFrame) {
    settings().setAcceptedTermsVersion(0);
    MainWindow& window = open();
    settle();
    window.rootView().openHelp();
    window.rootView().openSettings();
    settle();
    const QRect room = roomOf(window);
    for (const WindowDialogKind kind :
         {WindowDialogKind::terms, WindowDialogKind::help, WindowDialogKind::settings}) {
        const WindowDialog* dialog = window.rootView().openDialog(kind);
        ASSERT_NE(dialog, nullptr) << static_cast<int>(kind);
        EXPECT_TRUE(room.contains(dialog->geometry().marginsAdded(WindowPlaces::frameRoom)))
            << static_cast<int>(kind) << ": " << dialog->height() << " high on " << room.height();
    }
    auto* gate = qobject_cast<TermsView*>(window.rootView().openDialog(WindowDialogKind::terms)->body());
    ASSERT_NE(gate, nullptr);
    EXPECT_TRUE(isWhole(*gate->agreeButton()));
}

} // namespace
} // namespace vell
