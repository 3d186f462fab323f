#include "Engine/Evaluator.h"
#include "Engine/UnitRegistry.h"
#include "EvalTestSupport.h"

#include <gtest/gtest.h>
#include <numbers>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::evaluateLine;
using testsupport::expectOutcomes;
using testsupport::LineCase;
using testsupport::outcome;
using testsupport::specialNumbers;

TEST(NumericBuiltins, RootsAbsAndSign) {
    EngineSettingsScope english(AppLanguage::english);
    auto context = specialNumbers();
    const LineCase cases[] = {
        {"sqrt(2)", "1.4142135624"},
        {"sqrt(16 m²)", "4 m"},
        {"sqrt(16 mm⁴)", "4 mm²"},
        {"sqrt(-4)", "error: Can’t take the square root of a negative number"},
        {"sqrt(-4 m²)", "error: Can’t take the square root of a negative number"},
        {"sqrt(nan)", "error: Can’t take the square root of a negative number"},
        {"sqrt(9 m)", "error: sqrt can’t take m"},
        {"SQRT(9 m)", "error: sqrt can’t take m"},
        {"sqrt(25 °C)", "error: sqrt can’t take °C"},
        {"sqrt(1 ha)", "error: sqrt can’t take ha"},
        {"sqrt(1 cm³)", "error: sqrt can’t take cm³"},
        {"Sqrt(1, 2)", "error: Sqrt needs one argument"},
        {"cbrt(-8)", "-2"},
        {"cbrt(8 m³)", "error: cbrt can’t take a value with a unit"},
        {"abs(-3 m)", "3 m"},
        {"abs(-5%)", "0.05"},
        {"sign(-3 m)", "-1"},
        {"sign(0)", "0"},
        {"sign(-0)", "0"},
        {"sign(2)", "1"},
        {"sign(nan)", "—"}, // no sign to give
    };
    expectOutcomes(cases, context);
    EXPECT_TRUE(evaluateLine("sign(-3 m)").isUnitless());

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("sqrt(-4)"), "error: 負の数の平方根は計算できません");
    EXPECT_EQ(outcome("sqrt(9 m)"), "error: sqrt に m は渡せません");
    EXPECT_EQ(outcome("cbrt(8 m)"), "error: cbrt に単位付きの値は渡せません");
}

TEST(NumericBuiltins, Rounding) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"round(2.5)", "3"},
        {"round(-2.5)", "-3"},
        {"round(12.5%)", "0"},
        {"round(1.005, 2)", "1.01"},
        {"round(0.125, 2)", "0.13"},
        {"round(1234, -2)", "1,200"},
        {"round(12.345 kg, 1)", "12.3 kg"},
        {"round(25.6 °C)", "26°C"},
        {"round(1, 15.4)", "1"},
        {"round(1, -15.4)", "0"},
        {"round(1, 15.5)", "error: Digits must be between -15 and 15"},
        {"round(1, 16)", "error: Digits must be between -15 and 15"},
        {"round(1, -16)", "error: Digits must be between -15 and 15"},
        {"round(1, 2 m)", "error: Digits can’t have a unit"},
        {"round()", "error: Use round(value) or round(value, digits)"},
        {"round(1, 2, 3)", "error: Use round(value) or round(value, digits)"},
        {"Floor()", "error: Use Floor(value) or Floor(value, digits)"},
        {"floor(-1.5)", "-2"},
        {"ceil(-1.5)", "-1"},
        {"trunc(-1.7)", "-1"},
        {"floor(1.25, 1)", "1.2"},
        {"ceil(1.21, 1)", "1.3"},
        {"trunc(-1.29, 1)", "-1.2"},
    };
    expectOutcomes(cases);

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("round()"), "error: round(値) または round(値, 桁数) で使います");
    EXPECT_EQ(outcome("round(1, 2 m)"), "error: 桁数に単位は使えません");
    EXPECT_EQ(outcome("round(1, 99)"), "error: 桁数は -15〜15 で指定してください");
}

