#include "Engine/CalcError.h"
#include "Engine/UnitRegistry.h"
#include "Engine/Value.h"
#include "MessageTestSupport.h"
#include "Support/Units.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::in;
using testsupport::messageOf;
using testsupport::unit;

Value pct(double figure) {
    return Value::percent(figure);
}
Value txt(std::string text) {
    return Value::text(std::move(text));
}
Value list(std::vector<Value> items) {
    return Value::list(std::move(items));
}

// The expected unit is compared by symbol too, so a result in cm is not mistaken for one in m.
void expectValue(const Value& actual, const Value& expected, const std::string& label) {
    EXPECT_EQ(actual, expected) << label << ": " << actual << " (expected " << expected << ")";
    if (actual.unit && expected.unit) {
        EXPECT_EQ(actual.unit->symbol(), expected.unit->symbol()) << label;
    }
}

TEST(ValueArithmetic, NumbersWithUnitsAndPercentages) {
    struct Case {
        const char* label;
        std::function<Value()> op;
        Value expected;
    };
    const Case cases[] = {
        {"100 + 8%", [] { return Value::add(Value(100), pct(8)); }, Value(108)},
        {"100 - 8%", [] { return Value::subtract(Value(100), pct(8)); }, Value(92)},
        {"200 円 + 10%", [] { return Value::add(in(200, "円"), pct(10)); }, in(220, "円")},
        {"5% + 3%", [] { return Value::add(pct(5), pct(3)); }, pct(8)},
        {"5% - 8%", [] { return Value::subtract(pct(5), pct(8)); }, pct(-3)},
        {"10% + 5", [] { return Value::add(pct(10), Value(5)); }, Value(5.1)},
        {"10% + 5 m", [] { return Value::add(pct(10), in(5, "m")); }, in(5.1, "m")},
        {"3 + 2 m", [] { return Value::add(Value(3), in(2, "m")); }, in(5, "m")},
        {"2 m + 3", [] { return Value::add(in(2, "m"), Value(3)); }, in(5, "m")},
        {"1 m + 20 cm", [] { return Value::add(in(1, "m"), in(20, "cm")); }, in(1.2, "m")},
        {"20 cm + 1 m", [] { return Value::add(in(20, "cm"), in(1, "m")); }, in(120, "cm")},
        {"10 °C + 5 °C", [] { return Value::add(in(10, "°C"), in(5, "°C")); }, in(15, "°C")},
        {"10 °C + 5 K", [] { return Value::add(in(10, "°C"), in(5, "K")); }, in(-258.15, "°C")},
        {"5 m - 2 m", [] { return Value::subtract(in(5, "m"), in(2, "m")); }, in(3, "m")},
        {"0.1 + 0.2 - 0.3", [] { return Value::subtract(Value::add(Value(0.1), Value(0.2)), Value(0.3)); },
         Value(0)},
        {"50% × 8", [] { return Value::multiply(pct(50), Value(8)); }, Value(4)},
        {"2 m × 3 m", [] { return Value::multiply(in(2, "m"), in(3, "m")); }, in(6, "m²")},
        {"2 km × 3 m", [] { return Value::multiply(in(2, "km"), in(3, "m")); }, in(0.006, "km²")},
        {"2 N × 3 m", [] { return Value::multiply(in(2, "N"), in(3, "m")); }, in(6, "N*m")},
        {"2 × 3 °C", [] { return Value::multiply(Value(2), in(3, "°C")); }, in(6, "°C")},
        {"6 / 50%", [] { return Value::divide(Value(6), pct(50)); }, Value(12)},
        {"5 km / 2 m", [] { return Value::divide(in(5, "km"), in(2, "m")); }, Value(2500)},
        {"10 m / 2 s", [] { return Value::divide(in(10, "m"), in(2, "s")); }, in(5, "m/s")},
        {"90 km/h × 2 h", [] { return Value::multiply(in(90, "km/h"), in(2, "h")); }, in(180, "km")},
        {"1 / 4 s", [] { return Value::divide(Value(1), in(4, "s")); }, in(0.25, "s^-1")},
        {"2 ^ 10", [] { return Value::power(Value(2), Value(10)); }, Value(1024)},
        {"(2 m) ^ 2", [] { return Value::power(in(2, "m"), Value(2)); }, in(4, "m²")},
        {"(2 m) ^ 9", [] { return Value::power(in(2, "m"), Value(9)); }, in(512, "m^9")},
        {"(2 m) ^ -1", [] { return Value::power(in(2, "m"), Value(-1)); }, in(0.5, "m^-1")},
        {"(2 m) ^ 0", [] { return Value::power(in(2, "m"), Value(0)); }, Value(1)},
        {"(3 m/s) ^ 2", [] { return Value::power(in(3, "m/s"), Value(2)); }, in(9, "m2/s2")},
        {"(2 m²) ^ 2", [] { return Value::power(in(2, "m²"), Value(2)); }, in(4, "m^4")},
        {"4 ^ 50%", [] { return Value::power(Value(4), pct(50)); }, Value(2)},
    };
    for (const auto& c : cases)
        expectValue(c.op(), c.expected, c.label);

    // The percentage results stay percentages; every other result is not one.
    EXPECT_TRUE(Value::add(pct(5), pct(3)).isPercent);
    EXPECT_FALSE(Value::add(Value(100), pct(8)).isPercent);
    // A unit to the power 1 is the unit itself.
    EXPECT_TRUE(Value::power(in(2, "km"), Value(1)).unit->isIdentical(unit("km")));
    // 50 °F is 10 °C, so this is 20 °C within display precision.
    Value warm = Value::add(in(10, "°C"), in(50, "°F"));
    EXPECT_EQ(warm.unit->symbol(), "°C");
    EXPECT_NEAR(warm.number, 20, 1e-12);
    EXPECT_NEAR(Value::power(Value(2), Value(0.5)).number, 1.41421356, 1e-8);
    // A NaN divisor is not zero.
    EXPECT_TRUE(std::isnan(Value::divide(Value(1), Value(std::numeric_limits<double>::quiet_NaN())).number));
}

