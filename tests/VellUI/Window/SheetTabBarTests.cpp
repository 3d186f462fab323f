#include "Appearance/Appearance.h"
#include "Dialogs/PromptDialog.h"
#include "Stores/SheetSession.h"
#include "Window/SheetListTestSupport.h"
#include "Window/SheetTabBar.h"
#include "Window/SheetTabButton.h"
#include "Window/WindowTestSupport.h"

#include <QAbstractButton>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>

namespace vell {
namespace {

using testsupport::dropOn;
using testsupport::NamedSheets;
using testsupport::oldStamp;
using testsupport::settle;
using testsupport::sheetID;

// A window of its own holding one tab bar over its own session.
struct TabWindow {
    explicit TabWindow(const AppContext& app, int width = 640, std::optional<Uuid> sheet = std::nullopt)
        : session(app.store, app.evaluations, sheet), bar(session, app.sheetList, app.appearance) {
        bar.setScrollDuration(0);
        bar.resize(width, SheetTabBar::barHeight);
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
        settle();
    }

    std::vector<std::string> tabNames() const {
        std::vector<std::string> names;
        for (const SheetTabButton* tab : bar.tabs())
            names.push_back(tab->name().toStdString());
        return names;
    }
    SheetTabButton& tab(std::size_t number) const { return *bar.tab(sheetID(number)); }
    void click(std::size_t number) const { QTest::mouseClick(&tab(number), Qt::LeftButton); }
    int scroll() const { return bar.scrollArea()->horizontalScrollBar()->value(); }
    // Wholly inside the visible part of the row.
    bool inSight(const QWidget& item) const {
        const QRect visible(scroll(), 0, bar.scrollArea()->viewport()->width(), SheetTabBar::barHeight);
        return visible.contains(item.geometry());
    }
    // The action of a tab's menu with that text.
    QAction* menuItem(std::size_t number, const QString& text) {
        menus.emplace_back(bar.makeContextMenu(sheetID(number)));
        for (QAction* action : menus.back()->actions())
            if (action->text() == text) return action;
        ADD_FAILURE() << "no menu item " << text.toStdString();
        return nullptr;
    }
    // Answers the open rename prompt with that text.
    void answerRename(const QString& text, PromptDialog::Role role = PromptDialog::Role::accept) {
        PromptDialog* prompt = bar.renamePrompt();
        ASSERT_TRUE(prompt);
        prompt->field()->setText(text);
        for (QPushButton* button : prompt->buttons())
            if (prompt->roleOf(button) == role) button->click();
        settle();
        EXPECT_FALSE(bar.renamePrompt());
    }

