#include "Engine/L10n.h"
#include "SheetTestSupport.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::evaluated;

using Lines = std::vector<std::string>;

TEST(CrossSheet, FunctionsOfOtherSheets) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<SharedSheet> others = {
        {"A", "def f(x):\n  return x + 1"},
        {"B", "def f(x):\n  return x + 2\ndef tenfold(x):\n  return x * 10"}};
    // The first sheet in document order answers; a sheet's own function comes first.
    EXPECT_EQ(evaluated({"f(1)", "tenfold(1)"}, others), (Lines{"2", "10"}));
    EXPECT_EQ(evaluated({"def f(x):", "  return x + 3", "f(1)"}, others), (Lines{"blank", "4", "4"}));
    // Before the sheet's own def runs, the other sheet's function answers.
    EXPECT_EQ(evaluated({"f(1)", "def f(x):", "  return x + 3", "f(1)"}, others),
              (Lines{"2", "blank", "4", "4"}));
    // Functions of other sheets record nothing here and leave the previous answer alone.
    EXPECT_EQ(evaluated({"5", "f(1) + prev", "#2"}, others), (Lines{"5", "7", "7"}));
}

TEST(CrossSheet, HelpersComeFromTheHomeSheet) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<SharedSheet> others = {
        {"A", "def outer():\n  return inner()\ndef inner():\n  return 1\ndef maker():\n  def made():\n    "
              "return 5\n  "
              "return made()\ndef user():\n  maker()\n  return made()"},
        {"B", "def inner():\n  return 3\ndef viaB():\n  return helper()"},
    };
    // A's outer runs A's inner, even when this sheet defines its own inner.
    EXPECT_EQ(evaluated({"def inner():", "  return 2", "outer()", "inner()"}, others),
              (Lines{"blank", "2", "1", "2"}));
    // A def that runs inside A's function belongs to A: A's functions see it, this sheet does not.
    EXPECT_EQ(evaluated({"maker()", "made()", "user()"}, others), (Lines{"5", "note", "5"}));
    // What the home sheet lacks is looked up on this sheet, then on the other sheets.
    // Lines of this sheet that run inside another sheet's function record nothing.
    EXPECT_EQ(evaluated({"def helper():", "  return 100", "viaB()"}, others),
              (Lines{"blank", "blank", "100"}));
    EXPECT_EQ(evaluated({"viaB() + 1"}, others), (Lines{"fail: There is no function named helper"}));
}

// A line of another sheet's function has a line number of its own sheet: nothing it gives may land
// on the line of this sheet that has the same number, also one this sheet has already passed.
TEST(CrossSheet, LinesOfOtherSheetsNeverLandOnThisSheet) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<SharedSheet> others = {
        {"A", "def f(x):\n  y = x * 2\n  for i in range(2):\n    y = y + i\n  if y > 100:\n    return 0\n  "
              "return y"},
        {"B", "def outer(x):\n  def inner(n):\n    return n / 0\n  return inner(x)"},
        {"C", "def spin(x):\n  while x / 0:\n    x"},
    };
    EXPECT_EQ(evaluated({"1", "", "", "", "", "", "// note", "f(2)", "#2", "#4"}, others),
              (Lines{"1", "blank", "blank", "blank", "blank", "blank", "note", "5", "fail: #2 not found",
                     "fail: #4 not found"}));
    EXPECT_EQ(evaluated({"1", "", "", "outer(1) + 1"}, others),
              (Lines{"1", "blank", "blank", "fail: Cannot divide by zero"}));
    EXPECT_EQ(evaluated({"", "", "spin(1)"}, others),
              (Lines{"blank", "blank", "fail: Cannot divide by zero"}));
    // Names are compared in NFC across sheets too: "é" composed and decomposed is one function.
    EXPECT_EQ(evaluated({"caf\u00e9(1)"}, {{"D", "def cafe\u0301(x):\n  return x + 1"}}), (Lines{"2"}));
}

