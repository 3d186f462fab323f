#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/UnitRegistry.h"
#include "Sheet/LineContext.h"
#include "VellKit/Engine/MessageTestSupport.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::messageOf;

ProgramFunction function(std::string name, std::vector<std::string> params,
                         std::optional<std::string> home = std::nullopt) {
    return {std::move(name), std::move(params), std::make_shared<const ProgramNodes>(), std::move(home)};
}

TEST(LineContext, NameLookupOrder) {
    LineContext context;
    context.assign("x", Value(1.0));
    context.assign("sum", Value(99.0)); // only the runner refuses reserved names
    context.previous = Value(7.0);
    context.block.append(Value(2.0));
    context.block.append(Value(3.0));
    context.all.append(Value(10.0));

    EXPECT_EQ(context.lookupName("x"), Value(1.0));
    EXPECT_EQ(context.lookupName("X"), std::nullopt); // exact, no case folding
    for (std::string_view name : {"prev", "ans", "前"})
        EXPECT_EQ(context.lookupName(name), Value(7.0)) << name;
    for (std::string_view name : {"sum", "subtotal", "小計"})
        EXPECT_EQ(context.lookupName(name), Value(5.0)) << name;
    for (std::string_view name : {"total", "合計"})
        EXPECT_EQ(context.lookupName(name), Value(10.0)) << name;
    EXPECT_EQ(context.lookupName("Prev"), std::nullopt);

    // Inside a call only the innermost scope is seen, before the special names and named values.
    context.locals.push_back({{"y", Value(5.0)}, {"prev", Value(6.0)}});
    context.locals.push_back({{"z", Value(8.0)}});
    EXPECT_EQ(context.lookupName("z"), Value(8.0));
    EXPECT_EQ(context.lookupName("y"), std::nullopt);
    EXPECT_EQ(context.lookupName("x"), Value(1.0));
    context.locals.pop_back();
    EXPECT_EQ(context.lookupName("prev"), Value(6.0));

    // Assignments inside a call stay in its scope.
    context.assign("x", Value(4.0));
    EXPECT_EQ(context.lookupName("x"), Value(4.0));
    context.locals.pop_back();
    EXPECT_EQ(context.lookupName("x"), Value(1.0));
}

TEST(LineContext, CanonicallyEquivalentNamesAreOneName) {
    LineContext context;
    context.assign("caf\u00e9", Value(3.0));
    EXPECT_EQ(context.lookupName("cafe\u0301"), Value(3.0));
    context.assign("cafe\u0301", Value(4.0));
    EXPECT_EQ(context.lookupName("caf\u00e9"), Value(4.0));
    EXPECT_EQ(context.names.size(), 1u);

    // Kana and ideographs, composed and with a combining voiced mark.
    context.assign("単価が", Value(5.0));
    EXPECT_EQ(context.lookupName("単価か\u3099"), Value(5.0));
    context.assign("ﾃｽﾄ", Value(7.0));
    context.assign("単価か\u3099", Value(6.0));
    EXPECT_EQ(context.lookupName("単価が"), Value(6.0));
    EXPECT_EQ(context.names.size(), 3u);
}

TEST(LineContext, RunningSums) {
    const auto metre = UnitRegistry::lookup("m");
    const auto kilogram = UnitRegistry::lookup("kg");
    LineContext context;
    EXPECT_EQ(context.lookupName("sum"), std::nullopt);
    EXPECT_FALSE(context.mixedUnits);

    context.block.append(Value(5.0, metre));
    EXPECT_EQ(context.lookupName("sum"), Value(5.0, metre));
    context.block.append(Value(20.0, UnitRegistry::lookup("cm")));
    const auto sum = context.lookupName("sum");
    ASSERT_TRUE(sum);
    EXPECT_DOUBLE_EQ(sum->number, 5.2); // in the unit of the first value
    context.block.append(Value(3.0, kilogram));
    EXPECT_EQ(context.lookupName("sum"), std::nullopt);
    EXPECT_TRUE(context.mixedUnits);

    // A new block adds up again.
    context.mixedUnits = false;
    context.block.clear();
    context.block.append(Value::percent(10));
    EXPECT_EQ(context.lookupName("subtotal"), Value::percent(10));
    EXPECT_FALSE(context.mixedUnits);

    const std::vector<Value> values = {Value(1.0), Value(2.0), Value(3.0)};
    EXPECT_EQ(context.sumValues(values), Value(6.0));
    EXPECT_EQ(context.sumValues({}), std::nullopt);
    const std::vector<Value> mixed = {Value(1.0, metre), Value(1.0, kilogram)};
    EXPECT_EQ(context.sumValues(mixed), std::nullopt);
    EXPECT_TRUE(context.mixedUnits);
}

