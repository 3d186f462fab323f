#include "Engine/Evaluator.h"
#include "EvalTestSupport.h"

#include <cmath>
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
using testsupport::TestContext;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(AggregateBuiltins, MinAndMax) {
    EngineSettingsScope english(AppLanguage::english);
    auto context = specialNumbers();
    const LineCase cases[] = {
        {"min(3, 1, 2)", "1"},
        {"max([1, [7, 2]], 3)", "7"},
        {"max(50 cm, 1 m)", "100 cm"}, // in the first item's unit
        {"max(1 m, 50 cm)", "1 m"},
        {"max(1 m, 100 cm)", "1 m"}, // a tie keeps the earlier item
        {"max(100 cm, 1 m)", "100 cm"},
        {"max([10%, 20%])", "20%"},
        {"min(5, 3 m)", "3 m"},
        {"min(2 m, 30)", "2 m"},
        {"max(2 m, 30)", "30 m"},
        {"max(1, nan, 3)", "3"},
        {"min(nan, 3)", "—"},
        {"max()", "error: max needs values"},
        {"MAX()", "error: MAX needs values"},
        {"min([], [[]])", "error: min needs values"},
        {"max([1, \"a\"])", "error: max can’t take text"},
        {"min(\"a\")", "error: min can’t take text"},
        {"max(1 m, 1 kg)", "error: m and kg can't be added together"},
    };
    expectOutcomes(cases, context);
    EXPECT_EQ(evaluateLine("max([10%, 20%])"), Value::percent(20));
}

TEST(AggregateBuiltins, SumAndAverage) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"sum(1, [2, [3]], 4)", "10"},
        {"sum(1 m, 50 cm)", "1.5 m"},
        {"sum([10%, 20%])", "30%"},
        {"sum(5)", "5"},
        {"sum([])", "error: sum needs values"},
        {"SUM()", "error: sum needs values"},
        {"sum(\"a\")", "error: sum can’t take text"},
        {"sum(1 m, 1 kg)", "error: m and kg can't be added together"},
        {"avg(1, 2, 3, 4)", "2.5"},
        {"avg(1 m, 50 cm)", "0.75 m"},
        {"average()", "error: avg needs values"},
        {"AVG()", "error: avg needs values"},
        {"average(\"a\")", "error: average can’t take text"},
        // The mean of percentages is a percentage, as their sum is.
        {"avg([10%, 20%])", "15%"},
        {"average([10%, 20%, 30%])", "20%"},
        {"avg([10%, 5])", "2.55"},
    };
    expectOutcomes(cases);
    EXPECT_EQ(evaluateLine("avg([10%, 20%])"), Value::percent(15));

    EngineSettingsScope japanese(AppLanguage::japanese);
    const LineCase japaneseCases[] = {
        {"max()", "error: max には値が必要です"},
        {"sum()", "error: sum には値が必要です"},
        {"average()", "error: avg には値が必要です"},
        {"sum(\"a\")", "error: sum に文字は渡せません"},
    };
    expectOutcomes(japaneseCases);
}

TEST(AggregateBuiltins, LenAndStr) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"len([1, [2, 3]])", "2"},
        {"len(\"日本語\")", "3"},
        {"len(\"e\u0301\")", "1"},
        {"len(\"\")", "0"},
        {"len(5)", "error: len counts the length of a list or text"},
        {"len()", "error: len needs one argument"},
        {"str(1234567.5)", "1234567.5"},
        {"str(\"a\")", "a"},
        {"str([\"a\"])", "[\"a\"]"},
        {"str(50%)", "0.5"},
        {"str(5 m)", "5 m"},
        {"len(str(1234))", "4"},
        {"str(1, 2)", "error: str needs one argument"},
    };
    expectOutcomes(cases);
    EXPECT_EQ(evaluateLine("str(1234)"), Value::text("1234"));

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("len(5)"), "error: len は表か文字の長さを数えます");
}

// str makes a text, and a text stays within the text limit: the display of a list of long texts is
// refused, however many levels of lists multiply it.
TEST(AggregateBuiltins, StrKeepsTheTextLimit) {
    EngineSettingsScope english(AppLanguage::english);
    TestContext context;
    context.names.emplace("fits", Value::text(std::string(Value::maxTextLength - 4, 'a')));
    context.names.emplace("over", Value::text(std::string(Value::maxTextLength - 3, 'a')));
    context.names.emplace("long", Value::text(std::string(Value::maxTextLength, 'a')));
    const LineCase cases[] = {
        {"len(str([fits]))", "100,000"},
        {"str([over])", "error: The text is too long"},
        {"len(str(long))", "100,000"},
        {"str([long, long])", "error: The text is too long"},
        {"str([[long] * 100] * 100)", "error: The text is too long"},
    };
    expectOutcomes(cases, context);
}

TEST(AggregateBuiltins, ListAndReverse) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"list(\"abc\")", "[\"a\", \"b\", \"c\"]"},
        {"list(\"日本\")", "[\"日\", \"本\"]"},
        {"list(1, 2)", "[1, 2]"},
        {"list([1, 2])", "[1, 2]"},
        {"list(5)", "[5]"},
        {"list(50%)", "[0.5]"},
        {"list()", "[]"},
        {"list(\"\")", "[]"},
        {"reverse(\"abc\")", "cba"},
        {"reverse(\"日本語\")", "語本日"},
        {"reverse(\"ae\u0301\")", "e\u0301a"},
        {"reverse([1, 2, 3])", "[3, 2, 1]"},
        {"reverse(1, 2, 3)", "[3, 2, 1]"},
        {"reverse()", "[]"},
        {"reverse(5)", "error: reverse works on a list or text"},
    };
    expectOutcomes(cases);
    EXPECT_TRUE(evaluateLine("reverse(\"abc\")").isText());

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("reverse(5)"), "error: reverse は表か文字を逆に並べます");
}