TEST(ValueArithmetic, SnapsOnlyAlignedSumsToZero) {
    EXPECT_EQ(Value::subtract(Value::add(Value(0.1), Value(0.2)), Value(0.3)).number, 0.0);
    EXPECT_EQ(Value::add(in(0.3, "m"), in(-30, "cm")).number, 0.0);
    // A difference at the 1e-14 scale of the operands survives; below it, it is noise.
    EXPECT_EQ(Value::subtract(Value(1e13 + 1), Value(1e13)).number, 1);
    EXPECT_EQ(Value::subtract(Value(1e15 + 1), Value(1e15)).number, 0);
    // Rows with a percentage on the right are not snapped, but still compute their formula.
    EXPECT_EQ(Value::subtract(Value(100), pct(100)).number, 0);
}

TEST(ValueArithmetic, TextsAndLists) {
    EXPECT_EQ(Value::add(txt("ab"), txt("cd")), txt("abcd"));
    EXPECT_EQ(Value::add(list({Value(1), Value(2)}), list({Value(3)})), list({Value(1), Value(2), Value(3)}));
    EXPECT_EQ(Value::multiply(txt("ab"), Value(3)), txt("ababab"));
    EXPECT_EQ(Value::multiply(Value(3), txt("ab")), txt("ababab"));
    EXPECT_EQ(Value::multiply(list({Value(1), Value(2)}), Value(2)),
              list({Value(1), Value(2), Value(1), Value(2)}));
    EXPECT_EQ(Value::multiply(txt("ab"), Value(-2)), txt(""));
    EXPECT_EQ(Value::multiply(txt("ab"), Value(0)), txt(""));
    EXPECT_EQ(Value::multiply(txt("ab"), pct(200)), txt("abab"));
    EXPECT_EQ(Value::multiply(list({}), Value(1e300)), list({}));
    EXPECT_EQ(Value::multiply(txt(""), Value(1e300)), txt(""));
}

