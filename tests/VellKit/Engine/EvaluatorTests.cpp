#include "Engine/Evaluator.h"
#include "Engine/UnitRegistry.h"
#include "EvalTestSupport.h"
#include "MessageTestSupport.h"
#include "Support/Units.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::evaluateLine;
using testsupport::expectOutcomes;
using testsupport::LineCase;
using testsupport::messageOf;
using testsupport::outcome;
using testsupport::TestContext;
using testsupport::unit;

// A list nested `depth` levels deep around the number 1.
Value nested(std::size_t depth) {
    Value value(1);
    for (std::size_t i = 0; i < depth; ++i)
        value = Value::list({value});
    return value;
}

std::string brackets(std::size_t depth) {
    return std::string(depth, '[') + "1" + std::string(depth, ']');
}

TEST(Evaluator, ConstantsArePlainNumbersMatchedExactly) {
    EngineSettingsScope english(AppLanguage::english);
    for (const char* name : {"pi", "π", "PI"})
        EXPECT_EQ(evaluateLine(name), Value(3.141592653589793)) << name;
    for (const char* name : {"tau", "τ"})
        EXPECT_EQ(evaluateLine(name), Value(6.283185307179586)) << name;
    EXPECT_EQ(evaluateLine("e"), Value(2.718281828459045));
    EXPECT_EQ(evaluateLine("True"), Value(1));
    EXPECT_EQ(evaluateLine("False"), Value(0));
    EXPECT_EQ(outcome("true"), "error: true is not defined");
    EXPECT_EQ(outcome("Pi"), "error: Pi is not defined");

    EXPECT_EQ(Evaluator::constants().size(), 8u);
    EXPECT_EQ(Evaluator::constant("tau"), 2 * std::numbers::pi);
    EXPECT_EQ(Evaluator::constant("TRUE"), std::nullopt);
}

TEST(Evaluator, NamesResolveContextThenConstantsThenUnits) {
    EngineSettingsScope english(AppLanguage::english);
    TestContext context;
    context.names.emplace("e", Value(5));
    context.names.emplace("m", Value(3));
    EXPECT_EQ(outcome("e", context), "5");
    EXPECT_EQ(outcome("2 m", context), "6"); // a defined name wins over the unit
    EXPECT_EQ(outcome("pi"), "3.1415926536");
    EXPECT_EQ(outcome("km"), "1 km");
    EXPECT_EQ(outcome("km to m"), "1,000 m");
    EXPECT_EQ(outcome("l"), "1 L");
    const Value kilometre = evaluateLine("km");
    EXPECT_EQ(kilometre, Value(1, unit("km")));
    EXPECT_FALSE(kilometre.isPercent);
}

// True exactly when the first thing evaluation does is resolve a name that resolves to nothing;
// such a line fails before it calls or reads anything else.
TEST(Evaluator, BeginsWithUndefinedName) {
    const struct {
        std::string_view line;
        bool begins;
    } cases[] = {
        {"nosuch", true},      {"nosuch + 1", true},   {"1 + nosuch", false}, {"-nosuch", true},
        {"nosuch%", true},     {"[nosuch, 1]", true},  {"[]", false},         {"nosuch[0]", true},
        {"f(nosuch)", true},   {"f()", false},         {"nosuch in m", true}, {"nosuch of 5", true},
        {"(nosuch) kg", true}, {"nosuch and 0", true}, {"not nosuch", true},  {"price extra", false},
        {"pi", false},         {"km", false},          {"\"a\"", false},      {"#2", false},
    };
    for (const auto& c : cases) {
        TestContext context;
        context.names.emplace("price", Value(5.0));
        const Statement statement = Parser(Lexer::tokenize(c.line)).parseStatement();
        EXPECT_EQ(Evaluator(context).beginsWithUndefinedName(*statement.expr), c.begins) << c.line;
        if (c.begins) {
            EXPECT_THROW(Evaluator(context).evaluate(*statement.expr), CalcError) << c.line;
            EXPECT_TRUE(context.calls.empty()) << c.line;
        }
    }
}

TEST(Evaluator, UndefinedNamesHintAtUppercaseUnits) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"n", "error: n is not defined (for the unit N, write it uppercase: N)"},
        {"n + 1", "error: n is not defined (for the unit N, write it uppercase: N)"},
        {"nn", "error: nn is not defined"},
        {"foo", "error: foo is not defined"},
        {"2 zz", "error: zz is not defined"},
    };
    expectOutcomes(cases);
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("n"), "error: n が定義されていません（単位の N なら N と大文字で書きます）");
    EXPECT_EQ(outcome("foo"), "error: foo が定義されていません");
}

