#include "Engine/CalcError.h"
#include "Engine/UnitRegistry.h"
#include "Engine/Value.h"
#include "MessageTestSupport.h"
#include "Support/Units.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::in;
using testsupport::messageOf;

TEST(Value, BuildersKeepTheInvariants) {
    for (const Value& value : {Value::list({Value(1)}), Value::text("a")}) {
        EXPECT_EQ(value.number, 0);
        EXPECT_FALSE(value.unit);
        EXPECT_FALSE(value.isPercent);
        EXPECT_TRUE(value.isUnitless());
    }
    EXPECT_TRUE(Value().isNumber());
    EXPECT_EQ(Value().number, 0);
    EXPECT_FALSE(in(3, "m").isUnitless());
    EXPECT_EQ(Value::list({Value(1), Value::text("a")}).items().size(), 2u);
    EXPECT_EQ(Value::text("abc").textValue(), "abc");
    // The payload accessors are empty for the other kinds.
    EXPECT_TRUE(Value(1).items().empty());
    EXPECT_TRUE(Value::list({}).textValue().empty());
}

TEST(Value, EqualityComparesAllFourFields) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        Value a;
        Value b;
        bool equal;
    };
    const Case cases[] = {
        {Value::list({}), Value::list({}), true},
        {Value::text(""), Value::text(""), true},
        {Value(5), Value::percent(5), false},
        {Value(nan), Value(nan), false},
        {Value(0.0), Value(-0.0), true},
        {in(5, "inch"), in(5, "インチ"), true},
        {in(1, "m"), in(100, "cm"), false},
        {in(1, "m"), Value(1), false},
        {Value::list({Value::text("1")}), Value::list({Value(1)}), false},
        {Value::list({Value(1), Value(2)}), Value::list({Value(1), Value(2)}), true},
        {Value::list({Value(1)}), Value::list({Value(1), Value(2)}), false},
        {Value::list({Value(nan)}), Value::list({Value(nan)}), false},
        {Value::text("é"), Value::text("e\u0301"), true}, // canonically equivalent
        {Value::text("a"), Value::text("A"), false},
        {Value::text(""), Value::list({}), false},
        {Value(0), Value::text(""), false},
        {Value(1, *UnitRegistry::parseCompound("kg·m/s²")), in(1, "N"), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.a == c.b, c.equal) << c.a << " vs " << c.b;
    // A NaN is unequal even to the very same value.
    Value same = Value::list({Value(nan)});
    EXPECT_FALSE(same == same);
}

TEST(Value, PercentResolvedAndKindName) {
    EXPECT_EQ(Value::percent(5).percentResolved(), Value(0.05));
    EXPECT_FALSE(Value::percent(5).percentResolved().isPercent);
    EXPECT_EQ(Value(5).percentResolved(), Value(5));
    const Value list = Value::list({Value::percent(5)});
    EXPECT_EQ(list.percentResolved(), list);

    {
        EngineSettingsScope english(AppLanguage::english);
        EXPECT_EQ(Value::percent(5).kindName(), "a number");
        EXPECT_EQ(in(3, "m").kindName(), "a number");
        EXPECT_EQ(Value::text("x").kindName(), "text");
        EXPECT_EQ(list.kindName(), "a list");
    }
    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(list.kindName(), "表");
    EXPECT_EQ(Value::text("x").kindName(), "文字");
    EXPECT_EQ(Value(1).kindName(), "数");
}

TEST(Value, CopiesSharePayloads) {
    Value list = Value::list({Value(1), Value::text("a")});
    Value copy = list;
    EXPECT_EQ(&copy.items(), &list.items());
    Value text = Value::text(std::string(1000, 'x'));
    Value textCopy = text;
    EXPECT_EQ(&textCopy.textValue(), &text.textValue());
    Value metre = in(1, "m");
    Value metreCopy = metre;
    EXPECT_TRUE(metreCopy.unit->isIdentical(*metre.unit));
}

TEST(Value, ListsKnowTheirWeightAndDepth) {
    Value flat = Value::list({Value(1), Value(2)});
    EXPECT_EQ(flat.kind.listWeight(), 2u);
    EXPECT_EQ(flat.kind.listDepth(), 1u);
    Value nested = Value::list({flat, Value(3), Value::list({})});
    EXPECT_EQ(nested.kind.listWeight(), 5u); // 3 items, plus the 2 inside the first
    EXPECT_EQ(nested.kind.listDepth(), 2u);
    EXPECT_EQ(Value::list({}).kind.listDepth(), 1u);
    EXPECT_EQ(Value(1).kind.listWeight(), 0u);
}

// The limit counts items at every depth, so a line cannot hold 10^10 numbers in nested lists.
TEST(Value, ListLimitCountsNestedItems) {
    EngineSettingsScope english(AppLanguage::english);
    Value::ListBuilder inner;
    for (int i = 0; i < 99999; ++i)
        inner.append(Value(0));
    Value big = std::move(inner).build();
    EXPECT_EQ(big.kind.listWeight(), 99999u);

    EXPECT_EQ(messageOf([&] { Value::list({big}); }), "(no error)"); // 1 + 99999
    EXPECT_EQ(messageOf([&] { Value::list({big, Value(1)}); }), "The list is too big");
    EXPECT_EQ(messageOf([&] { Value::list({big, big}); }), "The list is too big");

    Value::ListBuilder builder;
    builder.append(big);
    EXPECT_EQ(messageOf([&] { builder.append(Value(1)); }), "The list is too big");
    EXPECT_EQ(builder.size(), 1u); // the refused item is not kept
    EXPECT_EQ(builder.weight(), 100000u);

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(messageOf([&] { Value::list({big, big}); }), "表が大きすぎます");
}

TEST(Value, ListNestingDepthIsBounded) {
    EngineSettingsScope english(AppLanguage::english);
    Value deep = Value::list({});
    for (std::size_t depth = 1; depth < Value::maxListDepth; ++depth)
        deep = Value::list({deep});
    EXPECT_EQ(deep.kind.listDepth(), Value::maxListDepth);
    EXPECT_EQ(messageOf([&] { Value::list({deep}); }), "The list is too big");
    Value::ListBuilder builder;
    builder.append(Value(1));
    EXPECT_EQ(messageOf([&] { builder.append(deep.items().front()); }), "(no error)");
    EXPECT_EQ(messageOf([&] { builder.append(deep); }), "The list is too big");
    EXPECT_EQ(std::move(builder).build().kind.listDepth(), Value::maxListDepth);
}

TEST(Value, PrintsForTests) {
    Value value = Value::list({in(1.5, "m"), Value::percent(5), Value::text("a"), Value::list({})});
    EXPECT_EQ(value.debugDescription(), "[1.5 m, 5%, \"a\", []]");
    std::ostringstream out;
    out << Value(0.1 + 0.2);
    EXPECT_EQ(out.str(), "0.30000000000000004");
}

TEST(CalcError, DescriptionIsTheMessage) {
    CalcError error("Cannot divide by zero");
    EXPECT_STREQ(error.what(), "Cannot divide by zero");
    EXPECT_EQ(error.message(), "Cannot divide by zero");
    EXPECT_EQ(error, CalcError("Cannot divide by zero"));
}

} // namespace
} // namespace vell
