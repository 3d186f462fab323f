#include "Appearance/Appearance.h"
#include "Window/StatusBar.h"
#include "Window/WindowTestSupport.h"

#include <QCoreApplication>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <vector>

namespace vell {
namespace {

using testsupport::TestContext;

struct Shown {
    QString count;
    QString totalLabel; // empty when there is no total
    QString total;
};

Shown showing(const StatusBar& bar) {
    return {bar.countText(), bar.totalLabel()->isHidden() ? QString() : bar.totalLabel()->text(),
            bar.totalText()};
}

class StatusBarTest : public ::testing::Test {
protected:
    TestContext context;
    DocumentStore& store = context.store();
    SheetSession session{store, context.evaluations()};
    StatusBar bar{session, context.settings(), context.appearance()};
};

TEST_F(StatusBarTest, CountsValueLinesAndTotalsOnlyNumbersThatAddUp) {
    struct Case {
        const char* text;
        Shown shown;
    };
    const Case cases[] = {
        {"", {"0 lines calculated", "", ""}},
        {"// a note\n\n// another", {"0 lines calculated", "", ""}},
        {"5", {"1 line calculated", "Total", "5"}},
        {"1 m\n2 kg", {"2 lines calculated", "", ""}},
        {"1 m\n250 cm", {"2 lines calculated", "Total", "3.5 m"}},
        // Texts and lists count, but are never added.
        {"\"abc\"\n[1, 2]\n5", {"3 lines calculated", "Total", "5"}},
        {"\"abc\"", {"1 line calculated", "", ""}},
        // Failures, plots and notes count for neither.
        {"1 +\nplot(x^2)\n// n\n7", {"1 line calculated", "Total", "7"}},
        {"600000\n634567", {"2 lines calculated", "Total", "1,234,567"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        store.setText(*store.currentSheetID(), c.text);
        const Shown shown = showing(bar);
        EXPECT_EQ(shown.count, c.shown.count);
        EXPECT_EQ(shown.totalLabel, c.shown.totalLabel);
        EXPECT_EQ(shown.total, c.shown.total);
    }
}

TEST_F(StatusBarTest, TheTotalIsGroupedWhateverTheEditorsGrouping) {
    context.settings().setGroupsDigits(false);
    store.setText(*store.currentSheetID(), "1234567");
    EXPECT_EQ(bar.totalText(), "1,234,567");
}

TEST_F(StatusBarTest, SpeaksTheInterfaceLanguageAndFollowsAChangeAtOnce) {
    context.settings().setLanguage(AppLanguage::japanese);
    store.setText(*store.currentSheetID(), "5\n6");
    EXPECT_EQ(bar.countText(), "2 行を計算");
    EXPECT_EQ(bar.totalLabel()->text(), "合計");
    EXPECT_EQ(bar.totalText(), "11");
    EXPECT_EQ(bar.totalValue()->toolTip(), "すべての計算結果を足したもの");

    store.setText(*store.currentSheetID(), "5");
    EXPECT_EQ(bar.countText(), "1 行を計算");
    store.setText(*store.currentSheetID(), "5\n6");

    context.settings().setLanguage(AppLanguage::english);
    EXPECT_EQ(bar.countText(), "2 lines calculated");
    EXPECT_EQ(bar.totalLabel()->text(), "Total");
    EXPECT_EQ(bar.totalValue()->toolTip(), "The sum of every calculated line");
}

// The row keeps one height whether or not it shows a total, so the keypad and the editor's bottom edge
// above it stay put while a formula is typed.
TEST_F(StatusBarTest, KeepsOneHeightWithAndWithoutATotal) {
    QWidget column;
    auto* layout = new QVBoxLayout(&column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QWidget, 1);
    bar.setParent(&column);
    layout->addWidget(&bar);
    column.resize(600, 400);
    column.show();
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        context.settings().setLanguage(language);
        std::vector<int> heights;
        for (const char* text : {"1 +", "1 + 2", "", "// メモ", "合計 = 5"}) {
            store.setText(*store.currentSheetID(), text);
            QCoreApplication::processEvents();
            heights.push_back(bar.height());
        }
        EXPECT_EQ(heights, std::vector<int>(heights.size(), heights.front()))
            << (language == AppLanguage::english ? "English" : "Japanese");
    }
    bar.setParent(nullptr);
}

TEST_F(StatusBarTest, OnlyTheTotalHasATooltipAndCanBeSelected) {
    store.setText(*store.currentSheetID(), "5");
    EXPECT_TRUE(bar.countLabel()->toolTip().isEmpty());
    EXPECT_TRUE(bar.totalLabel()->toolTip().isEmpty());
    EXPECT_FALSE(bar.totalValue()->toolTip().isEmpty());
    EXPECT_TRUE(bar.totalValue()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_FALSE(bar.countLabel()->textInteractionFlags() & Qt::TextSelectableByMouse);
}

} // namespace
} // namespace vell