TEST(Evaluator, LineReferencesGiveTheStoredValueUnchanged) {
    EngineSettingsScope english(AppLanguage::english);
    TestContext context;
    context.lines.emplace(3, Value::percent(7));
    context.lines.emplace(4, Value(2, unit("m")));
    EXPECT_EQ(evaluateLine("#3", context), Value::percent(7));
    EXPECT_EQ(outcome("#4 + 1", context), "3 m");
    EXPECT_EQ(outcome("#99", context), "error: #99 not found");
    EXPECT_EQ(outcome("#0", context), "error: #0 not found");
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("#99", context), "error: #99 が見つかりません");
}

TEST(Evaluator, NegationNotAndPercent) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"-(5%)", "-5%"},
        {"-(3 m)", "-3 m"},
        {"- [1, 2]", "error: Can’t negate a list"},
        {"-\"a\"", "error: Can’t negate text"},
        {"not 0", "1"},
        {"not \"a\"", "0"},
        {"not []", "1"},
        {"5%", "5%"},
        {"(5%)%", "5%"},
        {"(5 m)%", "error: % can’t follow a value with a unit"},
        {"\"a\"%", "error: Can’t attach % to text"},
        {"[1]%", "error: Can’t attach % to a list"},
    };
    expectOutcomes(cases);
    EXPECT_EQ(evaluateLine("-(5%)"), Value::percent(-5));
    EXPECT_EQ(evaluateLine("not 0"), Value(1)); // a plain number, not a percentage or a unit

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("- [1]"), "error: 表に − は付けられません");
    EXPECT_EQ(outcome("\"a\"%"), "error: 文字に % は付けられません");
    EXPECT_EQ(outcome("(5 m)%"), "error: 単位のある値に % は付けられません");
}

TEST(Evaluator, AndOrGiveAnOperandAndSkipTheRightSide) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"2 and 3", "3"},
        {"0 and 3", "0"},
        {"0 and undefinedname", "0"},
        {"\"\" or \"b\"", "b"},
        {"0 or \"x\"", "x"},
        {"[] or 5", "5"},
        {"1 or q", "1"},
        {"1 and q", "error: q is not defined"},
    };
    expectOutcomes(cases);

    // The right side is not even evaluated: the context never hears of f.
    TestContext context;
    EXPECT_EQ(outcome("1 or f(2)", context), "1");
    EXPECT_TRUE(context.calls.empty());
}

TEST(Evaluator, OperatorsMapOntoTheArithmeticLeftSideFirst) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"200 + 10%", "220"},
        {"200 - 10%", "180"},
        {"1200 × 35", "42,000"},
        {"2 ^ 10", "1,024"},
        {"1 + q", "error: q is not defined"},
        {"q + 1", "error: q is not defined"},
        {"(1/0) + q", "error: Cannot divide by zero"},
        {"[1] + 1", "error: + doesn't work between a list and a number"},
    };
    expectOutcomes(cases);
}

TEST(Evaluator, UnknownOperatorIsReportedAfterBothSides) {
    EngineSettingsScope english(AppLanguage::english);
    EmptyContext context;
    const auto message = [&](const ExprPtr& expression) {
        return messageOf([&] { Evaluator(context).evaluate(*expression); });
    };
    EXPECT_EQ(message(Expr::binary("=", Expr::number(1), Expr::number(2))), "“=” can’t be used here");
    EXPECT_EQ(message(Expr::binary("=", Expr::number(1), Expr::identifier("q"))), "q is not defined");
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(message(Expr::binary("=", Expr::number(1), Expr::number(2))), "「=」は使えません");
}

TEST(Evaluator, NamesAndUnitsAfterAValue) {
    EngineSettingsScope english(AppLanguage::english);
    TestContext context;
    context.names.emplace("apples", Value(120));
    context.names.emplace("rent", Value(5, unit("m")));
    context.names.emplace("food", Value(20, unit("cm")));
    context.names.emplace("x", Value(2));
    context.names.emplace("y", Value(5));
    const LineCase cases[] = {
        {"5 km", "5 km"},
        {"3 apples", "360"},
        {"rent food", "5.2 m"}, // defined names side by side add up
        {"x y apples", "127"},  // ... however many there are
        {"3 x y", "30"},        // a number never starts a chain
        {"2 pi", "6.2831853072"},
        {"2 N m", "2 N·m"},
        {"5 m s", "5 m·s"},
        {"5 m cm", "error: Can’t add cm on top of m"},
        {"3 kg g", "error: Can’t add g on top of kg"},
        {"(5%) m", "error: Can’t attach m to a percentage"},
        {"[1] m", "error: Can’t attach a unit to a list"},
        {"\"a\" m", "error: Can’t attach a unit to text"},
        {"x zz", "error: zz is not defined"},
    };
    expectOutcomes(cases, context);
    EXPECT_EQ(evaluateLine("5 km"), Value(5, unit("km"))); // attached, not converted

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("5 m cm"), "error: m にさらに cm は付けられません");
    EXPECT_EQ(outcome("(5%) m"), "error: パーセントに m は付けられません");
    EXPECT_EQ(outcome("[1] m"), "error: 表に単位は付けられません");
}

