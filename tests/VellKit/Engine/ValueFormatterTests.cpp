#include "Engine/UnitRegistry.h"
#include "Engine/Value.h"
#include "Engine/ValueFormatter.h"
#include "Support/EngineSettingsScope.h"
#include "Support/Units.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <iomanip>
#include <limits>
#include <vector>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::in;

Value numbers(int from, int to) {
    Value::ListBuilder builder;
    for (int i = from; i <= to; ++i)
        builder.append(Value(i));
    return std::move(builder).build();
}

TEST(ValueFormatter, Numbers) {
    EngineSettingsScope digits;
    digits.setMaxFractionDigits(10);
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double x;
        bool grouping;
        const char* text;
    };
    const Case cases[] = {
        {0.1 + 0.2, true, "0.3"},
        {1.0 / 3, true, "0.3333333333"},
        {2.0 / 3, true, "0.6666666667"},
        {-2.0 / 3, true, "-0.6666666667"},
        {1200.0 * 35, true, "42,000"},
        {1200.0 * 35, false, "42000"},
        {1200, false, "1200"},
        {1234567.891, true, "1,234,567.891"},
        {1234567.891, false, "1234567.891"},
        {-1234567.891, true, "-1,234,567.891"},
        {999, true, "999"},
        {123456789.123456789, true, "123,456,789.1235"},
        {-0.0, true, "0"},
        {0, false, "0"},
        {5, true, "5"},
        {1e15, true, "1e15"},
        {1e15 - 1, true, "999,999,999,999,999"},
        {-(1e15 - 1), true, "-999,999,999,999,999"},
        {0.000000001, true, "0.000000001"},
        {0.0000000001, true, "1e-10"},
        {1.5e20, true, "1.5e20"},
        {-1.5e20, true, "-1.5e20"},
        {1.23456789e20, true, "1.234568e20"},
        {2.5e-12, true, "2.5e-12"},
        {1e-100, true, "1e-100"},
        {9.9999999e-10, true, "1e-9"},
        {1e300, true, "1e300"},
        {4.9e-324, true, "4.940656e-324"},
        {std::numeric_limits<double>::quiet_NaN(), true, "—"},
        {inf, true, "∞"},
        {-inf, true, "-∞"},
        // From 1e12 the shortest decimal text is printed, then limited to the decimals allowed.
        {1234567890123.4568, true, "1,234,567,890,123.4568"},
        {123456789012345.67, false, "123456789012345.67"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValueFormatter::formatNumber(c.x, c.grouping), c.text) << c.text;
}

TEST(ValueFormatter, DecimalsRoundHalfToEvenOnTheDecimalText) {
    struct Case {
        int digits;
        double x;
        const char* text;
    };
    const Case cases[] = {
        {0, 2.5, "2"},
        {0, 3.5, "4"},
        {0, -2.5, "-2"},
        {0, 0.5, "0"},
        {0, 9.5, "10"},
        {0, 999999.5, "1,000,000"},
        {2, 1.5, "1.5"},
        {2, 2.675, "2.68"}, // the double is below 2.675, but its decimal text is a tie
        {2, 0.125, "0.12"},
        {2, 0.375, "0.38"},
        {2, 1.2951, "1.3"},
        {2, 1.0 / 3, "0.33"},
        {2, 0.999, "1"},
        {2, -0.004, "0"}, // never "-0"
        {2, -0.005, "0"},
        {2, -0.006, "-0.01"},
        {0, -0.4, "0"},
        {0, 1000000000000.5, "1,000,000,000,000"},
        {0, 1000000000001.5, "1,000,000,000,002"},
        {2, 1234567890123.4568, "1,234,567,890,123.46"},
        {10, 0.00000000123, "0.0000000012"},
        {2, 0.000000001, "0"},
        // Outside 0...10 the setting is clamped where it is read.
        {-5, 2.5, "2"},
        {50, 1.0 / 3, "0.3333333333"},
        {std::numeric_limits<int>::min(), 0.75, "1"},
        {std::numeric_limits<int>::max(), 0.75, "0.75"},
    };
    for (const auto& c : cases) {
        EngineSettingsScope digits;
        digits.setMaxFractionDigits(c.digits);
        EXPECT_EQ(ValueFormatter::formatNumber(c.x, true), c.text) << c.digits << " digits";
    }
}

