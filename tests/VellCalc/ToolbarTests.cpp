#include "AppTestSupport.h"
#include "Dialogs/WindowDialog.h"
#include "Keypad/Catalogs.h"
#include "Keypad/Keypad.h"
#include "Stores/UserDefaults.h"
#include "Stores/ViewSwitches.h"
#include "Window/WindowToolbar.h"

#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <set>

namespace vell {
namespace {

using testsupport::activate;
using testsupport::editorOf;
using testsupport::settle;
using testsupport::VellAppTest;

class ToolbarTest : public VellAppTest {
protected:
    // Gives the window's sheet that text, as typing there would.
    void setText(MainWindow& window, const std::string& text) {
        window.session().setText(text);
        settle();
    }
    static std::string textOf(MainWindow& window) { return window.session().sheet().text; }

    // The items the user sees after the toolbar's spacer, leading to trailing, by their tooltips.
    static std::vector<QString> visibleTooltips(MainWindow& window) {
        std::vector<std::pair<int, QString>> items;
        WindowToolbar& bar = window.windowToolbar();
        for (QAction* action :
             {bar.graph(), bar.newSheet(), bar.newWindow(), bar.keypad(), bar.functions(), bar.settings()}) {
            QWidget* widget = window.toolbar()->widgetForAction(action);
            if (!action->isVisible() || !widget || !widget->isVisible()) continue;
            const QString tip =
                action == bar.functions() ? bar.functionButton()->toolTip() : action->toolTip();
            items.emplace_back(widget->mapTo(window.toolbar(), QPoint(0, 0)).x(), tip);
        }
        std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<QString> tips;
        for (const auto& [x, tip] : items)
            tips.push_back(tip);
        return tips;
    }
    static void click(MainWindow& window, QAction* action) {
        QTest::mouseClick(window.toolbar()->widgetForAction(action), Qt::LeftButton);
        settle();
    }
    // Shows the window's function menu as a click would, opens the group's submenu and chooses the entry
    // with that label.
    static void chooseFunction(MainWindow& window, const std::string& group, const std::string& label) {
        QMenu& menu = *window.windowToolbar().functionMenu();
        menu.popup(QPoint(0, 0));
        settle();
        QMenu* submenu = nullptr;
        for (QAction* action : menu.actions())
            if (action->menu() && action->text().replace("&&", "&") == QString::fromStdString(group))
                submenu = action->menu();
        ASSERT_TRUE(submenu) << group;
        QAction* chosen = nullptr;
        for (QAction* action : submenu->actions())
            if (action->text().startsWith(QString::fromStdString(label + " \u2014 "))) chosen = action;
        ASSERT_TRUE(chosen) << label;
        chosen->trigger();
        menu.hide();
        settle();
    }
    // The menu's entries: a submenu as "title >", an entry as its text.
    static std::vector<std::string> entries(const QMenu& menu) {
        std::vector<std::string> shown;
        for (const QAction* action : menu.actions())
            shown.push_back((action->menu() ? action->text() + " >" : action->text()).toStdString());
        return shown;
    }
};

TEST_F(ToolbarTest, FiveItemsWithTheirTooltipsInEitherLanguageAndGraphLeadsOncePlotsAppear) {
    struct Case {
        AppLanguage language;
        std::vector<QString> tips;
        QString graphTip;
    };
    const Case cases[] = {
        {AppLanguage::english,
         {"New sheet (Ctrl+N)", "New window (Ctrl+Alt+N)", "Hide the keypad",
          "Insert a function at the cursor", "Settings"},
         "Hide the graph"},
        {AppLanguage::japanese,
         {"新しいシート（Ctrl+N）", "新しいウインドウ（Ctrl+Alt+N）", "キーパッドを隠す",
          "関数をカーソル位置に挿入", "設定"},
         "グラフを隠す"},
    };
    MainWindow& window = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tips.front().toStdString());
        settings().setLanguage(c.language);
        setText(window, "3 + 4");
        EXPECT_EQ(visibleTooltips(window), c.tips);

