#include "Engine/L10n.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/LineResult.h"
#include "Sheet/PlotSpec.h"
#include "SheetTestSupport.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::evaluated;

const PlotSpec& plotOf(const LineResult& result) {
    const PlotSpec* spec = result.outcome.as<PlotSpec>();
    if (!spec) throw std::logic_error("not a plot: " + result.debugDescription());
    return *spec;
}

TEST(PlotLines, ResultsOfShortSheets) {
    const EngineSettingsScope english(AppLanguage::english);
    struct Case {
        std::vector<std::string_view> lines;
        std::vector<std::string> results;
    };
    const Case cases[] = {
        // A plot line changes neither the previous answer nor the sums, and records no line value.
        {{"5", "plot(x)", "+ 1", "#2"}, {"5", "plot", "6", "fail: #2 not found"}},
        {{"1", "chart(1, 2)", "sum", "total"}, {"1", "plot", "1", "2"}},
        // A named plot carries its name, but the name is not defined below.
        {{"f = plot(x)", "f"}, {"plot =f", "note"}},
        // The builder's message stands even on a line without digits.
        {{"plot()"}, {"fail: Write an expression to draw, like plot(x^2)"}},
        {{"chart(\"a\")"}, {"fail: Some values can’t be charted"}},
        {{"plot(x, 5, 5)"}, {"fail: The range needs left < right"}},
        {{"def f(a):", "  return a", "plot(f(x))"},
         {"blank", "blank", "fail: This expression can’t be plotted"}},
        // An error of a bound or an argument is the line's failure too.
        {{"chart(zz)"}, {"fail: zz is not defined"}},
        {{"plot(x, 0, zz)"}, {"fail: zz is not defined"}},
        {{"sum = 3", "plot(x)"}, {"fail: “sum” is a built-in word and can’t be used as a name", "plot"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(evaluated(c.lines), c.results) << testsupport::sheet(c.lines);
}

// Results of two evaluations compare equal by what they show, plots by what they draw.
TEST(PlotLines, PlotOutcomesCompareBySpecification) {
    const auto first = DocumentEvaluator::evaluate("plot(x^2)\nplot(x^3)");
    const auto second = DocumentEvaluator::evaluate("plot(x^2)\nplot(x^3)");
    EXPECT_EQ(first, second);
    EXPECT_NE(first[0], second[1]);
    EXPECT_NE(first[0].outcome, LineOutcome::value(Value(1.0)));
    PlotSpec retitled = plotOf(first[0]);
    retitled.title = "another";
    EXPECT_NE(first[0].outcome, LineOutcome::plot(retitled));
    EXPECT_EQ(first[0].outcome, LineOutcome::plot(plotOf(second[0])));
}

TEST(PlotLines, TitleIsTheLineAsReceived) {
    const auto results = DocumentEvaluator::evaluate("plot(x) =\n  chart(1)\nf = graph(x)");
    EXPECT_EQ(plotOf(results[0]).title, "plot(x) =");
    EXPECT_EQ(plotOf(results[1]).title, "chart(1)");
    EXPECT_EQ(plotOf(results[2]).title, "f = graph(x)");
}

TEST(PlotLines, SurfaceOrCurveByTheSheetsNames) {
    const auto surface =
        DocumentEvaluator::evaluate("plot(x*y)\nPlot(x^2 + y^2)\nグラフ(3 y)\nplot(x, 0, 1, 0, 1)");
    for (const LineResult& result : surface)
        EXPECT_EQ(plotOf(result).kind, PlotSpec::Kind::surface);

    const auto curve = DocumentEvaluator::evaluate("y = 2\nplot(x*y)");
    const PlotSpec& spec = plotOf(curve[1]);
    ASSERT_EQ(spec.kind, PlotSpec::Kind::curve);
    EXPECT_EQ(spec.segments.at(0).back(), (PlotPoint{10, 20}));

    // A parameter of the running function counts as a value for y.
    const auto inside = DocumentEvaluator::evaluate("def f(y):\n  plot(x*y)\n  return 0\nf(3)");
    EXPECT_EQ(plotOf(inside[1]).kind, PlotSpec::Kind::curve);
    EXPECT_EQ(plotOf(inside[1]).segments.at(0).back(), (PlotPoint{10, 30}));
}

TEST(PlotLines, Charts) {
    const auto results = DocumentEvaluator::evaluate("a = 3 kg\nb = 2 kg\nchart(a, b)\nCHART(x)");
    const PlotSpec& spec = plotOf(results[2]);
    EXPECT_EQ(spec.kind, PlotSpec::Kind::bars);
    EXPECT_EQ(spec.bars, (std::vector<PlotBar>{{"a", 3}, {"b", 2}}));
    EXPECT_EQ(spec.unitLabel, "kg");

    // Named values, line values and functions reach the chart's arguments.
    const auto reached =
        DocumentEvaluator::evaluate("a = 3\ndef dbl(n):\n  return n * 2\nchart(a, dbl(a), #1)");
    EXPECT_EQ(plotOf(reached[3]).bars, (std::vector<PlotBar>{{"a", 3}, {"2", 6}, {"3", 3}}));

    const EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(evaluated({"棒グラフ(1)", "Bars(x)"}),
              (std::vector<std::string>{"plot", "fail: x is not defined"}));
}

} // namespace
} // namespace vell