TEST(ValueArithmetic, Conversion) {
    expectValue(Value(5).converted(unit("km")), in(5, "km"), "5 to km");
    expectValue(in(5, "km").converted(unit("m")), in(5000, "m"), "5 km to m");
    EXPECT_NEAR(in(0, "°C").converted(unit("°F")).number, 32, 1e-12);
    // The °F row is built so that 32 °F is exactly 0 °C and 212 °F is 100 °C.
    EXPECT_EQ(in(32, "°F").converted(unit("K")).number, 273.15);
    EXPECT_EQ(in(32, "°F").converted(unit("°C")).number, 0);
    EXPECT_NEAR(in(212, "°F").converted(unit("°C")).number, 100, 1e-12);
    EXPECT_FALSE(pct(5).converted(unit("m")).isPercent);
    auto aligned = Value::alignUnits(pct(5), in(2, "m"));
    EXPECT_EQ(aligned.left, 5); // percent flags are ignored
    EXPECT_EQ(aligned.right, 2);
    EXPECT_EQ(aligned.unit->symbol(), "m");
    aligned = Value::alignUnits(in(1, "m"), in(250, "cm"));
    EXPECT_EQ(aligned.right, 2.5);
}

TEST(ValueArithmetic, ConversionGivesTheSameUnitBackAndCancelsOffsetsToZero) {
    const struct {
        double x;
        const char* from;
        const char* to;
        double expected;
    } exact[] = {
        {1e-13, "°C", "°C", 1e-13}, {1e-13, "°F", "°F", 1e-13}, {1e12, "畳", "畳", 1e12},
        {2.5, "km", "km", 2.5},     {-459.67, "°F", "K", 0},    {273.15, "K", "°C", 0},
        {-273.15, "°C", "K", 0},    {32, "°F", "°C", 0},        {5, "km", "m", 5000},
    };
    for (const auto& c : exact) {
        const Value converted = in(c.x, c.from).converted(unit(c.to));
        EXPECT_EQ(converted.number, c.expected) << c.x << " " << c.from << " in " << c.to;
        EXPECT_FALSE(std::signbit(converted.number)) << c.x << " " << c.from << " in " << c.to;
    }
    // A real difference from the offset, however small against it, is no noise.
    const double justAbove = in(273.15 + 1e-9, "K").converted(unit("°C")).number;
    EXPECT_NE(justAbove, 0);
    EXPECT_NEAR(justAbove, 1e-9, 1e-12);
    EXPECT_NEAR(in(1e-9, "°C").converted(unit("K")).number, 273.150000001, 1e-12);
}