TEST(Evaluator, Conversions) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"5 km to m", "5,000 m"},
        {"5 to km", "5 km"},
        {"50% to m", "0.5 m"},
        {"36 km/h to m/s", "10 m/s"},
        {"5 to furlong", "error: Unknown unit “furlong”"},
        {"q to furlong", "error: q is not defined"},
        {"5 km to kg", "error: Can't convert km to kg"},
        {"[1] to m", "error: Can't attach a unit to a list"},
    };
    expectOutcomes(cases);
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("5 to furlong"), "error: furlong という単位は知りません");
}

TEST(Evaluator, ConversionsKeepSmallValuesAndCancelToZero) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"1e-13 °C in °C", "1e-13°C"},
        {"1e-13 °F in °F", "1e-13°F"},
        {"2.5 km in km", "2.5 km"},
        {"1e12 畳 in 畳", "1,000,000,000,000畳"},
        {"-459.67 °F in K", "0 K"},
        {"273.15 K in °C", "0°C"},
        {"-273.15 °C in K", "0 K"},
        {"0 °C in °F", "32°F"},
        {"-40 °C in °F", "-40°F"},
        {"100 °F in °C", "37.7777777778°C"},
        {"32 °F in K", "273.15 K"},
        {"273.1500001 K in °C", "0.0000001°C"},
        // The same unit on both sides compares equal however small the value.
        {"0.001 °C == 0.001 °C", "1"},
        {"1e-5 °F == 1e-5 °F", "1"},
        {"1e12 km/h == 1e12 km/h", "1"},
        {"-459.67 °F == 0 K", "1"},
    };
    expectOutcomes(cases);
}

TEST(Evaluator, ACurrencySignBeforeASignedNumberIsASignedAmount) {
    TestContext context;
    context.names.emplace("h", Value(10));
    const LineCase cases[] = {
        {"$-5", "-5$"},
        {"$ -5", "-5$"},
        {"¥-300", "-300円"},
        {"€ -3.5", "-3.5€"},
        {"-$5", "-5$"},
        {"$+5", "5$"},
        {"5 - $3", "2$"},
        {"$-5 - $2", "-7$"},
        {"$5 + $-3", "2$"},
        {"￥-1,000", "-1,000円"},
        // A named value that is also a unit's name is still subtracted from.
        {"h - 5", "5"},
    };
    expectOutcomes(cases, context);
    const testsupport::BilingualFailure failures[] = {
        {"$-5 in ¥", "Can't convert $ to 円", "$ は 円 に変換できません"},
        {"$-5 + ¥300", "$ and 円 can't be added together", "$ と 円 は足し引きできません"},
        {"$-5%", "Can’t attach $ to a percentage", "パーセントに $ は付けられません"},
    };
    testsupport::expectFailuresInBothLanguages(
        failures, [](const std::string& line) { return messageOf([&] { evaluateLine(line); }); });
}

TEST(Evaluator, PercentOf) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"10% of 200", "20"},
        {"10% of 5 kg", "0.5 kg"},
        {"10% of 3 m²", "0.3 m²"},
        {"50% of 20%", "10%"},
        {"3 of 4", "12"},
        {"\"a\" of 2", "error: Text and a number can't be joined with of (str(value) makes text)"},
        {"[1] of 2", "error: of doesn't work between a list and a number"},
    };
    expectOutcomes(cases);
    EXPECT_EQ(evaluateLine("50% of 20%"), Value::percent(10));
}

TEST(Evaluator, ListLiteralsKeepTheNestingAndSizeLimits) {
    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(outcome("[1, \"a\", [2, 3]]"), "[1, \"a\", [2, 3]]");
    EXPECT_EQ(outcome("[1 m, 5%]"), "[1 m, 5%]");
    EXPECT_EQ(evaluateLine(brackets(Value::maxListDepth)), nested(Value::maxListDepth));
    EXPECT_EQ(outcome(brackets(Value::maxListDepth + 1)), "error: The list is too big");

    TestContext context;
    context.names.emplace("deep", nested(Value::maxListDepth));
    context.names.emplace("big", Value::list(std::vector<Value>(60000, Value(1))));
    EXPECT_EQ(outcome("[deep]", context), "error: The list is too big");
    EXPECT_EQ(outcome("[big, big]", context), "error: The list is too big");
    EXPECT_EQ(evaluateLine("[big]", context).kind.listWeight(), 60001u);
}

