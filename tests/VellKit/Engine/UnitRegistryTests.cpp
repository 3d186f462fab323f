#include "Engine/UnitRegistry.h"
#include "Unicode/Unicode.h"

#include <gtest/gtest.h>
#include <set>

namespace vell {
namespace {

const MeasureUnit& row(std::string_view symbol) {
    for (const auto& entry : UnitRegistry::table()) {
        if (entry.unit.symbol() == symbol) return entry.unit;
    }
    throw std::logic_error("no such row");
}

TEST(UnitTable, HoldsSeventyRowsAndDistinctAliases) {
    const auto& table = UnitRegistry::table();
    ASSERT_EQ(table.size(), 70u);
    std::set<std::string> exact;
    std::set<std::string> lowered;
    std::size_t count = 0;
    for (const auto& entry : table) {
        std::set<std::string> loweredHere;
        for (const auto& alias : entry.aliases) {
            ++count;
            EXPECT_TRUE(exact.insert(alias).second) << alias;
            loweredHere.insert(unicode::toLower(alias));
        }
        for (const auto& alias : loweredHere)
            EXPECT_TRUE(lowered.insert(alias).second) << alias;
    }
    EXPECT_EQ(count, 195u);
    EXPECT_EQ(UnitRegistry::allAliases().size(), 195u);
}

TEST(UnitTable, EveryAliasNamesItsOwnRow) {
    for (const auto& entry : UnitRegistry::table()) {
        for (const auto& alias : entry.aliases) {
            auto unit = UnitRegistry::lookup(alias);
            ASSERT_TRUE(unit) << alias;
            EXPECT_TRUE(unit->isIdentical(entry.unit)) << alias;
            // Upper-cased aliases of two characters or more come back through the lower-cased map.
            if (unicode::graphemeCount(alias) >= 2) {
                auto upper = UnitRegistry::lookup(unicode::toUpper(alias));
                ASSERT_TRUE(upper) << alias;
                auto lowerOwner = UnitRegistry::lookup(unicode::toLower(alias));
                ASSERT_TRUE(lowerOwner) << alias;
                EXPECT_TRUE(upper->isIdentical(*lowerOwner)) << alias;
            }
        }
    }
}

TEST(UnitTable, LookupFollowsTheCaseRules) {
    struct Case {
        const char* text;
        const char* symbol; // nullptr: no unit
    };
    const Case cases[] = {
        {"C", "°C"},     {"F", "°F"},      {"c", nullptr},     {"f", nullptr},   {"t", "t"},
        {"T", nullptr},  {"B", "B"},       {"b", nullptr},     {"CM", "cm"},     {"KM", "km"},
        {"Kb", "KB"},    {"KB", "KB"},     {"kib", "KiB"},     {"mN", "MN"},     {"mPa", "MPa"},
        {"Mm", "mm"},    {"Ms", "ms"},     {"°c", "°C"},       {"℃", "°C"},      {"a", nullptr},
        {"are", "a"},    {"mL", "ml"},     {"ml", "ml"},       {"cc", "ml"},     {"L", "l"},
        {"l", "l"},      {"inch", "inch"}, {"inches", "inch"}, {"in", "inch"},   {" m", nullptr},
        {"m ", nullptr}, {"", nullptr},    {"KIB", "KiB"},     {"Inch", "inch"}, {"YEN", "JPY"},
        {"円", "JPY"},   {"￥", "JPY"},    {"°", "deg"},       {"坪", "tsubo"},  {"Tsubo", "tsubo"},
        {"m/s", "m/s"},  {"KM/H", "km/h"}, {"mps", "m/s"},     {"ｍ", nullptr},
    };
    for (const auto& c : cases) {
        auto unit = UnitRegistry::lookup(c.text);
        if (!c.symbol) {
            EXPECT_FALSE(unit) << c.text;
            continue;
        }
        ASSERT_TRUE(unit) << c.text;
        EXPECT_EQ(unit->symbol(), c.symbol) << c.text;
    }
    EXPECT_EQ(UnitRegistry::lookup("mL")->display(), "mL");
    EXPECT_EQ(UnitRegistry::lookup("l")->display(), "L");
    EXPECT_EQ(UnitRegistry::lookup("inches")->display(), "in");
}

TEST(UnitTable, RowsCarryTheirFields) {
    struct Case {
        const char* symbol;
        const char* display;
        const char* signature;
        double factor;
        double offset;
        bool tight;
    };
    const Case cases[] = {
        {"°F", "°F", "temperature", 0.5555555555555556, 255.3722222222222, true},
        {"°C", "°C", "temperature", 1, 273.15, true},
        {"mm²", "mm²", "length^2", 1e-6, 0, false},
        {"cm³", "cm³", "length^3", 1.0000000000000002e-6, 0, false},
        {"mm⁴", "mm⁴", "length^4", 1.0000000000000002e-12, 0, false},
        {"cm⁴", "cm⁴", "length^4", 1e-8, 0, false},
        {"km²", "km²", "length^2", 1000000, 0, false},
        {"m/s", "m/s", "length·time^-1", 1, 0, false},
        {"km/h", "km/h", "length·time^-1", 0.2777777777777778, 0, false},
        {"mph", "mph", "length·time^-1", 0.44704, 0, false},
        {"knot", "knot", "length·time^-1", 0.5144444444444445, 0, false},
        {"tsubo", "坪", "length^2", 3.3057851239669422, 0, true},
        {"deg", "°", "angle", 0.017453292519943295, 0, true},
        {"N", "N", "length·mass·time^-2", 1, 0, false},
        {"kPa", "kPa", "length^-1·mass·time^-2", 1000, 0, false},
        {"JPY", "円", "currency.JPY", 1, 0, true},
    };
    for (const auto& c : cases) {
        const auto& unit = row(c.symbol);
        EXPECT_EQ(unit.display(), c.display) << c.symbol;
        EXPECT_EQ(unit.signature(), c.signature) << c.symbol;
        EXPECT_EQ(unit.factor(), c.factor) << c.symbol;
        EXPECT_EQ(unit.offset(), c.offset) << c.symbol;
        EXPECT_EQ(unit.tight(), c.tight) << c.symbol;
    }
    // Composite rows are made of full copies of the rows above them.
    ASSERT_EQ(row("mph").components().size(), 2u);
    EXPECT_TRUE(row("mph").components()[0].unit.isIdentical(row("mi")));
    EXPECT_EQ(row("mph").components()[1].exponent, -1);
    EXPECT_TRUE(row("ha").components().empty());
    // cm³ and mL share dimensions but not the factor.
    EXPECT_NE(row("cm³"), row("ml"));
    EXPECT_EQ(row("cm³").dimensions(), row("ml").dimensions());
}

TEST(UnitTable, DerivedTables) {
    EXPECT_EQ(UnitRegistry::slashSymbols(), (std::unordered_set<std::string>{"m/s", "km/h"}));
    const auto& aliases = UnitRegistry::allAliases();
    for (std::size_t i = 1; i < aliases.size(); ++i)
        EXPECT_GE(unicode::graphemeCount(aliases[i - 1]), unicode::graphemeCount(aliases[i]));
    EXPECT_EQ(aliases.front(), "fahrenheit"); // the first of the longest, in table order
    EXPECT_EQ(UnitRegistry::superscriptValues().size(), 9u);
    EXPECT_EQ(UnitRegistry::superscriptValues().at("⁹"), 9);
}

TEST(UnitRegistry, ParsesWholeIntegers) {
    EXPECT_EQ(UnitRegistry::parseInteger("+2"), 2);
    EXPECT_EQ(UnitRegistry::parseInteger("-12"), -12);
    EXPECT_EQ(UnitRegistry::parseInteger("007"), 7);
    EXPECT_EQ(UnitRegistry::parseInteger("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(UnitRegistry::parseInteger("-9223372036854775808"), INT64_MIN);
    for (const char* bad : {"", "+", "-", "+-1", "--1", " 2", "2 ", "x", "1.0", "9223372036854775808", "²"})
        EXPECT_FALSE(UnitRegistry::parseInteger(bad)) << bad;
}

TEST(UnitRegistry, ParsesCompoundTexts) {
    struct Case {
        const char* text;
        const char* symbol;
        const char* equalRow; // a table row the result equals, or nullptr
    };
    const Case cases[] = {
        {"N/mm2", "N/mm²", "MPa"},   {"kg·m/s²", "kg·m/s²", "N"},
        {"m/s/s", "m/s²", nullptr},  {"kg * m", "kg·m", nullptr},
        {"m/s*s", "m/s²", nullptr},  {"N*m/m", "N", "N"},
        {"m^+2", "m²", "m²"},        {"m²", "m²", "m²"},
        {"m^-1", "1/m", nullptr},    {"m22", "m⁴", nullptr},
        {"mm2", "mm²", "mm²"},       {"km/h", "km/h", "km/h"},
        {"円/kg", "円/kg", nullptr}, {"m^12", "m^12", nullptr},
        {"kg×m", "kg·m", nullptr},   {"\tkg\u3000/ s", "kg/s", nullptr},
        {"km", "km", "km"},          {"1/s", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        auto unit = UnitRegistry::parseCompound(c.text);
        if (!c.symbol) {
            EXPECT_FALSE(unit) << c.text;
            continue;
        }
        ASSERT_TRUE(unit) << c.text;
        EXPECT_EQ(unit->symbol(), c.symbol) << c.text;
        if (c.equalRow) {
            EXPECT_EQ(*unit, row(c.equalRow)) << c.text;
        }
    }
    // m22: "m2" is the square metre, squared again.
    EXPECT_EQ(UnitRegistry::parseCompound("m22")->signature(), "length^4");
    // N*m/m is the table row itself, not a copy.
    EXPECT_TRUE(UnitRegistry::parseCompound("N*m/m")->isIdentical(row("N")));
}

TEST(UnitRegistry, RefusesTextsThatAreNotUnits) {
    for (const char* text : {"a/b/c/d", "m/s/s/s", "m/", "/s", "m//s", "", "kg**m", "°C/s", "m^0", "m0", "m^",
                             "m^x", "m ^2", "m ^ 2", "^2", "°F", "m^2^3", "xyz", "C2"}) {
        EXPECT_FALSE(UnitRegistry::parseCompound(text)) << text;
    }
    EXPECT_FALSE(UnitRegistry::parseFactor("  "));
    EXPECT_FALSE(UnitRegistry::parseFactor("°C"));
}

TEST(UnitRegistry, ParsesFactors) {
    auto factor = UnitRegistry::parseFactor(" s³ ");
    ASSERT_TRUE(factor);
    EXPECT_EQ(factor->unit.symbol(), "s");
    EXPECT_EQ(factor->exponent, 3);
    factor = UnitRegistry::parseFactor("m2"); // a trailing digit is read as the exponent first
    ASSERT_TRUE(factor);
    EXPECT_EQ(factor->unit.symbol(), "m");
    EXPECT_EQ(factor->exponent, 2);
    factor = UnitRegistry::parseFactor("h^-1");
    ASSERT_TRUE(factor);
    EXPECT_EQ(factor->exponent, -1);
    // One character ending in a digit is a name, not an exponent.
    EXPECT_FALSE(UnitRegistry::parseFactor("2"));
}

TEST(UnitRegistry, IsUnitTriesTheTableThenCompounds) {
    for (const char* text : {"km", "KM", "km/h", "N/mm2", "m^3", "円/kg"})
        EXPECT_TRUE(UnitRegistry::isUnit(text)) << text;
    for (const char* text : {"x", "price", "a", "m/", "°C/s", ""})
        EXPECT_FALSE(UnitRegistry::isUnit(text)) << text;
}

TEST(UnitRegistry, ExponentOverflowReadsAsNoUnit) {
    for (const char* text : {"m^9223372036854775807*m", "m^9223372036854775807*cm", "m2^9223372036854775807",
                             "m²^-9223372036854775808", "s/m^-9223372036854775808",
                             "m^-9223372036854775808/m", "m^9223372036854775808"}) {
        EXPECT_FALSE(UnitRegistry::parseCompound(text)) << text;
        EXPECT_FALSE(UnitRegistry::isUnit(text)) << text;
    }
    // The extremes themselves are units.
    auto largest = UnitRegistry::parseCompound("m^9223372036854775807");
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->symbol(), "m^9223372036854775807");
    auto smallest = UnitRegistry::parseCompound("m^-9223372036854775808");
    ASSERT_TRUE(smallest);
    EXPECT_EQ(smallest->symbol(), "1/m^9223372036854775808");
}

} // namespace
} // namespace vell