// Whole numbers and short decimals, which take a shorter road to their text, and their neighbours
// that do not.
TEST(ValueFormatter, ShortAndLongDecimalsAlike) {
    struct Case {
        double x;
        const char* grouped;
        const char* plain;
    };
    const Case cases[] = {
        {0.0, "0", "0"},
        {-0.0, "0", "0"},
        {7, "7", "7"},
        {-100000, "-100,000", "-100000"},
        {0.05, "0.05", "0.05"},
        {-0.0005, "-0.0005", "-0.0005"},
        {1234567.25, "1,234,567.25", "1234567.25"},
        {0.1 + 0.2, "0.3", "0.3"},
        {1e-10, "0.0000000001", "0.0000000001"},
        {5e-11, "0", "0"},
        {1.5e-10, "0.0000000002", "0.0000000002"},
        {123456789012.5, "123,456,789,012.5", "123456789012.5"},
        {9999999999999.0, "9,999,999,999,999", "9999999999999"},
        {12345678901234.5, "12,345,678,901,234.5", "12345678901234.5"},
        {1.8641135767, "1.8641135767", "1.8641135767"},
        {2.0 / 3, "0.6666666667", "0.6666666667"},
        {999.99999999999, "1,000", "1000"},
        {0.99999999995, "1", "1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ((ValueFormatter::DecimalFormatter{true, 10}.format(c.x)), c.grouped) << c.x;
        EXPECT_EQ((ValueFormatter::DecimalFormatter{false, 10}.format(c.x)), c.plain) << c.x;
    }
}

// An answer is written straight from the decimal that clean() rounded it to; the text must be the
// one the decimal formatter gives for the cleaned number, which reads the shortest text of the double.
// Numbers of every size that reaches it, their neighbouring doubles, and decimal ties.
TEST(ValueFormatter, AnswersReadAsTheDecimalFormatterReadsThem) {
    std::uint64_t state = 20240611;
    const auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state >> 11;
    };
    std::vector<double> numbers;
    for (int exponent = -10; exponent <= 15; ++exponent) {
        for (int i = 0; i < 300; ++i) {
            const double x =
                (1 + static_cast<double>(next() % 9000000000000ull) / 1e12) * std::pow(10.0, exponent);
            numbers.push_back(x);
            numbers.push_back(-std::nextafter(x, 0.0));
            numbers.push_back(std::nextafter(x, 1e300));
            numbers.push_back(std::round(x * 1000) / 1000);
            numbers.push_back((std::round(x * 100) + 0.5) / 100);
            numbers.push_back(std::round(x));
        }
    }
    for (const int digits : {0, 1, 2, 4, 10}) {
        EngineSettingsScope scope;
        scope.setMaxFractionDigits(digits);
        for (const bool grouping : {true, false}) {
            const ValueFormatter::DecimalFormatter decimal{grouping, digits};
            for (const double x : numbers) {
                const double cleaned = ValueFormatter::clean(x);
                if (!(std::fabs(cleaned) >= 1e-9 && std::fabs(cleaned) < 1e15)) continue;
                ASSERT_EQ(ValueFormatter::formatNumber(x, grouping), decimal.format(cleaned))
                    << std::setprecision(17) << x << ", " << digits << " digits";
            }
        }
    }
}

TEST(ValueFormatter, SettingIsReadAtEveryCall) {
    EngineSettingsScope digits;
    digits.setMaxFractionDigits(10);
    EXPECT_EQ(ValueFormatter::formatNumber(1.0 / 3, true), "0.3333333333");
    digits.setMaxFractionDigits(2);
    EXPECT_EQ(ValueFormatter::formatNumber(1.0 / 3, true), "0.33");
    EXPECT_EQ(ValueFormatter::makeFormatter(false).maxFractionDigits, 2);
}

