#include "Engine/L10n.h"
#include "SheetTestSupport.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::evaluated;
using testsupport::expectSheets;
using testsupport::SheetCase;

TEST(SheetEvaluation, LineCountFollowsTheLineFeeds) {
    EXPECT_EQ(evaluated({""}), std::vector<std::string>{"blank"});
    EXPECT_EQ(DocumentEvaluator::evaluate("1\n2\n").size(), 3u);
    EXPECT_EQ(DocumentEvaluator::evaluate("\n\n\n").size(), 4u);
    // A carriage return stays part of its line.
    EXPECT_EQ(DocumentEvaluator::splitLines("a\r\nb"), (std::vector<std::string_view>{"a\r", "b"}));
}

TEST(SheetEvaluation, NamesAndContinuation) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        {{"price = 1200", "price × 2"}, {"1200 =price", "2400"}},
        {{"3 + 4 =", "× 2", "- 4", "-3"}, {"7", "14", "10", "-3"}},
        {{"10", "* 2", "/ 4", "^2", "÷ 5", "／ 5", "＊3"}, {"10", "20", "5", "25", "5", "1", "3"}},
        {{"10", "+ 5", "－ 3", "＋ 1", "+5"}, {"10", "15", "12", "13", "5"}},
        // A lone minus and a minus without a space are no continuation.
        {{"10", "-", "-2"}, {"10", "note", "-2"}},
        {{"10", "× 2 ＝", "x = 5 ="}, {"10", "20", "5 =x"}},
        // Without a previous answer the line is read as written.
        {{"× 2"}, {"fail: “*” isn’t used correctly here"}},
        {{"// note", "× 2"}, {"note", "fail: “*” isn’t used correctly here"}},
        // A named value is visible below its line only; a later assignment replaces it.
        {{"a + 1", "a = 2", "a = a + 1", "a"}, {"fail: a is not defined", "2 =a", "3 =a", "3"}},
    });
}

TEST(SheetEvaluation, EarlierAnswers) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        {{"7", "prev × 2", "ans + 1", "前 - 1", "Prev"}, {"7", "14", "15", "14", "note"}},
        {{"7", "Prev + 1"}, {"7", "fail: Prev is not defined"}},
        // A failing line keeps the previous answer and records no line value.
        {{"5", "2 +", "prev", "#2"},
         {"5", "fail: The expression ends in the middle", "5", "fail: #2 not found"}},
        // Lists and texts become the previous answer but never enter the sums.
        {{"[1, 2]", "3", "sum", "#1", "prev"}, {"[1, 2]", "3", "3", "[1, 2]", "[1, 2]"}},
        {{"\"ab\"", "4", "total", "prev"}, {"\"ab\"", "4", "4", "4"}},
        {{"1", "2", "", "3", "sum", "total"}, {"1", "2", "blank", "3", "3", "9"}},
        {{"1", "2", "subtotal", "小計", "合計"}, {"1", "2", "3", "6", "12"}},
        {{"5 m", "sum"}, {"5 m", "5 m"}},
        {{"10%", "sum"}, {"10%", "10%"}},
        {{"1", "  ", "2", "sum"}, {"1", "blank", "2", "2"}},
        {{"sum"}, {"note"}},
        {{"sum + 1"}, {"fail: sum is not defined"}},
        {{"5 m", "3 kg", "sum", "total + 1", "prev"},
         {"5 m", "3 kg", "fail: Units of different kinds are mixed, so they can’t be summed",
          "fail: Units of different kinds are mixed, so they can’t be summed", "3 kg"}},
        // After a blank line the block adds up again; the sheet total stays mixed.
        {{"5 m", "3 kg", "", "2 kg", "sum", "total"},
         {"5 m", "3 kg", "blank", "2 kg", "2 kg",
          "fail: Units of different kinds are mixed, so they can’t be summed"}},
        // The mixed-units message is the line's own only when a running sum failed on it.
        {{"5 m", "3 kg", "x = 1", "nosuch + 1"}, {"5 m", "3 kg", "1 =x", "fail: nosuch is not defined"}},
    });
}

TEST(SheetEvaluation, LineReferences) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        // "#-1" is a note: no digit follows the "#".
        {{"4", "#1 * 2", "#3", "#0 + 1", "#-1", "#99 + 1", "- #1"},
         {"4", "8", "fail: #3 not found", "fail: #0 not found", "note", "fail: #99 not found", "4"}},
        // A forward reference finds nothing yet; notes, blanks and failures store nothing.
        {{"#2 + 1", "5", "// x", "", "1 / 0", "#3 + #4", "#5 + 1"},
         {"fail: #2 not found", "5", "note", "blank", "fail: Cannot divide by zero", "fail: #3 not found",
          "fail: #5 not found"}},
    });
}

