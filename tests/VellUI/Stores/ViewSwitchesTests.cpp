#include "Stores/ViewSwitches.h"
#include "Support/TempDefaults.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::TempDefaults;

TEST(ViewSwitches, BothAreOnUnlessAUsableFalseIsStored) {
    struct Case {
        const char* file;
        bool showGraph;
        bool showKeypad;
    };
    const Case cases[] = {
        {"", true, true},
        {"[General]\nvell.showGraph=false\n", false, true},
        {"[General]\nvell.showKeypad=false\n", true, false},
        {"[General]\nvell.showGraph=true\nvell.showKeypad=false\n", true, false},
        {"[General]\nvell.showGraph=no\nvell.showKeypad=0\n", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDefaults defaults;
        defaults.writeFile(c.file);
        const ViewSwitches switches(defaults.open());
        EXPECT_EQ(switches.showGraph(), c.showGraph);
        EXPECT_EQ(switches.showKeypad(), c.showKeypad);
    }
}

TEST(ViewSwitches, AChangeIsWrittenAtOnceAndAnnouncedOnce) {
    TempDefaults defaults;
    ViewSwitches switches(defaults.open());
    QSignalSpy graph(&switches, &ViewSwitches::showGraphChanged);
    QSignalSpy keypad(&switches, &ViewSwitches::showKeypadChanged);

    switches.setShowKeypad(false);
    switches.setShowKeypad(false);
    switches.setShowGraph(true);

    EXPECT_EQ(keypad.count(), 1);
    EXPECT_EQ(keypad.at(0).at(0).toBool(), false);
    EXPECT_EQ(graph.count(), 0);
    EXPECT_EQ(defaults.stored("vell.showKeypad").toString(), "false");
    EXPECT_FALSE(defaults.contains("vell.showGraph"));

    // The next start reads what was written.
    const ViewSwitches restarted(defaults.open());
    EXPECT_FALSE(restarted.showKeypad());
    EXPECT_TRUE(restarted.showGraph());
}

TEST(ViewSwitches, TheOpenKeypadPanelIsKeptAsStoredAndEmptyByDefault) {
    TempDefaults defaults;
    ViewSwitches switches(defaults.open());
    EXPECT_EQ(switches.keypadPanel(), "");
    QSignalSpy panel(&switches, &ViewSwitches::keypadPanelChanged);

    for (const char* value : {"関数", "関数", "単位", "", "functions"})
        switches.setKeypadPanel(value);
    ASSERT_EQ(panel.count(), 4);
    EXPECT_EQ(panel.at(0).at(0).value<std::string>(), "関数");
    EXPECT_EQ(panel.at(2).at(0).value<std::string>(), "");
    // Kept as it is; the keypad decides what a text it does not know opens (nothing).
    EXPECT_EQ(ViewSwitches(defaults.open()).keypadPanel(), "functions");

    switches.setKeypadPanel("単位");
    EXPECT_EQ(ViewSwitches(defaults.open()).keypadPanel(), "単位");
    switches.setKeypadPanel("");
    EXPECT_EQ(defaults.stored("vell.keypadPanel").toString(), "");
    EXPECT_TRUE(defaults.contains("vell.keypadPanel"));
}

} // namespace
} // namespace vell