TEST(CrossSheet, NamedValuesStayOnTheirSheet) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<SharedSheet> others = {{"A", "rate = 10\ndef f(x):\n  q = x\n  return x * rate"}};
    EXPECT_EQ(evaluated({"f(2)"}, others), (Lines{"fail: rate is not defined"}));
    EXPECT_EQ(evaluated({"rate = 3", "f(2)", "q + 1"}, others),
              (Lines{"3 =rate", "6", "fail: q is not defined"}));
}

TEST(CrossSheet, OnlyValidTopLevelDefinitionsAreOffered) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<SharedSheet> others = {
        {"A", "def sum(x):\n  return 1\ndef pi():\n  return 1\ndef prev():\n  return 1\ndef kg(x):\n  return "
              "1\nif 1:\n  "
              "def nested():\n    return 1\ndef tools(x):\n  return x * 2"},
    };
    EXPECT_EQ(evaluated({"sum(5)", "pi()", "prev()", "kg(1)", "nested()", "tools(4)"}, others),
              (Lines{"5", "note", "note", "fail: There is no function named kg", "note", "8"}));
}

TEST(CrossSheet, ArgumentCountNamesTheSheet) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<SharedSheet> others = {{"Tools", "def f(a, b):\n  return a + b"}};
    EXPECT_EQ(evaluated({"f(1)", "f(1, 2)"}, others),
              (Lines{"fail: f (from sheet “Tools”) needs 2 argument(s)", "3"}));
    const EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(evaluated({"f(1)"}, others), (Lines{"fail: （Tools シートの）f は引数が 2 つ必要です"}));
}

TEST(CrossSheet, UnknownFunctions) {
    const EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(evaluated({"foo(1)", "sqrt(4)", "Foo(2)"}, {{"A", "def bar():\n  return 1"}}),
              (Lines{"fail: There is no function named foo", "2", "fail: There is no function named Foo"}));
}

TEST(CrossSheet, OtherSheetsAreParsedOnlyWhenNeeded) {
    const std::vector<SharedSheet> others = {{"A", "def f(x):\n  return x"}};
    const auto collected = [&](std::string_view text) {
        ProgramRunner runner(DocumentEvaluator::splitLines(text), others);
        runner.run();
        return runner.sharedFunctionsCollected();
    };
    // Built-in names, in any letter case, and this sheet's own functions never parse the others.
    EXPECT_FALSE(collected("sqrt(4)\nSUM(1, 2)\nPlot(1, 2)"));
    EXPECT_FALSE(collected("def own(x):\n  return x\nown(1)"));
    EXPECT_TRUE(collected("foo(1)"));
    EXPECT_TRUE(collected("f(1)"));

    // Collected once, with every other sheet in document order, also one that defines nothing.
    const std::vector<SharedSheet> two = {{"A", "def f(x):\n  return x"}, {"B", "1 + 1"}};
    ProgramRunner runner(DocumentEvaluator::splitLines("foo(1)\nfoo(2)"), two);
    runner.run();
    const auto& shared = runner.sharedFunctions();
    EXPECT_EQ(&shared, &runner.sharedFunctions());
    ASSERT_EQ(shared.size(), 2u);
    EXPECT_EQ(shared[0].first, "A");
    EXPECT_TRUE(shared[0].second.contains("f"));
    EXPECT_EQ(shared[0].second.at("f").home, std::optional<std::string>("A"));
    EXPECT_EQ(shared[1].first, "B");
    EXPECT_TRUE(shared[1].second.empty());
}

TEST(CrossSheet, RecursionAcrossSheetsKeepsTheDepthLimit) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<SharedSheet> others = {{"A", "def ping(n):\n  return pong(n + 1)"},
                                             {"B", "def pong(n):\n  return ping(n + 1)"}};
    EXPECT_EQ(evaluated({"ping(1)", "3"}, others),
              (Lines{"fail: Function calls are nested too deeply", "3"}));
}

} // namespace
} // namespace vell
