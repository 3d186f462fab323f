#include "Engine/CalcError.h"
#include "Engine/MeasureUnit.h"
#include "Engine/UnitRegistry.h"
#include "MessageTestSupport.h"
#include "Support/Units.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::messageOf;
using testsupport::unit;
using Components = MeasureUnit::Components;

MeasureUnit compound(std::string_view text) {
    auto parsed = UnitRegistry::parseCompound(text);
    if (!parsed) throw std::logic_error("no such compound");
    return *parsed;
}

TEST(MeasureUnit, Signature) {
    EXPECT_EQ(unit("N").signature(), "length·mass·time^-2");
    EXPECT_EQ(MeasureUnit::signature({}), "");
    EXPECT_EQ(MeasureUnit::signature({{"time", -1}, {"length", 1}, {"mass", 0}}), "length·time^-1");
    EXPECT_EQ(unit("円").signature(), "currency.JPY");
    // Zero exponents never stay in a unit's dimensions.
    MeasureUnit odd("x", "x", {{"length", 1}, {"time", 0}}, 1);
    EXPECT_EQ(odd.dimensions().size(), 1u);
}

TEST(MeasureUnit, CompositeSymbol) {
    struct Case {
        Components components;
        const char* symbol;
    };
    const Case cases[] = {
        {{{unit("m"), 10}}, "m^10"},
        {{{unit("m"), -10}}, "1/m^10"},
        {{{unit("inch"), 2}}, "in²"},
        {{{unit("l"), 1}, {unit("min"), -1}}, "L/min"},
        {{{unit("kg"), 1}, {unit("m"), -1}, {unit("s"), -2}}, "kg/m·s²"},
        {{{unit("s"), -1}}, "1/s"},
        {{{unit("km"), 1}, {unit("h"), -1}}, "km/h"},
        {{{unit("m"), 0}, {unit("s"), 1}}, "s"},
        {{{unit("m"), INT64_MIN}}, "1/m^9223372036854775808"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MeasureUnit::compositeSymbol(c.components), c.symbol);
}

TEST(MeasureUnit, FromComponents) {
    EXPECT_FALSE(MeasureUnit::fromComponents({}));
    EXPECT_FALSE(MeasureUnit::fromComponents({{unit("m"), 0}}));
    auto km = MeasureUnit::fromComponents({{unit("km"), 1}});
    ASSERT_TRUE(km);
    EXPECT_TRUE(km->isIdentical(unit("km")));
    auto km2 = MeasureUnit::fromComponents({{unit("km"), 2}});
    ASSERT_TRUE(km2);
    EXPECT_EQ(km2->symbol(), "km²");
    EXPECT_EQ(km2->factor(), 1000000);
    EXPECT_EQ(km2->offset(), 0);
    EXPECT_FALSE(km2->tight());
    EXPECT_EQ(km2->components().size(), 1u);
}

TEST(MeasureUnit, NormalizedOpensCompositesOneLevel) {
    auto kmh = MeasureUnit::normalized({{unit("km/h"), 1}});
    ASSERT_TRUE(kmh);
    EXPECT_EQ(kmh->symbol(), "km/h");
    EXPECT_FALSE(kmh->isIdentical(unit("km/h")));
    EXPECT_EQ(*kmh, unit("km/h"));

    auto m4 = MeasureUnit::normalized({{unit("m²"), 2}});
    ASSERT_TRUE(m4);
    EXPECT_EQ(m4->symbol(), "m⁴");
    auto m2 = MeasureUnit::normalized({{unit("m"), 1}, {unit("m"), 1}});
    ASSERT_TRUE(m2);
    EXPECT_EQ(m2->symbol(), "m²");
    auto n = MeasureUnit::normalized({{unit("N"), 1}, {unit("m"), 1}, {unit("m"), -1}});
    ASSERT_TRUE(n);
    EXPECT_TRUE(n->isIdentical(unit("N")));
    // A speed squared is flattened into its parts.
    auto speed2 = MeasureUnit::normalized({{unit("m/s"), 2}});
    ASSERT_TRUE(speed2);
    EXPECT_EQ(speed2->symbol(), "m²/s²");
}

TEST(MeasureUnit, EqualityAndHashIgnoreNames) {
    auto parsed = compound("kg·m/s²");
    EXPECT_EQ(parsed, unit("N"));
    EXPECT_EQ(parsed.hash(), unit("N").hash());
    EXPECT_NE(parsed.symbol(), unit("N").symbol());
    EXPECT_NE(unit("cm³"), unit("mL"));
    EXPECT_NE(unit("°C"), unit("K")); // offsets differ
    EXPECT_NE(unit("Pa"), unit("N"));
    EXPECT_EQ(unit("inch"), unit("インチ"));
    MeasureUnit negativeZero("z", "z", {{"length", 1}}, 1, -0.0);
    EXPECT_EQ(negativeZero, unit("m"));
    EXPECT_EQ(negativeZero.hash(), unit("m").hash());
    EXPECT_EQ(std::hash<MeasureUnit::Component>{}({parsed, 2}),
              std::hash<MeasureUnit::Component>{}({unit("N"), 2}));
    EXPECT_EQ(MeasureUnit::Component(parsed, 2), MeasureUnit::Component(unit("N"), 2));
    EXPECT_FALSE(MeasureUnit::Component(parsed, 2) == MeasureUnit::Component(unit("N"), 1));
}

TEST(MeasureUnit, CombineFollowsTheUnitAlgebraTable) {
    struct Case {
        std::optional<MeasureUnit> left;
        int sign;
        std::optional<MeasureUnit> right;
        const char* symbol; // nullptr: no unit
        double scale;
        const char* identicalTo; // the result is that table row itself, or nullptr
    };
    const Case cases[] = {
        {unit("km"), +1, unit("m"), "km²", 0.001, nullptr},
        {unit("m/s"), +1, unit("h"), "m", 3600, "m"},
        {unit("km/h"), +1, unit("h"), "km", 1, "km"},
        {unit("mph"), +1, unit("h"), "mi", 1, "mi"},
        {unit("km"), -1, unit("m"), nullptr, 1000, nullptr},
        {unit("L"), -1, unit("m³"), nullptr, 0.001, nullptr},
        {unit("N"), +1, unit("m"), "N·m", 1, nullptr},
        {unit("m²"), +1, unit("cm"), "m³", 0.01, nullptr},
        {std::nullopt, -1, unit("s"), "1/s", 1, nullptr},
        {unit("°C"), +1, std::nullopt, "°C", 1, "°C"},
        {std::nullopt, +1, unit("°C"), "°C", 1, "°C"},
        {unit("m"), -1, unit("m"), nullptr, 1, nullptr},
    };
    for (const auto& c : cases) {
        auto result = MeasureUnit::combine(c.left, c.right, c.sign);
        EXPECT_DOUBLE_EQ(result.scale, c.scale);
        if (!c.symbol) {
            EXPECT_FALSE(result.unit);
            continue;
        }
        ASSERT_TRUE(result.unit) << c.symbol;
        EXPECT_EQ(result.unit->symbol(), c.symbol);
        if (c.identicalTo) {
            EXPECT_TRUE(result.unit->isIdentical(unit(c.identicalTo))) << c.symbol;
        }
    }
    EXPECT_EQ(MeasureUnit::combine(unit("km"), unit("m"), +1).unit->factor(), 1000000);
}

TEST(MeasureUnit, OffsetUnitsRefuseProductsAndQuotients) {
    const auto c = unit("°C");
    const auto f = unit("°F");
    {
        EngineSettingsScope english(AppLanguage::english);
        EXPECT_EQ(messageOf([&] { MeasureUnit::combine(std::nullopt, c, -1); }),
                  "°C can\u2019t be used in multiplication or division");
        EXPECT_EQ(messageOf([&] { MeasureUnit::combine(unit("m"), c, +1); }),
                  "°C can\u2019t be used in multiplication or division");
        EXPECT_EQ(messageOf([&] { MeasureUnit::combine(c, f, +1); }),
                  "°C can\u2019t be used in multiplication or division");
        EXPECT_EQ(messageOf([&] { MeasureUnit::combine(f, c, +1); }),
                  "°F can\u2019t be used in multiplication or division");
    }
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(messageOf([&] { MeasureUnit::checkNoOffset(c); }), "°C は掛け算・割り算に使えません");
    EXPECT_EQ(messageOf([&] { MeasureUnit::checkNoOffset(unit("K")); }), "(no error)");
    EXPECT_EQ(messageOf([&] { MeasureUnit::checkNoOffset(std::nullopt); }), "(no error)");
}

TEST(MeasureUnit, ExponentOverflowIsRefusedNotWrapped) {
    const auto largest = compound("m^9223372036854775807");
    const auto smallest = compound("m^-9223372036854775808");
    {
        EngineSettingsScope english(AppLanguage::english);
        EXPECT_EQ(messageOf([&] { MeasureUnit::combine(largest, unit("m"), +1); }), "Can't calculate this");
        EXPECT_EQ(messageOf([&] { MeasureUnit::combine(largest, unit("cm"), +1); }), "Can't calculate this");
        EXPECT_EQ(messageOf([&] { MeasureUnit::combine(smallest, unit("m"), -1); }), "Can't calculate this");
        EXPECT_EQ(messageOf([&] { MeasureUnit::combine(unit("m"), smallest, -1); }), "Can't calculate this");
        EXPECT_EQ(messageOf([&] { MeasureUnit::combine(unit("s"), largest, +1); }), "(no error)");
    }
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(messageOf([&] { MeasureUnit::combine(largest, largest, +1); }), "計算できません");
    // Without a throw, overflow reads as no unit.
    EXPECT_FALSE(MeasureUnit::normalized({{largest, 2}}));
    EXPECT_FALSE(MeasureUnit::fromComponents({{unit("m"), INT64_MAX}, {unit("cm"), 1}}));
    EXPECT_EQ(messageOf([&] { MeasureUnit::normalizedOrThrow({{largest, 2}}); }), "計算できません");
    EXPECT_FALSE(MeasureUnit::composite({{unit("m"), INT64_MAX}, {unit("cm"), 1}}));
}

TEST(MeasureUnit, Superscripts) {
    EXPECT_EQ(MeasureUnit::superscript(1), "¹");
    EXPECT_EQ(MeasureUnit::superscript(9), "⁹");
    EXPECT_EQ(MeasureUnit::superscript(0), "");
    EXPECT_EQ(MeasureUnit::superscript(10), "");
    EXPECT_EQ(MeasureUnit::superscript(-2), "");
}

} // namespace
} // namespace vell