    SheetSession session;
    SheetTabBar bar;
    std::vector<std::unique_ptr<QMenu>> menus;
};

class SheetTabBarTest : public ::testing::Test {
protected:
};

TEST_F(SheetTabBarTest, ShowsOneTabPerSheetInOrderWithTheWindowsSheetHighlightedAndPlusLast) {
    NamedSheets sheets({"A", "B", "C"});
    TabWindow first(sheets.app());
    TabWindow second(sheets.app(), 640, sheetID(3));
    EXPECT_EQ(first.tabNames(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_TRUE(first.tab(1).isSelected());
    EXPECT_FALSE(first.tab(3).isSelected());
    EXPECT_TRUE(second.tab(3).isSelected());
    EXPECT_FALSE(second.tab(1).isSelected());
    EXPECT_GT(first.bar.newSheetButton()->geometry().left(), first.tab(3).geometry().right());
    EXPECT_EQ(first.tab(1).height(), SheetTabButton::tabHeight);
    EXPECT_EQ(first.bar.height(), SheetTabBar::barHeight);
}

TEST_F(SheetTabBarTest, MenuItemsAreEnabledAsTheSheetsPlaceAllows) {
    struct Case {
        std::vector<std::string> names;
        std::size_t tab;
        bool left;
        bool right;
        bool remove;
    };
    const Case cases[] = {
        {{"A"}, 1, false, false, false},
        {{"A", "B", "C", "D"}, 1, false, true, true},
        {{"A", "B", "C", "D"}, 2, true, true, true},
        {{"A", "B", "C", "D"}, 4, true, false, true},
        {{"A", "B"}, 2, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.names.size()) + " sheets, tab " + std::to_string(c.tab));
        NamedSheets sheets(c.names);
        TabWindow window(sheets.app());
        std::unique_ptr<QMenu> menu(window.bar.makeContextMenu(sheetID(c.tab)));
        std::vector<std::pair<std::string, bool>> items;
        for (QAction* action : menu->actions())
            items.emplace_back(action->isSeparator() ? "-" : action->text().toStdString(),
                               action->isEnabled());
        const std::vector<std::pair<std::string, bool>> expected{
            {"Rename", true},          {"Duplicate", true}, {"-", true},          {"← Move Left", c.left},
            {"Move Right →", c.right}, {"-", true},         {"Delete", c.remove},
        };
        EXPECT_EQ(items, expected);
    }
}

TEST_F(SheetTabBarTest, MenuSpeaksJapanese) {
    NamedSheets sheets({"A", "B"});
    sheets.settings().setLanguage(AppLanguage::japanese);
    TabWindow window(sheets.app());
    std::unique_ptr<QMenu> menu(window.bar.makeContextMenu(sheetID(1)));
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) texts << action->text();
    EXPECT_EQ(texts, (QStringList{"名前を変更", "複製", "← 左へ移動", "右へ移動 →", "削除"}));
}

TEST_F(SheetTabBarTest, AClickSelectsAndOnlyANewlyShownSheetScrollsToTheMiddle) {
    std::vector<std::string> names;
    for (int i = 1; i <= 12; ++i)
        names.push_back("Quarterly budget " + std::to_string(i));
    NamedSheets sheets(names);
    // Shown first on a sheet far to the right: its tab is in sight at once, without a scroll to the middle.
    TabWindow window(sheets.app(), 400, sheetID(10));
    EXPECT_TRUE(window.inSight(window.tab(10)));
    EXPECT_NE(window.bar.scrollAnimation()->state(), QAbstractAnimation::Running);

    window.click(11);
    EXPECT_EQ(window.session.sheetID(), sheetID(11));
    EXPECT_EQ(sheets.store->currentSheetID(), sheetID(11));
    EXPECT_TRUE(window.tab(11).isSelected());
    EXPECT_FALSE(window.tab(10).isSelected());
    const QScrollArea& area = *window.bar.scrollArea();
    const int centre = window.tab(11).geometry().center().x() - window.scroll();
    EXPECT_NEAR(centre, area.viewport()->width() / 2, 1);

    // Neither a click on the selected tab nor typing moves the row.
    window.bar.scrollArea()->horizontalScrollBar()->setValue(0);
    window.click(11);
    sheets.store->setText(*sheets.store->currentSheetID(), "1+2");
    settle();
    EXPECT_EQ(window.scroll(), 0);

    // Another window's choice is no change of this window's sheet.
    TabWindow other(sheets.app(), 400);
    other.click(3);
    EXPECT_EQ(window.scroll(), 0);
    EXPECT_EQ(window.session.sheetID(), sheetID(11));

    // The scroll is animated when it has a length.
    window.bar.setScrollDuration(SheetTabBar::defaultScrollDuration);
    QScrollBar& bar = *window.bar.scrollArea()->horizontalScrollBar();
    bar.setValue(bar.maximum());
    window.click(1);
    EXPECT_EQ(window.bar.scrollAnimation()->state(), QAbstractAnimation::Running);
    EXPECT_EQ(window.bar.scrollAnimation()->endValue().toInt(), 0);
}

std::vector<std::string> budgets(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i)
        names.push_back("Quarterly budget " + std::to_string(i));
    return names;
}

// A wheel turned over the middle of `target`.
void wheel(QWidget& target, QPoint angleDelta, QPoint pixelDelta = {}) {
    const QPointF at = QRectF(target.rect()).center();
    QWheelEvent event(at, target.mapToGlobal(at), pixelDelta, angleDelta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&target, &event);
}

TEST_F(SheetTabBarTest, ARowTooLongForTheBarScrollsByItsArrowsAndTheWheelUpToPlus) {
    NamedSheets sheets(budgets(12));
    TabWindow window(sheets.app(), 400);
    QAbstractButton& left = *window.bar.scrollLeftButton();
    QAbstractButton& right = *window.bar.scrollRightButton();
    ASSERT_TRUE(left.isVisible());
    ASSERT_TRUE(right.isVisible());
    EXPECT_FALSE(left.isEnabled());
    EXPECT_TRUE(right.isEnabled());
    EXPECT_FALSE(window.inSight(*window.bar.newSheetButton()));

    // Each click brings the next tab cut off on the right wholly into sight.
    int clicks = 0;
    while (right.isEnabled() && clicks < 40) {
        const int before = window.scroll();
        QTest::mouseClick(&right, Qt::LeftButton);
        settle();
        EXPECT_GT(window.scroll(), before);
        ++clicks;
    }
    EXPECT_GT(clicks, 1);
    EXPECT_FALSE(right.isEnabled());
    EXPECT_TRUE(left.isEnabled());
    EXPECT_TRUE(window.inSight(*window.bar.newSheetButton()));
    EXPECT_TRUE(window.inSight(window.tab(12)));
    QTest::mouseClick(window.bar.newSheetButton(), Qt::LeftButton);
    EXPECT_EQ(sheets.store->sheets().size(), 13u);
    settle();
    EXPECT_TRUE(window.inSight(*window.bar.tabs().back()));

    QTest::mouseClick(&left, Qt::LeftButton);
    settle();
    const int back = window.scroll();
    EXPECT_LT(back, window.bar.scrollArea()->horizontalScrollBar()->maximum());

    // A mouse wheel turned down moves the row on to the right, up back to the left; so does a
    // sideways swipe on a touchpad; on a tab as anywhere on the bar.
    QWidget& viewport = *window.bar.scrollArea()->viewport();
    wheel(viewport, {0, 120});
    EXPECT_LT(window.scroll(), back);
    const int afterUp = window.scroll();
    wheel(window.tab(5), {0, -120});
    EXPECT_GT(window.scroll(), afterUp);
    const int afterDown = window.scroll();
    wheel(*window.bar.scrollLeftButton(), {30, 0}, {30, 0});
    EXPECT_EQ(window.scroll(), afterDown - 30);

    // Wide enough for every tab: no arrows, nothing to scroll.
    window.bar.resize(4000, SheetTabBar::barHeight);
    settle();
    EXPECT_FALSE(left.isVisible());
    EXPECT_FALSE(right.isVisible());
    EXPECT_EQ(window.bar.scrollArea()->horizontalScrollBar()->maximum(), 0);
    EXPECT_TRUE(window.inSight(*window.bar.newSheetButton()));
}

TEST_F(SheetTabBarTest, TheWindowsTabStaysInSightAsTheBarNarrows) {
    NamedSheets sheets(budgets(12));
    for (const std::size_t shown : {std::size_t{1}, std::size_t{7}, std::size_t{12}}) {
        SCOPED_TRACE(shown);
        TabWindow window(sheets.app(), 4000, sheetID(shown));
        for (const int width : {1200, 700, 400, 250, 900}) {
            window.bar.resize(width, SheetTabBar::barHeight);
            settle();
            EXPECT_TRUE(window.inSight(window.tab(shown))) << width;
        }
    }
}

TEST_F(SheetTabBarTest, AVeryLongRowMakesTabsOnlyNearSightAndLaysThemOutAsAWholeRow) {
    NamedSheets sheets(budgets(2000));
    TabWindow window(sheets.app(), 640, sheetID(1500));
    const auto madeAroundSight = [&] {
        const std::vector<SheetTabButton*>& tabs = window.bar.tabs();
        EXPECT_LE(tabs.size(), 2u * SheetTabBar::spareTabs + 20);
        // A run of consecutive sheets, each tab where a row of every tab puts it.
        for (std::size_t i = 1; i < tabs.size(); ++i)
            EXPECT_EQ(tabs[i]->geometry().left(),
                      tabs[i - 1]->geometry().right() + 1 + SheetTabBar::tabSpacing);
        const auto& all = sheets.store->sheets();
        const auto first = std::find_if(
            all.begin(), all.end(), [&](const Sheet& sheet) { return sheet.id == tabs.front()->sheetID(); });
        ASSERT_NE(first, all.end());
        for (std::size_t i = 0; i < tabs.size(); ++i)
            EXPECT_EQ(tabs[i]->sheetID(), (first + static_cast<std::ptrdiff_t>(i))->id);
        // Every tab in sight is made.
        EXPECT_LE(tabs.front()->geometry().left(), window.scroll());
        if (tabs.back()->sheetID() != all.back().id) {
            EXPECT_GE(tabs.back()->geometry().right(),
                      window.scroll() + window.bar.scrollArea()->viewport()->width());
        }
    };
    ASSERT_TRUE(window.bar.tab(sheetID(1500)));
    EXPECT_TRUE(window.inSight(window.tab(1500)));
    EXPECT_TRUE(window.tab(1500).isSelected());
    madeAroundSight();

    // The row is as long as every tab makes it: its end comes with the last tab and "+".
    QScrollBar& bar = *window.bar.scrollArea()->horizontalScrollBar();
    bar.setValue(bar.maximum());
    settle();
    ASSERT_TRUE(window.bar.tab(sheetID(2000)));
    EXPECT_TRUE(window.inSight(window.tab(2000)));
    EXPECT_TRUE(window.inSight(*window.bar.newSheetButton()));
    EXPECT_EQ(window.bar.newSheetButton()->geometry().left(),
              window.tab(2000).geometry().right() + 1 + SheetTabBar::tabSpacing);
    madeAroundSight();

    // A click far away, then the sheet shown far back: its tab is made, selected and brought to the middle.
    window.click(1990);
    window.session.select(sheetID(3));
    settle();
    ASSERT_TRUE(window.bar.tab(sheetID(3)));
    EXPECT_TRUE(window.tab(3).isSelected());
    EXPECT_TRUE(window.inSight(window.tab(3)));
    EXPECT_FALSE(window.bar.tab(sheetID(1990)));
    madeAroundSight();

    // Deleting a sheet in sight and adding one at the end keep the row whole.
    sheets.store->deleteSheet(sheetID(4));
    settle();
    madeAroundSight();
    QTest::mouseClick(window.bar.newSheetButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(window.session.sheetID(), sheets.store->sheets().back().id);
    EXPECT_TRUE(window.inSight(*window.bar.tabs().back()));
    EXPECT_EQ(window.bar.tabs().back()->sheetID(), sheets.store->sheets().back().id);
    madeAroundSight();
}

TEST_F(SheetTabBarTest, ADoubleClickSelectsAndOpensTheRenamePromptWithTheName) {
    NamedSheets sheets({"A", "Budget"});
    TabWindow window(sheets.app());
    // Through the window, as the platform delivers it: press, release, double-click, release.
    QTest::mouseDClick(window.bar.windowHandle(), Qt::LeftButton, {},
                       window.tab(2).mapTo(&window.bar, window.tab(2).rect().center()));
    settle();
    EXPECT_EQ(window.session.sheetID(), sheetID(2));
    PromptDialog* prompt = window.bar.renamePrompt();
    ASSERT_TRUE(prompt);
    EXPECT_EQ(prompt->title(), "Sheet Name");
    EXPECT_TRUE(prompt->message().isEmpty());
    EXPECT_EQ(prompt->field()->text(), "Budget");
    EXPECT_EQ(prompt->field()->placeholderText(), "Name");
    QStringList buttons;
    for (QPushButton* button : prompt->buttons())
        buttons << button->text();
    EXPECT_EQ(buttons, (QStringList{"Rename", "Cancel"}));
    window.answerRename("Plan");
    EXPECT_EQ(sheets.sheet(2).name, "Plan");
    EXPECT_EQ(window.tab(2).name(), "Plan");
}

TEST_F(SheetTabBarTest, RenameTrimsTheEndsAndNamesAnEmptyNameUntitled) {
    struct Case {
        AppLanguage language;
        QString typed;
        std::string stored;
    };
    const Case cases[] = {
        {AppLanguage::english, "  Budget  2024  ", "Budget  2024"},
        {AppLanguage::english, "\tPlan\t", "Plan"},
        {AppLanguage::english, QString::fromUtf8("\u3000見積\u3000 "), "見積"},
        {AppLanguage::english, "", "Untitled"},
        {AppLanguage::english, QString::fromUtf8(" \t\u3000\u00A0"), "Untitled"},
        {AppLanguage::japanese, "   ", "無題"},
        {AppLanguage::japanese, "", "無題"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        NamedSheets sheets({"A", "Budget"});
        sheets.settings().setLanguage(c.language);
        TabWindow window(sheets.app());
        window.bar.startRename(sheetID(2));
        window.answerRename(c.typed);
        EXPECT_EQ(sheets.sheet(2).name, c.stored);
        EXPECT_NE(sheets.sheet(2).updatedAt, oldStamp);
    }
}

TEST_F(SheetTabBarTest, CancelAndAnUnchangedNameLeaveTheSheetUntouched) {
    NamedSheets sheets({"A", "Budget"});
    TabWindow window(sheets.app());
    window.bar.startRename(sheetID(2));
    window.answerRename("Other", PromptDialog::Role::cancel);
    // An unchanged name is no change: stamping it could win a merge over an edit made elsewhere.
    window.bar.startRename(sheetID(2));
    ASSERT_TRUE(window.bar.renamePrompt());
    EXPECT_EQ(window.bar.renamePrompt()->field()->text(), "Budget");
    window.answerRename("  Budget ");
    EXPECT_EQ(sheets.sheet(2).name, "Budget");
    EXPECT_EQ(sheets.sheet(2).updatedAt, oldStamp);

    // Escape cancels too.
    window.bar.startRename(sheetID(2));
    QTest::keyClicks(window.bar.renamePrompt()->field(), "x");
    QTest::keyClick(window.bar.renamePrompt()->field(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(window.bar.renamePrompt());
    EXPECT_EQ(sheets.sheet(2).updatedAt, oldStamp);
}

TEST_F(SheetTabBarTest, ARenameOfASheetDeletedMeanwhileClosesAndChangesNothing) {
    NamedSheets sheets({"A", "B"});
    TabWindow window(sheets.app());
    window.bar.startRename(sheetID(2));
    sheets.store->deleteSheet(sheetID(2));
    window.answerRename("C");
    EXPECT_EQ(sheets.names(), (std::vector<std::string>{"A"}));
}

TEST_F(SheetTabBarTest, DuplicateInsertsTheCopyNextAndShowsIt) {
    for (const auto& [language, copy] : {std::pair{AppLanguage::english, "Budget Copy"},
                                         std::pair{AppLanguage::japanese, "Budget のコピー"}}) {
        NamedSheets sheets({"A", "Budget", "C"});
        sheets.settings().setLanguage(language);
        TabWindow window(sheets.app());
        window.menuItem(2, language == AppLanguage::english ? "Duplicate" : "複製")->trigger();
        EXPECT_EQ(sheets.names(), (std::vector<std::string>{"A", "Budget", copy, "C"}));
        EXPECT_EQ(window.tabNames(), sheets.names());
        const Uuid copyID = sheets.store->sheets()[2].id;
        EXPECT_EQ(sheets.store->currentSheetID(), copyID);
        EXPECT_EQ(window.session.sheetID(), copyID);
        EXPECT_TRUE(window.bar.tab(copyID)->isSelected());
    }
}

TEST_F(SheetTabBarTest, MenuMovesAndDeletes) {
    NamedSheets sheets({"A", "B", "C"});
    TabWindow window(sheets.app(), 640, sheetID(2));
    SheetTabButton* a = window.bar.tab(sheetID(1));
    window.menuItem(1, "Move Right →")->trigger();
    EXPECT_EQ(sheets.names(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(window.tabNames(), sheets.names());
    EXPECT_EQ(window.bar.tab(sheetID(1)), a) << "a sheet keeps its tab";
    window.menuItem(1, "← Move Left")->trigger();
    EXPECT_EQ(sheets.names(), (std::vector<std::string>{"A", "B", "C"}));

    window.menuItem(2, "Delete")->trigger();
    settle();
    EXPECT_EQ(sheets.names(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(window.tabNames(), sheets.names());
    EXPECT_EQ(sheets.store->currentSheetID(), sheetID(1));
    EXPECT_EQ(window.session.sheetID(), sheetID(1));
    EXPECT_TRUE(window.tab(1).isSelected());
    EXPECT_TRUE(sheets.store->document().deletedSheets.count(sheetID(2).uuidString()));
}

TEST_F(SheetTabBarTest, PlusAppendsANumberedSheetAndShowsIt) {
    for (const auto& [language, name] :
         {std::pair{AppLanguage::english, "Sheet 5"}, std::pair{AppLanguage::japanese, "シート 5"}}) {
        NamedSheets sheets({"A", "B", "C", "D"});
        sheets.settings().setLanguage(language);
        TabWindow window(sheets.app());
        QTest::mouseClick(window.bar.newSheetButton(), Qt::LeftButton);
        ASSERT_EQ(sheets.store->sheets().size(), 5u);
        EXPECT_EQ(sheets.store->sheets().back().name, name);
        EXPECT_EQ(window.tabNames().back(), name);
        EXPECT_EQ(window.session.sheetID(), sheets.store->sheets().back().id);
        EXPECT_TRUE(window.bar.tabs().back()->isSelected());
        EXPECT_GT(window.bar.newSheetButton()->geometry().left(),
                  window.bar.tabs().back()->geometry().right());
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5),
                        window.bar.newSheetButton()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(window.bar.newSheetButton(), &help);
        EXPECT_EQ(window.bar.newSheetButton()->toolTip(),
                  language == AppLanguage::english ? "New sheet" : "新しいシート");
        QToolTip::hideText();
    }
}

QMimeData* payload(const std::string& bytes) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(SheetTabTransfer::contentType.data()),
                  QByteArray::fromStdString(bytes));
    return data;
}

TEST_F(SheetTabBarTest, ATabDroppedOnAnotherTakesItsPlace) {
    struct Case {
        std::size_t dragged;
        std::size_t target;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {1, 3, {"B", "C", "A", "D"}},
        {4, 2, {"A", "D", "B", "C"}},
        {2, 2, {"A", "B", "C", "D"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dragged) + " on " + std::to_string(c.target));
        NamedSheets sheets({"A", "B", "C", "D"});
        TabWindow window(sheets.app(), 640, sheetID(2));
        const auto stamp = sheets.store->document().sheetOrderUpdatedAt;
        std::unique_ptr<QMimeData> data(window.tab(c.dragged).makeMimeData());
        EXPECT_TRUE(dropOn(window.tab(c.target), *data)) << "a drop is taken also when nothing moves";
        EXPECT_EQ(sheets.names(), c.names);
        EXPECT_EQ(window.tabNames(), c.names);
        EXPECT_EQ(window.session.sheetID(), sheetID(2));
        EXPECT_EQ(sheets.store->currentSheetID(), sheetID(1));
        EXPECT_EQ(sheets.store->document().sheetOrderUpdatedAt != stamp, c.dragged != c.target);
    }
}

TEST_F(SheetTabBarTest, ADropMovesOnlyItsFirstTabAndRefusesWhatIsNoTab) {
    NamedSheets sheets({"A", "B", "C", "D"});
    TabWindow window(sheets.app());
    const std::string a = SheetTabTransfer{sheetID(1)}.encode();
    const std::string d = SheetTabTransfer{sheetID(4)}.encode();
    std::unique_ptr<QMimeData> several(payload(a + "\n" + d));
    EXPECT_TRUE(dropOn(window.tab(3), *several));
    EXPECT_EQ(sheets.names(), (std::vector<std::string>{"B", "C", "A", "D"}));

    for (const char* bytes : {"{}", R"({"id":"nope"})", "not json", ""}) {
        std::unique_ptr<QMimeData> refused(payload(bytes));
        EXPECT_FALSE(dropOn(window.tab(1), *refused)) << bytes;
    }
    QMimeData text;
    text.setText(QString::fromStdString(d));
    EXPECT_FALSE(dropOn(window.tab(1), text));
    // An id of no sheet is taken and ignored.
    std::unique_ptr<QMimeData> stranger(payload(SheetTabTransfer{sheetID(77)}.encode()));
    EXPECT_TRUE(dropOn(window.tab(1), *stranger));
    EXPECT_EQ(sheets.names(), (std::vector<std::string>{"B", "C", "A", "D"}));
}

TEST_F(SheetTabBarTest, ATabFromAnotherWindowReordersBothWindows) {
    NamedSheets sheets({"A", "B", "C", "D"});
    TabWindow first(sheets.app(), 640, sheetID(1));
    TabWindow second(sheets.app(), 640, sheetID(4));
    std::unique_ptr<QMimeData> data(first.tab(1).makeMimeData());
    EXPECT_EQ(data->data(QString::fromLatin1(SheetTabTransfer::contentType.data())).toStdString(),
              SheetTabTransfer{sheetID(1)}.encode());
    EXPECT_TRUE(dropOn(second.tab(3), *data));
    const std::vector<std::string> order{"B", "C", "A", "D"};
    EXPECT_EQ(first.tabNames(), order);
    EXPECT_EQ(second.tabNames(), order);
    EXPECT_EQ(first.session.sheetID(), sheetID(1));
    EXPECT_EQ(second.session.sheetID(), sheetID(4));
}

TEST_F(SheetTabBarTest, ALongNameIsCutOffOnTheTabAndWholeInTheDragPreview) {
    const std::string name(40, 'W');
    NamedSheets sheets({"A", name});
    TabWindow window(sheets.app(), 900);
    SheetTabButton& tab = window.tab(2);
    EXPECT_EQ(tab.width(), SheetTabButton::maximumWidth);
    EXPECT_EQ(tab.name().toStdString(), name);
    EXPECT_TRUE(tab.displayedText().endsWith(QChar(0x2026)));
    EXPECT_LT(tab.displayedText().size(), 40);
    const QPixmap preview = tab.dragPreview();
    EXPECT_GT(preview.deviceIndependentSize().width(),
              QFontMetrics(tab.font()).horizontalAdvance(QString::fromStdString(name)));
    EXPECT_EQ(preview.deviceIndependentSize().height(), SheetTabButton::tabHeight);
    // A short name is shown whole, on a tab only as wide as it needs.
    EXPECT_EQ(window.tab(1).displayedText(), "A");
    EXPECT_LT(window.tab(1).width(), 60);
}

} // namespace
} // namespace vell