TEST(SheetEvaluation, NotesAndFailures) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        {{"# heading", "#x", "＃ memo", "// 1 + 1", "#３ items"}, {"note", "note", "note", "note", "note"}},
        // Prose without ASCII digits is a note; with one it shows the failure.
        {{"Shopping list", "Buy 2 apples", "３ apples"}, {"note", "fail: Buy is not defined", "note"}},
        // A failing line leaves every other line as it would be.
        {{"a = 2", "a = nosuch 5", "a", "1 / 0", "a + 1"},
         {"2 =a", "fail: nosuch is not defined", "2", "fail: Cannot divide by zero", "3"}},
        // Prose whose first word is unknown, known, a unit, a special name or a parameter: a note
        // whichever word fails, and the mixed-units failure when a sum that cannot be added up is
        // read before the failing word.
        {{"Ask Sato about the deposit", "電気代は口座振替", "price = 5", "price about it", "km of road",
          "prev thing", "[nosuch, 2]"},
         {"note", "note", "5 =price", "note", "note", "note", "fail: nosuch is not defined"}},
        {{"1 m", "1 kg", "sum of parts", "total cost", "cost total"},
         {"1 m", "1 kg", "fail: Units of different kinds are mixed, so they can’t be summed",
          "fail: Units of different kinds are mixed, so they can’t be summed", "note"}},
        {{"def f(word):", "  word here", "  nothing here", "  return word", "f(3)"},
         {"blank", "note", "note", "3", "3"}},
    });
}

TEST(SheetEvaluation, ReservedNamesCannotBeAssigned) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        {{"sum = 3", "Total = 3", "前 = 1", "ANS = 2", "小計 = 1", "sum"},
         {"fail: “sum” is a built-in word and can’t be used as a name",
          "fail: “Total” is a built-in word and can’t be used as a name",
          "fail: “前” is a built-in word and can’t be used as a name",
          "fail: “ANS” is a built-in word and can’t be used as a name",
          "fail: “小計” is a built-in word and can’t be used as a name", "note"}},
    });
    const EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(evaluated({"total = 1"}),
              std::vector<std::string>{"fail: 「total」はもともとある言葉なので名前に使えません"});
    EXPECT_EQ(evaluated({"1 m", "1 kg", "sum"})[2], "fail: 種類の違う単位が混ざっていて合計できません");
}

TEST(SheetEvaluation, ReservedWordTest) {
    for (std::string_view name :
         {"prev", "ans", "前", "sum", "subtotal", "小計", "total", "合計", "SUM", "Prev", "SubTotal"})
        EXPECT_TRUE(DocumentEvaluator::isReservedWord(name)) << name;
    for (std::string_view name : {"sums", "previous", "前回", "tot", ""})
        EXPECT_FALSE(DocumentEvaluator::isReservedWord(name)) << name;
}

TEST(SheetEvaluation, PreparingALine) {
    const std::optional<Value> some = Value(1.0);
    const std::optional<Value> none;
    struct Case {
        std::string_view text;
        bool previous;
        std::string prepared;
    };
    const std::vector<Case> cases = {
        {"3 + 4 =", false, "3 + 4"},
        {"3 + 4 = =", true, "3 + 4"},
        {"3 + 4 ＝", true, "3 + 4"},
        {"=", true, ""},
        {"× 2", false, "× 2"},
        {"× 2", true, "prev × 2"},
        {"×2", true, "prev ×2"},
        {"*2", true, "prev *2"},
        {"／2", true, "prev ／2"},
        {"＊ 2", true, "prev ＊ 2"},
        {"^2", true, "prev ^2"},
        {"÷ 2 =", true, "prev ÷ 2"},
        {"+ 5", true, "prev + 5"},
        {"- 5", true, "prev - 5"},
        {"－ 5", true, "prev － 5"},
        {"＋ 5", true, "prev ＋ 5"},
        {"+5", true, "+5"},
        {"-3", true, "-3"},
        {"-", true, "-"},
        {"+　 5", true, "+　 5"},
        {"2 × 3", true, "2 × 3"},
        // An operator that carries a combining mark is another character.
        {"×́ 2", true, "×́ 2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DocumentEvaluator::prepareLine(c.text, c.previous ? some : none), c.prepared) << c.text;
}

TEST(SheetEvaluation, FunctionNameProblems) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<std::pair<std::string_view, std::string>> cases = {
        {"sqrt", "“sqrt” is a built-in function and can’t be used"},
        {"SQRT", "“SQRT” is a built-in function and can’t be used"},
        {"plot", "“plot” is a built-in function and can’t be used"},
        {"Bars", "“Bars” is a built-in function and can’t be used"},
        {"pi", "“pi” is a constant and can’t be used"},
        {"True", "“True” is a constant and can’t be used"},
        {"sum", "“sum” is a built-in function and can’t be used"},
        {"prev", "“prev” is a built-in word and can’t be used"},
        {"Total", "“Total” is a built-in word and can’t be used"},
        {"小計", "“小計” is a built-in word and can’t be used"},
        {"kg", "“kg” is a unit and can’t be used"},
        {"g", "“g” is a unit and can’t be used"},
        {"h", "“h” is a unit and can’t be used"},
        {"km/h", "“km/h” is a unit and can’t be used"},
    };
    for (const auto& [name, message] : cases)
        EXPECT_EQ(DocumentEvaluator::functionNameProblem(name), std::optional<std::string>(message)) << name;
    for (std::string_view name : {"f", "area", "Pi", "true", "range", "税込"})
        EXPECT_EQ(DocumentEvaluator::functionNameProblem(name), std::nullopt) << name;

    const EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(DocumentEvaluator::functionNameProblem("max"), "「max」はもともとある関数なので使えません");
    EXPECT_EQ(DocumentEvaluator::functionNameProblem("π"), "「π」は定数なので使えません");
    EXPECT_EQ(DocumentEvaluator::functionNameProblem("合計"), "「合計」はもともとある言葉なので使えません");
    EXPECT_EQ(DocumentEvaluator::functionNameProblem("m"), "「m」は単位なので使えません");
}

} // namespace
} // namespace vell