TEST(AggregateBuiltins, Sort) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"sort([3, 1, 2])", "[1, 2, 3]"},
        {"sort(3, 1, 2)", "[1, 2, 3]"},
        {"sort(\"cab\")", "[\"a\", \"b\", \"c\"]"},
        {"sort([\"b\", \"a\"])", "[\"a\", \"b\"]"},
        {"sort([\"apples\", \"a\", \"B\", \"apple\"])", "[\"B\", \"a\", \"apple\", \"apples\"]"},
        {"sort(1 m, 50 cm)", "[50 cm, 1 m]"},
        {"sort(1 m, 100 cm, 50 cm)", "[50 cm, 1 m, 100 cm]"}, // equal keys keep their order
        {"sort([50%, 0.2, 1])", "[0.2, 50%, 1]"},
        {"sort([])", "[]"},
        {"sort()", "[]"},
        {"sort([1, \"a\"])", "error: sort needs all numbers or all text"},
        {"sort([[1], [2]])", "error: sort needs all numbers or all text"},
        {"sort(5)", "error: sort arranges the items of a list"},
        {"sort(1 m, 1 kg)", "error: m and kg can't be added together"},
    };
    expectOutcomes(cases);

    // Canonically equivalent texts are equal and keep their order; é (U+00E9) sorts after f.
    const Value texts = evaluateLine("sort([\"f\", \"e\u0301\", \"\u00e9\", \"e\"])");
    ASSERT_EQ(texts.items().size(), 4u);
    EXPECT_EQ(texts.items()[0].textValue(), "e");
    EXPECT_EQ(texts.items()[1].textValue(), "f");
    EXPECT_EQ(texts.items()[2].textValue(), "e\u0301");
    EXPECT_EQ(texts.items()[3].textValue(), "\u00e9");

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("sort(5)"), "error: sort は表の中身を並べ替えます");
    EXPECT_EQ(outcome("sort([1, \"a\"])"), "error: sort で並べ替えられるのは、数どうしか文字どうしです");
}

// A list repeated with "*" holds one long text a hundred thousand times: sorting it must not take a
// composed copy of the text for every item (30 GB here) or read the text at every comparison.
TEST(AggregateBuiltins, SortOfOneLongTextRepeated) {
    TestContext context;
    const Value longText = Value::multiply(Value::text("日"), Value(100000));
    context.names.emplace("many", Value::multiply(Value::list({longText}), Value(100000)));
    context.names.emplace("mixed", Value::list({longText, Value::text("b"), longText, Value::text("a")}));
    const Value sorted = evaluateLine("sort(many)", context);
    ASSERT_EQ(sorted.items().size(), 100000u);
    EXPECT_EQ(sorted.items().back(), longText);
    const Value mixed = evaluateLine("sort(mixed)", context);
    EXPECT_EQ(mixed, Value::list({Value::text("a"), Value::text("b"), longText, longText}));
}

// Not-a-number keys have no place among the others: they go last, in their order, and the sort
// stays well defined however many there are.
TEST(AggregateBuiltins, SortPlacesNotANumberLast) {
    std::vector<Value> items;
    for (int i = 0; i < 2000; ++i) {
        const double key = i % 3 == 0 ? nan : static_cast<double>((i * 7919) % 1000);
        items.emplace_back(key);
    }
    TestContext context;
    context.names.emplace("items", Value::list(items));
    const Value sorted = evaluateLine("sort(items)", context);
    ASSERT_EQ(sorted.items().size(), items.size());
    const auto& result = sorted.items();
    const auto firstNan =
        std::find_if(result.begin(), result.end(), [](const Value& v) { return std::isnan(v.number); });
    EXPECT_EQ(result.end() - firstNan, 667);
    EXPECT_TRUE(std::all_of(firstNan, result.end(), [](const Value& v) { return std::isnan(v.number); }));
    EXPECT_TRUE(std::is_sorted(result.begin(), firstNan,
                               [](const Value& a, const Value& b) { return a.number < b.number; }));
}

// Lists made by functions obey the same limits as lists written out.
TEST(AggregateBuiltins, ListsMadeByFunctionsKeepTheLimits) {
    EngineSettingsScope english(AppLanguage::english);
    Value deep(1);
    for (std::size_t i = 0; i < Value::maxListDepth; ++i)
        deep = Value::list({deep});
    TestContext context;
    context.names.emplace("deep", deep);
    context.names.emplace("big", Value::list(std::vector<Value>(60000, Value(1))));
    const LineCase cases[] = {
        {"list(deep, 1)", "error: The list is too big"},
        {"reverse(deep, 1)", "error: The list is too big"},
        {"list(big, big)", "error: The list is too big"},
        {"reverse(big, big)", "error: The list is too big"},
        {"len(list(deep))", "1"},
        {"len(reverse(big))", "60,000"},
        {"len(sort(big))", "60,000"},
    };
    expectOutcomes(cases, context);
}

} // namespace
} // namespace vell