TEST(ValueFormatter, Clean) {
    EXPECT_EQ(ValueFormatter::clean(0.1 + 0.2), 0.3);
    EXPECT_EQ(ValueFormatter::clean(1.0 / 3), 0.3333333333333);
    EXPECT_EQ(ValueFormatter::clean(123456789.123456789), 123456789.1235);
    EXPECT_EQ(ValueFormatter::clean(-2.5e-5 / 3), -8.333333333333e-6);
    EXPECT_FALSE(std::signbit(ValueFormatter::clean(-0.0)));
    EXPECT_EQ(ValueFormatter::clean(1e12 + 0.123), 1e12 + 0.123);
    EXPECT_EQ(ValueFormatter::clean(1e300), 1e300);
    EXPECT_EQ(ValueFormatter::clean(1e-300), 1e-300);
    EXPECT_TRUE(std::isnan(ValueFormatter::clean(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(ValueFormatter::clean(-std::numeric_limits<double>::infinity()),
              -std::numeric_limits<double>::infinity());
    // Halves away from zero at the 13th digit (x × 10 is an exact tie here).
    EXPECT_EQ(ValueFormatter::clean(123456789012.25), 123456789012.3);
    EXPECT_EQ(ValueFormatter::clean(-123456789012.25), -123456789012.3);
    // Whole numbers have nothing to round.
    for (double whole : {1.0, -7.0, 100.0, 4096.0, 999999999999.0, -123456789012.0, 1e12, 9007199254740993.0})
        EXPECT_EQ(ValueFormatter::clean(whole), whole) << whole;
}

TEST(ValueFormatter, Values) {
    EngineSettingsScope digits;
    digits.setMaxFractionDigits(10);
    struct Case {
        Value value;
        bool grouping;
        const char* text;
    };
    const Case cases[] = {
        {Value::percent(5), true, "5%"},
        {Value(5, *UnitRegistry::lookup("m"), true), true, "5%"},
        {in(12, "m"), true, "12 m"},
        {in(1200, "m"), true, "1,200 m"},
        {in(1200, "m"), false, "1200 m"},
        {in(25, "°C"), true, "25°C"},
        {in(100, "円"), true, "100円"},
        {in(45, "deg"), true, "45°"},
        {in(3, "坪"), true, "3坪"},
        {in(4, "m2"), true, "4 m²"},
        {Value::text("abc"), true, "abc"},
        {Value::text("a\"b"), true, "a\"b"},
        {Value::list({}), true, "[]"},
        {Value::list({Value(1), Value::text("a"), Value::list({Value(2), Value(3)})}), true,
         "[1, \"a\", [2, 3]]"},
        {Value::list({in(1, "m"), Value::percent(5)}), true, "[1 m, 5%]"},
        {Value::list({Value(1200), Value::text("x\"y")}), true, "[1,200, \"x\"y\"]"},
        {Value::list({Value(1200)}), false, "[1200]"},
        {Value::list({Value::list({Value::text("a")})}), true, "[[\"a\"]]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValueFormatter::format(c.value, c.grouping), c.text) << c.text;
}

TEST(ValueFormatter, LongListsEndTheSameInEitherLanguage) {
    EngineSettingsScope digits;
    digits.setMaxFractionDigits(10);
    std::string first100 = "[1";
    for (int i = 2; i <= 100; ++i)
        first100 += ", " + ValueFormatter::formatNumber(i, false);
    for (AppLanguage language : {AppLanguage::japanese, AppLanguage::english}) {
        EngineSettingsScope scope(language);
        EXPECT_EQ(ValueFormatter::format(numbers(1, 150), true), first100 + ", … 全 150 個]");
        EXPECT_EQ(ValueFormatter::format(numbers(1, 100), true), first100 + "]");
    }
    // Each nested list has its own limit; the count is never grouped.
    EXPECT_EQ(ValueFormatter::format(Value::list({numbers(1, 150)}), true),
              "[" + first100 + ", … 全 150 個]]");
    Value many = Value::multiply(Value::list({Value(1)}), Value(12345));
    EXPECT_TRUE(ValueFormatter::format(many, true).ends_with(", … 全 12345 個]"));
}

TEST(ValueFormatter, DisplayStopsAtTheLongestText) {
    // A hundred lists of a hundred texts of the longest kind would display a gigabyte.
    const Value longest = Value::multiply(Value::text("日"), Value(100000));
    const Value lists =
        Value::multiply(Value::list({Value::multiply(Value::list({longest}), Value(100))}), Value(100));
    const std::string shown = ValueFormatter::format(lists, true);
    EXPECT_LE(shown.size(), Value::maxTextBytes);
    EXPECT_TRUE(shown.starts_with("[[\"日日日"));
    EXPECT_TRUE(shown.ends_with("日…"));
    // Up to that size nothing is cut.
    const Value five = Value::multiply(Value::list({longest}), Value(5));
    EXPECT_EQ(ValueFormatter::format(five, true).size(), 2 + 5 * (2 + 300000) + 4 * 2);
}

} // namespace
} // namespace vell