        // Typed, as the user would.
        testsupport::typeAtEnd(window, "\nplot(x^2)");
        std::vector<QString> withGraph = c.tips;
        withGraph.insert(withGraph.begin(), c.graphTip);
        EXPECT_EQ(visibleTooltips(window), withGraph);
    }
    // Icon-only, each with its title for the accessibility tools.
    WindowToolbar& bar = window.windowToolbar();
    EXPECT_EQ(window.toolbar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(bar.functionButton()->text(), "関数");
    EXPECT_EQ(bar.functionButton()->popupMode(), QToolButton::InstantPopup);
    for (QAction* action : {bar.graph(), bar.newSheet(), bar.newWindow(), bar.keypad(), bar.settings()}) {
        EXPECT_FALSE(action->text().isEmpty());
        EXPECT_FALSE(action->icon().isNull());
    }
}

TEST_F(ToolbarTest, TheGraphSwitchHidesPlotsInEveryWindowIsStoredAndOutlivesItsItem) {
    MainWindow& first = open();
    MainWindow& second = open();
    setText(first, "plot(x^2)");
    for (MainWindow* window : {&first, &second}) {
        ASSERT_TRUE(window->windowToolbar().graph()->isVisible());
        ASSERT_TRUE(editorOf(*window).plotRect(0).has_value());
    }
    const QIcon shownIcon = first.windowToolbar().graph()->icon();

    click(first, first.windowToolbar().graph());
    EXPECT_FALSE(switches().showGraph());
    EXPECT_EQ(defaults.stored("vell.showGraph").toBool(), false);
    for (MainWindow* window : {&first, &second}) {
        EXPECT_FALSE(editorOf(*window).showsPlots());
        EXPECT_FALSE(editorOf(*window).plotRect(0).has_value());
        EXPECT_EQ(window->windowToolbar().graph()->toolTip(), "Show the graph");
    }
    EXPECT_NE(first.windowToolbar().graph()->icon().pixmap(18).toImage(), shownIcon.pixmap(18).toImage());

    // No plot line, no item; the switch keeps its value.
    setText(first, "3 + 4");
    EXPECT_FALSE(first.windowToolbar().graph()->isVisible());
    EXPECT_FALSE(switches().showGraph());

    setText(first, "plot(x^2)");
    click(second, second.windowToolbar().graph());
    EXPECT_TRUE(editorOf(first).plotRect(0).has_value());
    EXPECT_EQ(first.windowToolbar().graph()->toolTip(), "Hide the graph");
}

TEST_F(ToolbarTest, TheKeypadSwitchHidesTheKeypadRowInEveryWindow) {
    MainWindow& first = open();
    MainWindow& second = open();
    click(second, second.windowToolbar().keypad());
    for (MainWindow* window : {&first, &second}) {
        EXPECT_FALSE(window->rootView().column()->showsKeypadRow());
        EXPECT_FALSE(window->rootView().keypad()->isVisible());
        EXPECT_EQ(window->windowToolbar().keypad()->toolTip(), "Show the keypad");
    }
    EXPECT_EQ(defaults.stored("vell.showKeypad").toBool(), false);

    // The keypad's own switch reaches the toolbar too.
    switches().setShowKeypad(true);
    settle();
    EXPECT_TRUE(first.rootView().keypad()->isVisible());
    EXPECT_EQ(first.windowToolbar().keypad()->toolTip(), "Hide the keypad");
}

TEST_F(ToolbarTest, TheFunctionMenuListsTheCatalogInEitherLanguageOneSubmenuPerGroup) {
    MainWindow& window = open();
    QMenu& menu = *window.windowToolbar().functionMenu();
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        settings().setLanguage(language);
        menu.popup(QPoint(0, 0));
        settle();
        std::vector<std::string> groups;
        for (const CatalogGroup& group : FunctionCatalog::categories())
            groups.push_back(QString::fromStdString(group.title).replace("&", "&&").toStdString() + " >");
        EXPECT_EQ(entries(menu), groups);
        const auto categories = FunctionCatalog::categories();
        for (std::size_t g = 0; g < categories.size() && g < std::size_t(menu.actions().size()); ++g) {
            std::vector<std::string> expected;
            for (const FunctionItem& item : categories[g].items)
                expected.push_back(
                    QString::fromStdString(item.label + " — " + item.note).replace("&", "&&").toStdString());
            QMenu* submenu = menu.actions()[static_cast<qsizetype>(g)]->menu();
            ASSERT_NE(submenu, nullptr);
            EXPECT_EQ(entries(*submenu), expected);
        }
        menu.hide();
    }
    EXPECT_EQ(WindowToolbar::functionEntryText("a&b", "c & d"), "a&&b — c && d");
}

// Opened under the toolbar of a window at its default size, on a screen 768 high: one column, and every
// submenu short enough to stand beside its entry.
TEST_F(ToolbarTest, TheFunctionMenuAndEachSubmenuFitInOneColumnBelowTheToolbar) {
    MainWindow& window = open();
    QMenu& menu = *window.windowToolbar().functionMenu();
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        settings().setLanguage(language);
        menu.popup(QPoint(0, 0));
        settle();
        std::vector<QMenu*> menus{&menu};
        for (QAction* action : menu.actions())
            if (action->menu()) menus.push_back(action->menu());
        for (QMenu* shown : menus) {
            SCOPED_TRACE(shown->title().toStdString());
            shown->ensurePolished();
            const QSize size = shown->sizeHint();
            EXPECT_LE(size.height(), 560);
            EXPECT_LE(size.width(), 640);
            std::set<int> columns;
            for (QAction* action : shown->actions())
                columns.insert(shown->actionGeometry(action).left());
            EXPECT_EQ(columns.size(), 1u) << "one column";
        }
        menu.hide();
    }
}