// Scaling a large number by 10^digits overflowed to infinity: such numbers are already whole at that
// many digits and come back unchanged.
TEST(NumericBuiltins, RoundingLargeNumbersKeepsThem) {
    auto context = specialNumbers();
    for (const char* name : {"round", "floor", "ceil", "trunc"}) {
        const std::string function(name);
        EXPECT_EQ(evaluateLine(function + "(1e300, 15)"), Value(1e300)) << name;
        EXPECT_EQ(evaluateLine(function + "(-1e300, 15)"), Value(-1e300)) << name;
        EXPECT_EQ(evaluateLine(function + "(4503599627370497)"), Value(4503599627370497.0)) << name;
    }
    EXPECT_EQ(outcome("round(1e300 m, 15)"), "1e300 m");
    EXPECT_EQ(outcome("round(inf, 2)", context), "∞");
    EXPECT_EQ(outcome("round(nan)", context), "—");
    EXPECT_EQ(outcome("round(0.5, 15)"), "0.5");
}

TEST(NumericBuiltins, LogarithmsAndExp) {
    EngineSettingsScope english(AppLanguage::english);
    auto context = specialNumbers();
    const LineCase cases[] = {
        {"log(100)", "2"},
        {"log10(100)", "2"},
        {"log2(8)", "3"},
        {"ln(e)", "1"},
        {"ln(0)", "error: log works only on positive numbers"},
        {"log2(-1)", "error: log works only on positive numbers"},
        {"log10(nan)", "error: log works only on positive numbers"},
        {"ln(inf)", "error: Can’t calculate this"},
        {"log(1 m)", "error: log can’t take a value with a unit"},
        {"exp(1000)", "error: Can’t calculate this"},
        {"exp(-1000)", "0"},
        {"exp(0)", "1"},
        {"Exp(1, 2)", "error: Exp needs one argument"},
    };
    expectOutcomes(cases, context);
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("ln(0)"), "error: log は正の数にだけ使えます");
    EXPECT_EQ(outcome("exp(1000)"), "error: 計算できません");
}

TEST(NumericBuiltins, TrigonometryFollowsTheAngleSetting) {
    EngineSettingsScope english(AppLanguage::english);
    auto context = specialNumbers();
    {
        EngineSettingsScope radians;
        radians.setDegrees(false);
        const LineCase cases[] = {
            {"sin(90 deg)", "1"},
            {"sin(90°)", "1"},
            {"sin(90)", "0.8939966636"},
            {"cos(pi)", "-1"},
            {"tan(pi/4)", "1"},
            {"sin(1 rad)", "0.8414709848"},
            {"sin(1 m)", "error: sin needs an angle"},
            {"Cos(1 kg)", "error: Cos needs an angle"},
            {"sin(inf)", "error: Can’t calculate this"},
            {"asin(1)", "1.5707963268 rad"},
            {"acos(-1)", "3.1415926536 rad"},
            {"atan(1)", "0.7853981634 rad"},
            {"asin(1.5)", "error: asin needs a value between -1 and 1"},
            {"asin(nan)", "error: asin needs a value between -1 and 1"},
            {"acos(-2)", "error: acos needs a value between -1 and 1"},
            {"atan(1 m)", "error: atan can’t take a value with a unit"},
            {"atan(nan)", "— rad"},
        };
        expectOutcomes(cases, context);
    }
    {
        EngineSettingsScope degrees;
        degrees.setDegrees(true);
        const LineCase cases[] = {
            {"sin(90)", "1"},         {"sin(90 deg)", "1"},
            {"sin((pi/2) rad)", "1"}, {"cos(180)", "-1"},
            {"asin(1)", "90°"},       {"acos(-1)", "180°"},
            {"atan(1)", "45°"},       {"asin(1) to rad", "1.5707963268 rad"},
        };
        expectOutcomes(cases, context);
        EXPECT_EQ(evaluateLine("asin(1)").unit, UnitRegistry::lookup("deg"));
    }
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("sin(1 m)"), "error: sin には角度を渡してください");
    EXPECT_EQ(outcome("asin(2)"), "error: asin は -1〜1 の値にだけ使えます");
    EXPECT_EQ(outcome("acos(2)"), "error: acos は -1〜1 の値にだけ使えます");
}