TEST(ValueArithmetic, RefusalsInBothLanguages) {
    const Value big = Value::multiply(list({Value(0)}), Value(60000));
    const Value halfText = Value::multiply(txt("x"), Value(50000));
    const Value halfKanji = Value::multiply(txt("日"), Value(50000));
    std::string accents = "a";
    for (int i = 0; i < 2000; ++i)
        accents += "\u0301";
    const Value longCharacter = txt(accents);
    struct Case {
        const char* label;
        std::function<Value()> op;
        const char* japanese;
        const char* english;
    };
    const Case cases[] = {
        {"ab + 1", [] { return Value::add(txt("ab"), Value(1)); },
         "文字と数は + でつなげません（str(値) で文字にできます）",
         "Text and a number can't be joined with + (str(value) makes text)"},
        {"1 + ab", [] { return Value::add(Value(1), txt("ab")); },
         "文字と数は + でつなげません（str(値) で文字にできます）",
         "Text and a number can't be joined with + (str(value) makes text)"},
        {"ab + [1]", [] { return Value::add(txt("ab"), list({Value(1)})); },
         "文字と表は + でつなげません（str(値) で文字にできます）",
         "Text and a list can't be joined with + (str(value) makes text)"},
        {"[1] + 1", [] { return Value::add(list({Value(1)}), Value(1)); }, "表と数は + で計算できません",
         "+ doesn't work between a list and a number"},
        {"ab - cd", [] { return Value::subtract(txt("ab"), txt("cd")); }, "文字と文字は - で計算できません",
         "- doesn't work between text and text"},
        {"[1] - [1]", [] { return Value::subtract(list({}), list({})); }, "表と表は - で計算できません",
         "- doesn't work between a list and a list"},
        {"ab * cd", [] { return Value::multiply(txt("ab"), txt("cd")); }, "文字と文字は * で計算できません",
         "* doesn't work between text and text"},
        {"[1] * ab", [] { return Value::multiply(list({}), txt("ab")); },
         "文字と表は * でつなげません（str(値) で文字にできます）",
         "Text and a list can't be joined with * (str(value) makes text)"},
        {"[1] / 2", [] { return Value::divide(list({Value(1)}), Value(2)); }, "表と数は / で計算できません",
         "/ doesn't work between a list and a number"},
        {"2 ^ ab", [] { return Value::power(Value(2), txt("ab")); },
         "文字と数は ^ でつなげません（str(値) で文字にできます）",
         "Text and a number can't be joined with ^ (str(value) makes text)"},
        {"align ab, 1",
         [] {
             Value::alignUnits(txt("ab"), Value(1));
             return Value();
         },
         "文字と数は この計算 でつなげません（str(値) で文字にできます）",
         "Text and a number can't be joined with this calculation (str(value) makes text)"},
        {"align [1], 1",
         [] {
             Value::alignUnits(list({}), Value(1));
             return Value();
         },
         "表と数は この計算 で計算できません", "this calculation doesn't work between a list and a number"},
        {"1 m + 1 kg", [] { return Value::add(in(1, "m"), in(1, "kg")); }, "m と kg は足し引きできません",
         "m and kg can't be added together"},
        {"1 円 - 1 $", [] { return Value::subtract(in(1, "円"), in(1, "$")); },
         "円 と $ は足し引きできません", "円 and $ can't be added together"},
        {"lists past the limit",
         [&] { return Value::add(big, Value::multiply(list({Value(0)}), Value(40001))); }, "表が大きすぎます",
         "The list is too big"},
        {"[0] × 100001", [] { return Value::multiply(list({Value(0)}), Value(100001)); }, "表が大きすぎます",
         "The list is too big"},
        {"[0] × 1e300", [] { return Value::multiply(list({Value(0)}), Value(1e300)); }, "表が大きすぎます",
         "The list is too big"},
        {"[[0] × 100000]", [] { return list({Value::multiply(list({Value(0)}), Value(100000))}); },
         "表が大きすぎます", "The list is too big"},
        {"[[0] × 50000] × 2",
         [] { return Value::multiply(list({Value::multiply(list({Value(0)}), Value(50000))}), Value(2)); },
         "表が大きすぎます", "The list is too big"},
        {"x × 50000 × 3", [&] { return Value::multiply(halfText, Value(3)); }, "文字が長すぎます",
         "The text is too long"},
        {"join past the limit", [&] { return Value::add(halfText, Value::add(halfText, txt("y"))); },
         "文字が長すぎます", "The text is too long"},
        {"日 × 50000 × 3", [&] { return Value::multiply(halfKanji, Value(3)); }, "文字が長すぎます",
         "The text is too long"},
        // One character with thousands of combining marks: few characters, but megabytes.
        {"long character × 1000", [&] { return Value::multiply(longCharacter, Value(1000)); },
         "文字が長すぎます", "The text is too long"},
        {"long character + long character",
         [&] {
             const Value half = Value::multiply(longCharacter, Value(200));
             return Value::add(half, Value::add(half, longCharacter));
         },
         "文字が長すぎます", "The text is too long"},
        {"ab × 1.5", [] { return Value::multiply(txt("ab"), Value(1.5)); },
         "文字をくり返す回数は、単位の無い整数で書きます",
         "The repeat count must be a whole number without a unit"},
        {"ab × 2 m", [] { return Value::multiply(txt("ab"), in(2, "m")); },
         "文字をくり返す回数は、単位の無い整数で書きます",
         "The repeat count must be a whole number without a unit"},
        {"[1] × ∞", [] { return Value::multiply(list({}), Value(INFINITY)); },
         "表をくり返す回数は、単位の無い整数で書きます",
         "The repeat count must be a whole number without a unit"},
        {"6 / 0", [] { return Value::divide(Value(6), Value(0)); }, "0 で割ることはできません",
         "Cannot divide by zero"},
        {"6 / 0%", [] { return Value::divide(Value(6), pct(0)); }, "0 で割ることはできません",
         "Cannot divide by zero"},
        {"5 °C / 0", [] { return Value::divide(in(5, "°C"), Value(-0.0)); }, "0 で割ることはできません",
         "Cannot divide by zero"},
        {"1 / 5 °C", [] { return Value::divide(Value(1), in(5, "°C")); }, "°C は掛け算・割り算に使えません",
         "°C can\u2019t be used in multiplication or division"},
        {"2 ^ 3 m", [] { return Value::power(Value(2), in(3, "m")); }, "指数に単位は使えません",
         "An exponent can't have a unit"},
        {"0 ^ -1", [] { return Value::power(Value(0), Value(-1)); }, "計算できません",
         "Can't calculate this"},
        {"(-8) ^ (1/3)", [] { return Value::power(Value(-8), Value(1.0 / 3)); }, "計算できません",
         "Can't calculate this"},
        {"10 ^ 400", [] { return Value::power(Value(10), Value(400)); }, "計算できません",
         "Can't calculate this"},
        {"(0 m) ^ -1", [] { return Value::power(in(0, "m"), Value(-1)); }, "計算できません",
         "Can't calculate this"},
        {"(2 m) ^ 0.5", [] { return Value::power(in(2, "m"), Value(0.5)); },
         "単位のある値は整数乗だけできます", "Values with units can only be raised to whole-number powers"},
        {"(2 m) ^ 10", [] { return Value::power(in(2, "m"), Value(10)); }, "単位のある値は整数乗だけできます",
         "Values with units can only be raised to whole-number powers"},
        {"(1 m) ^ -10", [] { return Value::power(in(1, "m"), Value(-10)); },
         "単位のある値は整数乗だけできます", "Values with units can only be raised to whole-number powers"},
        {"(5 °C) ^ 2", [] { return Value::power(in(5, "°C"), Value(2)); }, "°C は累乗できません",
         "°C can't be raised to a power"},
        {"[1] to m", [] { return list({Value(1)}).converted(unit("m")); }, "表に単位は付けられません",
         "Can't attach a unit to a list"},
        {"ab to m", [] { return txt("ab").converted(unit("m")); }, "文字に単位は付けられません",
         "Can't attach a unit to text"},
        {"5 km to kg", [] { return in(5, "km").converted(unit("kg")); }, "km は kg に変換できません",
         "Can't convert km to kg"},
        {"1 円 to $", [] { return in(1, "円").converted(unit("$")); }, "円 は $ に変換できません",
         "Can't convert 円 to $"},
        // Exponents past the 64-bit range are refused, never wrapped.
        {"(m^max) × m", [] { return Value::multiply(in(1, "m^9223372036854775807"), in(1, "m")); },
         "計算できません", "Can't calculate this"},
        {"(m^max) ^ 2", [] { return Value::power(in(1, "m^9223372036854775807"), Value(2)); },
         "計算できません", "Can't calculate this"},
        {"1 / m^min", [] { return Value::divide(Value(1), in(1, "m^-9223372036854775808")); },
         "計算できません", "Can't calculate this"},
    };
    for (const auto& c : cases) {
        {
            EngineSettingsScope japanese(AppLanguage::japanese);
            EXPECT_EQ(messageOf(c.op), c.japanese) << c.label;
        }
        EngineSettingsScope english(AppLanguage::english);
        EXPECT_EQ(messageOf(c.op), c.english) << c.label;
    }
}

