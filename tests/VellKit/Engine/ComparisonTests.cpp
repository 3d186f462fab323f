#include "Engine/Comparison.h"
#include "Engine/Evaluator.h"
#include "EvalTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::evaluateLine;
using testsupport::expectOutcomes;
using testsupport::LineCase;
using testsupport::outcome;
using testsupport::specialNumbers;

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

TEST(Comparison, NumbersRoundedToThirteenDigitsWithUnitsAndPercentages) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"0.1 + 0.2 == 0.3", "1"},
        {"1/3 == 0.3333333333333", "1"},
        {"1/3 == 0.333333333333", "0"},
        {"999999999999.01 == 999999999999", "1"}, // below 1e12: rounded
        {"1e12 + 0.1 == 1e12", "0"},              // from 1e12: exact
        {"1 m == 100 cm", "1"},
        {"100 cm == 1 m", "1"},
        {"50% == 0.5", "1"},
        {"5 m == 5", "1"},
        {"5 == 5 m", "1"},
        {"1 m == 1 kg", "0"},
        {"1 m != 1 kg", "1"},
        {"1 m < 1 kg", "error: m and kg can't be added together"},
        {"5 °C > 40 °F", "1"},
        {"2 <= 2", "1"},
        {"2 >= 3", "0"},
        {"-0 == 0", "1"},
    };
    expectOutcomes(cases);
    const Value result = evaluateLine("1 m == 100 cm");
    EXPECT_EQ(result, Value(1));
    EXPECT_TRUE(result.isUnitless());
}

TEST(Comparison, NotANumberIsUnequalToEverything) {
    const Value n(notANumber);
    EXPECT_EQ(Comparison::compare("==", n, n), Value(0));
    EXPECT_EQ(Comparison::compare("!=", n, n), Value(1));
    EXPECT_EQ(Comparison::compare("<", n, Value(1)), Value(0));
    EXPECT_EQ(Comparison::compare(">=", n, n), Value(0));
    EXPECT_EQ(Comparison::compare("<=", Value(1), n), Value(0));
}

TEST(Comparison, Texts) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"\"a\" == \"a\"", "1"},
        {"\"a\" <= \"a\"", "1"},
        {"\"a\" >= \"a\"", "1"},
        {"\"a\" < \"a\"", "0"},
        {"\"a\" > \"a\"", "0"},
        {"\"B\" < \"a\"", "1"},
        {"\"apple\" < \"apples\"", "1"},
        {"\"b\" >= \"a\"", "1"},
        {"\"\" < \"a\"", "1"},
        {"\"z\" < \"é\"", "1"},
        {"\"本\" > \"日\"", "1"},
        // A precomposed letter and its decomposed form are the same text.
        {"\"\u00e9\" == \"e\u0301\"", "1"},
        {"\"\u00e9\" < \"e\u0301\"", "0"},
        {"\"\u00e9\" >= \"e\u0301\"", "1"},
        {"\"e\u0301\" < \"f\"", "0"},
    };
    expectOutcomes(cases);
}

TEST(Comparison, ListsAndMixedKinds) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"[1, 2] == [1, 2]", "1"},
        {"[1 m] == [100 cm]", "1"},
        {"[1 m] == [1 kg]", "0"},
        {"[[1, \"a\"]] == [[1, \"a\"]]", "1"},
        {"[1, 2] == [1, 2, 3]", "0"},
        {"[] == []", "1"},
        {"[1] != [1]", "0"},
        {"[\"1\"] == [1]", "0"},
        {"[1] < [2]", "error: Lists can be checked for equality, but not ordered"},
        {"1 == \"1\"", "0"},
        {"1 != \"1\"", "1"},
        {"[1] == 1", "0"},
        {"1 < \"1\"", "error: a number and text can’t be ordered"},
        {"\"a\" >= [1]", "error: text and a list can’t be ordered"},
    };
    expectOutcomes(cases);
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("1 < \"1\""), "error: 数と文字は大小を比べられません");
    EXPECT_EQ(outcome("[1] < [2]"), "error: 表どうしは大小を比べられません");
}

TEST(Comparison, Truth) {
    auto context = specialNumbers();
    const LineCase cases[] = {
        {"not 0", "1"},    {"not -0", "1"},    {"not 1e-300", "0"}, {"not nan", "0"},
        {"not \"\"", "1"}, {"not \" \"", "0"}, {"not []", "1"},     {"not [0]", "0"},
        {"not 0%", "1"},   {"not (0 m)", "1"}, {"not (2 m)", "0"},
    };
    expectOutcomes(cases, context);
    EXPECT_TRUE(Comparison::isTruthy(Value(std::numeric_limits<double>::infinity())));
}

TEST(Comparison, Indexing) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"[10, 20, 30][0]", "10"},
        {"[10, 20, 30][-1]", "30"},
        {"[10, 20, 30][-3]", "10"},
        {"[10, 20, 30][3]", "error: The list has no item 3 (valid: 0–2)"},
        {"[10, 20, 30][-4]", "error: The list has no item -4 (valid: 0–2)"},
        {"[5%, 2 m][0]", "5%"},
        {"[[1, 2], 3][0][1]", "2"},
        {"\"日本語\"[1]", "本"},
        {"\"abc\"[-1]", "c"},
        {"\"e\u0301x\"[0]", "e\u0301"},
        {"\"\"[0]", "error: An empty text has no item 0"},
        {"[][0]", "error: An empty list has no item 0"},
        {"[][-2]", "error: An empty list has no item -2"},
        {"[1, 2][1.5]", "error: The index in [ ] must be a whole number without a unit"},
        {"[1, 2][1 m]", "error: The index in [ ] must be a whole number without a unit"},
        {"[1, 2][\"a\"]", "error: The index in [ ] must be a whole number without a unit"},
        {"[1, 2][100%]", "2"},
        {"[1, 2][2000000000]", "error: The index in [ ] is too large"},
        {"[1, 2][1000000000]", "error: The list has no item 1000000000 (valid: 0–1)"},
        {"[1, 2][-1000000000]", "error: The list has no item -1000000000 (valid: 0–1)"},
        {"5[0]", "error: [ ] can’t be used on a number"},
        {"5[1.5]", "error: The index in [ ] must be a whole number without a unit"},
    };
    expectOutcomes(cases);
    EXPECT_TRUE(evaluateLine("\"abc\"[0]").isText());

    EngineSettingsScope japanese(AppLanguage::japanese);
    const LineCase japaneseCases[] = {
        {"[10, 20, 30][3]", "error: 表の 3 番目はありません（0〜2）"},
        {"\"ab\"[5]", "error: 文字の 5 番目はありません（0〜1）"},
        {"\"\"[0]", "error: 空の文字には 0 番目がありません"},
        {"[][0]", "error: 空の表には 0 番目がありません"},
        {"5[0]", "error: 数に [ ] は付けられません"},
        {"[1][0.5]", "error: [ ] の中は、単位の無い整数で書きます"},
        {"[1][1e10]", "error: [ ] の中の数が大きすぎます"},
    };
    expectOutcomes(japaneseCases);
}

} // namespace
} // namespace vell