// The button looks as it did before the pointer came once its menu closes with the pointer elsewhere:
// by Escape, by a click outside the menu, or by a choice.
TEST_F(ToolbarTest, TheFunctionButtonIsNotLeftHighlightedWhenItsMenuCloses) {
    MainWindow& window = open();
    QToolButton& button = *window.windowToolbar().functionButton();
    QWidget& editor = editorOf(window);
    const QImage idle = button.grab().toImage();
    // As under X11: while the menu holds the pointer the window is not told the pointer left it; when the
    // menu lets go, the window is told the pointer entered it where it is now.
    struct GrabbedPointer : QObject {
        bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Leave; }
    } grabbed;
    enum class Close {
        escape,
        clickElsewhere,
        choice
    };
    for (const Close close : {Close::escape, Close::clickElsewhere, Close::choice}) {
        SCOPED_TRACE(static_cast<int>(close));
        QTest::mouseMove(&button);
        settle();
        ASSERT_TRUE(button.underMouse());
        ASSERT_FALSE(button.grab().toImage() == idle) << "highlighted under the pointer";
        // The press opens the menu, which takes the release; the pointer leaves for the editor, then
        // the menu closes.
        QTimer::singleShot(50, &button, [&] {
            QMenu* menu = button.menu();
            QTest::mouseRelease(menu, Qt::LeftButton, {},
                                menu->mapFromGlobal(button.mapToGlobal(button.rect().center())));
            QTest::mouseMove(&editor, editor.rect().center());
            switch (close) {
            case Close::escape:
                QTest::keyClick(menu, Qt::Key_Escape);
                break;
            case Close::clickElsewhere:
                QTest::mouseClick(menu, Qt::LeftButton, {},
                                  menu->mapFromGlobal(editor.mapToGlobal(QPoint(5, 5))));
                break;
            case Close::choice:
                menu->actions().front()->menu()->actions().front()->trigger();
                menu->close();
                break;
            }
        });
        window.windowHandle()->installEventFilter(&grabbed);
        QTest::mousePress(&button, Qt::LeftButton);
        window.windowHandle()->removeEventFilter(&grabbed);
        const QPoint inWindow = editor.mapTo(&window, editor.rect().center());
        QEnterEvent entered(inWindow, inWindow, window.mapToGlobal(inWindow));
        QCoreApplication::sendEvent(window.windowHandle(), &entered);
        settle();
        EXPECT_FALSE(button.menu()->isVisible());
        EXPECT_FALSE(button.underMouse());
        EXPECT_TRUE(button.grab().toImage() == idle) << "still highlighted";
        window.session().setText("");
    }
}

TEST_F(ToolbarTest, AFunctionGoesIntoTheEditorOfTheWindowWhoseMenuWasUsedEvenWithoutFocus) {
    MainWindow& first = open();
    first.session().select(sheetAt(0).id);
    setText(first, "1");
    MainWindow& second = open();
    second.session().select(sheetAt(1).id);
    setText(second, "2\n");
    activate(second);
    // No editor has the focus.
    second.windowToolbar().functionButton()->setFocus();
    editorOf(second).setCaret(2, false);

    chooseFunction(second, "Common", "abs");
    QTest::keyClicks(&editorOf(second), "5");
    settle();
    EXPECT_EQ(textOf(second), "2\nabs(5)");
    EXPECT_EQ(textOf(first), "1");
}

TEST_F(ToolbarTest, SettingsOpensTheDialogOfItsOwnWindowOnly) {
    MainWindow& first = open();
    MainWindow& second = open();
    click(second, second.windowToolbar().settings());
    EXPECT_TRUE(second.rootView().openDialog(WindowDialogKind::settings));
    EXPECT_FALSE(first.rootView().openDialog(WindowDialogKind::settings));
    second.rootView().openDialog(WindowDialogKind::settings)->dismiss();
}

TEST_F(ToolbarTest, NewSheetAndNewWindowActAsTheMenuItemsDo) {
    MainWindow& first = open();
    MainWindow& second = open();
    const auto secondSheet = second.session().sheetID();
    const std::size_t sheets = store().sheets().size();

    click(first, first.windowToolbar().newSheet());
    ASSERT_EQ(store().sheets().size(), sheets + 1);
    EXPECT_EQ(store().sheets().back().name, "Sheet " + std::to_string(sheets + 1));
    EXPECT_EQ(first.session().sheetID(), store().sheets().back().id);
    EXPECT_EQ(second.session().sheetID(), secondSheet);

    click(first, first.windowToolbar().newWindow());
    ASSERT_EQ(app->windows().size(), 3u);
    EXPECT_EQ(app->windows().back()->session().sheetID(), store().sheets().back().id);
}

} // namespace
} // namespace vell