TEST(LineContext, LineValues) {
    LineContext context;
    context.recordLine(2, Value(4.0));
    context.recordLine(2, Value(5.0));
    EXPECT_EQ(context.lineValue(2), Value(5.0));
    for (std::int64_t line : {0, -1, 1, 3, 1000000})
        EXPECT_EQ(context.lineValue(line), std::nullopt) << line;
}

TEST(LineContext, CallsCheckTheArgumentCount) {
    const EngineSettingsScope english(AppLanguage::english);
    LineContext context;
    int runs = 0;
    context.runFunction = [&](const ProgramFunction&) {
        ++runs;
        return Value(1.0);
    };
    const ProgramFunction tools = function("f", {"a", "b"}, "Tools");
    context.findFunction = [&](std::string_view name) { return name == "f" ? &tools : nullptr; };
    context.functions.emplace("g", function("g", {"a", "b"}));

    const std::vector<Value> one = {Value(1.0)};
    const std::vector<Value> three = {Value(1.0), Value(2.0), Value(3.0)};
    EXPECT_EQ(messageOf([&] { context.callUserFunction("f", one); }),
              "f (from sheet “Tools”) needs 2 argument(s)");
    EXPECT_EQ(messageOf([&] { context.callUserFunction("g", three); }), "g needs 2 argument(s)");
    {
        const EngineSettingsScope japanese(AppLanguage::japanese);
        EXPECT_EQ(messageOf([&] { context.callUserFunction("f", one); }),
                  "（Tools シートの）f は引数が 2 つ必要です");
        EXPECT_EQ(messageOf([&] { context.callUserFunction("g", three); }), "g は引数が 2 つ必要です");
    }
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(context.budget.depth(), 0);
    EXPECT_TRUE(context.locals.empty());

    // No function of that name: none, so the built-ins are tried.
    EXPECT_EQ(context.callUserFunction("h", one), std::nullopt);
    // Without a runner nothing runs.
    context.runFunction = nullptr;
    EXPECT_EQ(context.callUserFunction("g", {Value(1.0), Value(2.0)}), std::nullopt);
}

TEST(LineContext, CallsBindParametersAndAlwaysUnwind) {
    const EngineSettingsScope english(AppLanguage::english);
    LineContext context;
    context.functions.emplace("f", function("f", {"a", "b", "a"}));
    context.runFunction = [&](const ProgramFunction&) {
        EXPECT_EQ(context.budget.depth(), 1);
        EXPECT_EQ(context.lookupName("a"), Value(3.0)); // a repeated parameter: the later argument wins
        EXPECT_EQ(context.lookupName("b"), Value(2.0));
        return *context.lookupName("a");
    };
    EXPECT_EQ(context.callUserFunction("f", {Value(1.0), Value(2.0), Value(3.0)}), Value(3.0));
    EXPECT_EQ(context.budget.depth(), 0);
    EXPECT_TRUE(context.locals.empty());

    context.runFunction = [](const ProgramFunction&) -> Value { throw CalcError("inner"); };
    EXPECT_EQ(messageOf([&] {
                  context.callUserFunction("f", {Value(1.0), Value(2.0), Value(3.0)});
              }),
              "inner");
    EXPECT_EQ(context.budget.depth(), 0);
    EXPECT_TRUE(context.locals.empty());

    // The 41st nested call fails before its scope is pushed.
    for (int i = 0; i < 40; ++i)
        context.budget.enter();
    context.runFunction = [](const ProgramFunction&) { return Value(0.0); };
    EXPECT_EQ(messageOf([&] {
                  context.callUserFunction("f", {Value(1.0), Value(2.0), Value(3.0)});
              }),
              "Function calls are nested too deeply");
    EXPECT_EQ(context.budget.depth(), 40);
    EXPECT_TRUE(context.locals.empty());
}

} // namespace
} // namespace vell