TEST(ValueArithmetic, LimitsAllowExactlyTheMaximum) {
    const Value x = Value::multiply(txt("x"), Value(50000));
    EXPECT_EQ(Value::multiply(x, Value(2)).textValue().size(), 100000u);
    EXPECT_EQ(Value::add(x, x).textValue().size(), 100000u);
    // Characters, not bytes: 100000 kanji are 300000 bytes and still within the limit.
    const Value kanji = Value::multiply(txt("日"), Value(50000));
    EXPECT_EQ(Value::add(kanji, kanji).textValue().size(), 300000u);
    // A letter with a combining accent is one character.
    const Value accented = Value::multiply(txt("e\u0301"), Value(100000));
    EXPECT_EQ(accented.textValue().size(), 300000u);
    // The largest text in bytes: 100000 characters of 16 bytes each.
    const Value heavy = Value::multiply(txt("a\u20D0\u20D0\u20D0\u20D0\u20D0"), Value(100000));
    EXPECT_EQ(heavy.textValue().size(), Value::maxTextBytes);
    EXPECT_EQ(Value::multiply(list({Value(0)}), Value(100000)).items().size(), 100000u);
    const Value half = Value::multiply(list({Value(0)}), Value(50000));
    EXPECT_EQ(Value::add(half, half).items().size(), 100000u);
    // Nested items count: [[0, 0]] × 33333 weighs 99999.
    const Value pairs = Value::multiply(list({list({Value(0), Value(0)})}), Value(33333));
    EXPECT_EQ(pairs.kind.listWeight(), 99999u);
}

} // namespace
} // namespace vell