TEST(NumericBuiltins, PowModAndHypot) {
    EngineSettingsScope english(AppLanguage::english);
    const LineCase cases[] = {
        {"pow(2, 10)", "1,024"},
        {"pow(2 m, 2)", "4 m²"},
        {"pow(2)", "error: Use pow(value, exponent)"},
        {"pow(0, -1)", "error: Can't calculate this"},
        {"pow(2, 3 m)", "error: An exponent can't have a unit"},
        {"mod(-7, 3)", "-1"},
        {"mod(7, -3)", "1"},
        {"mod(250 cm, 1 m)", "50 cm"},
        {"mod(7 m, 4)", "3 m"},
        {"mod(5, 0)", "error: Cannot divide by zero"},
        {"mod(5 m, 0 cm)", "error: Cannot divide by zero"},
        {"mod(1 m, 1 kg)", "error: m and kg can't be added together"},
        {"mod(5)", "error: Use mod(value, value)"},
        {"hypot(3, 4)", "5"},
        {"hypot(3 m, 400 cm)", "5 m"},
        {"hypot(1e300, 1e300)", "1.414214e300"},
        {"hypot(1, 2, 3)", "error: Use hypot(value, value)"},
    };
    expectOutcomes(cases);
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(outcome("pow(2)"), "error: pow(値, 指数) で使います");
    EXPECT_EQ(outcome("mod(5, 0)"), "error: 0 では割れません");
    EXPECT_EQ(outcome("mod(5)"), "error: mod(値, 値) で使います");
    EXPECT_EQ(outcome("hypot(5)"), "error: hypot(値, 値) で使います");
}

TEST(NumericBuiltins, GcdAndLcm) {
    EngineSettingsScope english(AppLanguage::english);
    auto context = specialNumbers();
    const LineCase cases[] = {
        {"gcd(12, 18)", "6"},
        {"gcd(-12, 18)", "6"},
        {"gcd(2.5, 5)", "1"},
        {"gcd(2^53, 6)", "2"},
        {"gcd(2^53 + 2, 6)", "error: The numbers are too large for gcd"},
        {"gcd(nan, 6)", "error: The numbers are too large for gcd"},
        {"GCD(6, inf)", "error: The numbers are too large for GCD"},
        {"gcd(0, 5)", "error: Zero can’t be used here"},
        {"lcm(0.4, 2)", "error: Zero can’t be used here"},
        {"gcd(4 m, 2)", "error: gcd can’t take a value with a unit"},
        {"lcm(4, 2 m)", "error: lcm can’t take a value with a unit"},
        {"gcd(1)", "error: Use gcd(integer, integer)"},
        {"LCM(1, 2, 3)", "error: Use LCM(integer, integer)"},
        {"lcm(4, 6)", "12"},
        {"lcm(-4, 6)", "12"},
        {"lcm(2^53, 2^53 - 1)", "error: The lcm result is too large"},
    };
    expectOutcomes(cases, context);
    EXPECT_EQ(evaluateLine("lcm(2^52, 3)"), Value(13510798882111488.0));

    EngineSettingsScope japanese(AppLanguage::japanese);
    const LineCase japaneseCases[] = {
        {"gcd(1)", "error: gcd(整数, 整数) で使います"},
        {"gcd(2^60, 1)", "error: gcd には大きすぎる数です"},
        {"gcd(0, 1)", "error: 0 は使えません"},
        {"lcm(2^53, 2^53 - 1)", "error: lcm の答えが大きすぎます"},
    };
    expectOutcomes(japaneseCases);
}

} // namespace
} // namespace vell