TEST(Evaluator, CallsOfferTheContextFirstWithTheNameAsWritten) {
    EngineSettingsScope english(AppLanguage::english);
    TestContext context;
    context.functions.emplace("sqrt", [](const std::vector<Value>&) { return Value(99); });
    EXPECT_EQ(outcome("sqrt(16)", context), "99");
    EXPECT_EQ(outcome("SQRT(16)", context), "4"); // the context knows no "SQRT"
    ASSERT_EQ(context.calls.size(), 2u);
    EXPECT_EQ(context.calls[0].first, "sqrt");
    EXPECT_EQ(context.calls[1].first, "SQRT");

    // Percentages reach a user function as fractions; those inside lists stay as they are.
    context.calls.clear();
    context.functions.emplace("f", [](const std::vector<Value>& arguments) { return arguments.front(); });
    EXPECT_EQ(evaluateLine("f(25%)", context), Value(0.25));
    EXPECT_EQ(evaluateLine("f([5%])", context), Value::list({Value::percent(5)}));
    EXPECT_EQ(evaluateLine("f(\"a\")", context), Value::text("a")); // any kind, any answer

    // A failing argument ends the call before the context is asked.
    context.calls.clear();
    EXPECT_EQ(outcome("f(q, r)", context), "error: q is not defined");
    EXPECT_TRUE(context.calls.empty());
}

TEST(Evaluator, ErrorsOfTheContextPassThroughUnchanged) {
    struct Signal {};
    TestContext context;
    context.functions.emplace("fails", [](const std::vector<Value>&) -> Value { throw CalcError("boom"); });
    context.functions.emplace("unwinds", [](const std::vector<Value>&) -> Value { throw Signal{}; });
    EXPECT_EQ(outcome("1 + fails()", context), "error: boom");
    EXPECT_THROW(evaluateLine("[1, 2 + unwinds()] == [1]", context), Signal);
    EXPECT_THROW(evaluateLine("sqrt(unwinds())", context), Signal);
}

TEST(Evaluator, BuiltinDispatchAndArgumentRules) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"SQRT(16)", "4"},
        {"Round(2.5)", "3"},
        {"sqrt(25%)", "0.5"},
        {"foo([1, 2])", "error: foo can’t take a list"},
        {"foo(1)", "error: There is no function named foo"},
        {"Foo(1)", "error: There is no function named Foo"},
        {"plot(1)", "error: There is no function named plot"},
        {"bars(1)", "error: There is no function named bars"},
        {"len(q, 1)", "error: q is not defined"},
        {"len(1, 2)", "error: len needs one argument"},
        {"len()", "error: len needs one argument"},
        {"abs([1])", "error: abs can’t take a list"},
        {"round(\"1\")", "error: round can’t take text"},
        {"sum([1, 2])", "3"},
        {"len(\"abc\")", "3"},
    };
    expectOutcomes(cases);

    EngineSettingsScope japanese(AppLanguage::japanese);
    const LineCase japaneseCases[] = {
        {"sqrt([1])", "error: sqrt に表は渡せません"},
        {"foo(1)", "error: foo という関数はありません"},
        {"len()", "error: len は引数が 1 つ必要です"},
    };
    expectOutcomes(japaneseCases);
}

TEST(Evaluator, BuiltinNamesAndListTakingFunctions) {
    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(Evaluator::builtinNames.size(), 38u);
    EXPECT_EQ(Evaluator::builtinNames.front(), "sqrt");
    EXPECT_EQ(Evaluator::builtinNames.back(), "bars");
    const std::unordered_set<std::string_view> expected{"len", "str",     "list", "sort", "reverse",
                                                        "sum", "average", "avg",  "min",  "max"};
    EXPECT_EQ(Evaluator::listTakingFunctions(), expected);
    // Each of the first 34 names is a function in any letter case; none of the plot words is.
    for (std::size_t i = 0; i < 34; ++i) {
        std::string upper(Evaluator::builtinNames[i]);
        for (char& c : upper)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        EXPECT_EQ(outcome(upper + "()").find("no function"), std::string::npos) << upper;
    }
}

} // namespace
} // namespace vell
