#include "Engine/UnitRegistry.h"
#include "Sheet/SheetTotal.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vell {
namespace {

MeasureUnit unit(const char* name) {
    const auto found = UnitRegistry::lookup(name);
    EXPECT_TRUE(found) << name;
    return found.value_or(MeasureUnit("?", "?", {}, 1));
}

LineResult answer(Value value) {
    return {LineOutcome::value(std::move(value)), std::nullopt};
}

std::string described(const std::optional<Value>& total) {
    return total ? total->debugDescription() : "none";
}

TEST(SheetTotal, NoNumberGivesNoTotal) {
    PlotSpec plot;
    plot.title = "plot(x^2)";
    const std::vector<std::vector<LineResult>> cases{
        {},
        {{LineOutcome::comment(), std::nullopt},
         {LineOutcome::blank(), std::nullopt},
         {LineOutcome::plot(plot), "p"},
         {LineOutcome::failure("Unknown name"), std::nullopt}},
        {answer(Value::list({Value(1), Value(2)})), answer(Value::text("3"))},
    };
    for (const auto& results : cases)
        EXPECT_EQ(described(SheetTotal::of(results)), "none") << results.size() << " results";
}

TEST(SheetTotal, AddsTheNumericAnswersInLineOrder) {
    const Value metres(1500, unit("m"));
    const Value kilometres(2, unit("km"));
    struct Case {
        const char* what;
        std::vector<LineResult> results;
        std::optional<Value> total;
    };
    const Case cases[] = {
        {"one answer is its own total", {answer(Value(42))}, Value(42)},
        {"plain numbers", {answer(Value(100)), answer(Value(23))}, Value(123)},
        {"other outcomes and non-numbers are skipped",
         {answer(Value(100)),
          {LineOutcome::comment(), std::nullopt},
          answer(Value::text("a")),
          {LineOutcome::failure("x"), std::nullopt},
          answer(Value(23))},
         Value(123)},
        {"units of one dimension follow the first answer's unit",
         {answer(metres), answer(kilometres)},
         Value(3500, unit("m"))},
        {"a unitless number joins a sum of lengths",
         {answer(kilometres), answer(Value(1))},
         Value(3, unit("km"))},
        {"a percentage applies to the running total",
         {answer(Value(200)), answer(Value::percent(10))},
         Value(220)},
        {"lengths and durations have no total", {answer(metres), answer(Value(5, unit("s")))}, std::nullopt},
        {"a later mismatch spoils an earlier partial sum",
         {answer(Value(1, unit("m"))), answer(Value(2, unit("m"))), answer(Value(3, unit("kg")))},
         std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(described(SheetTotal::of(c.results)), described(c.total)) << c.what;
}

} // namespace
} // namespace vell
