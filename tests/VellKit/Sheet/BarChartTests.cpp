#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "PlotTestSupport.h"
#include "Sheet/PlotBuilder.h"
#include "Support/EngineSettingsScope.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::largest;
using testsupport::parseExpression;
using testsupport::plotFailure;
using testsupport::plotLine;
using testsupport::PlotTestContext;

// a = 3 kg, b = 2 kg, w = 2 kg, and f(n) = 10 n as a user function.
PlotTestContext chartContext() {
    PlotTestContext context;
    context.define("a", "3 kg");
    context.define("b", "2 kg");
    context.define("w", "2 kg");
    context.functions["f"] = [](const std::vector<Value>& arguments) {
        return Value(arguments.at(0).number * 10);
    };
    return context;
}

TEST(BarChart, BarsLabelsAndRanges) {
    struct Case {
        const char* line;
        std::vector<PlotBar> bars;
        PlotRange yRange;
        std::optional<std::string> unitLabel;
    };
    const Case cases[] = {
        {"chart(3, 5, 2)", {{"1", 3}, {"2", 5}, {"3", 2}}, {0, 5.6}, std::nullopt},
        {"chart(-2, 4)", {{"1", -2}, {"2", 4}}, {-2.72, 4.72}, std::nullopt},
        {"chart(-3, -1)", {{"1", -3}, {"2", -1}}, {-3.36, 0}, std::nullopt},
        {"chart(0, 0)", {{"1", 0}, {"2", 0}}, {0, 1}, std::nullopt},
        {"chart(0 kg, 0 kg)", {{"1", 0}, {"2", 0}}, {0, 1}, std::nullopt},
        {"chart([])", {}, {0, 1}, std::nullopt},
        {"chart([], [])", {}, {0, 1}, std::nullopt},
        {"chart(a, b)", {{"a", 3}, {"b", 2}}, {0, 3.36}, "kg"},
        {"chart(a, 2)", {{"a", 3}, {"2", 2}}, {0, 3.36}, std::nullopt},
        // No conversion between units.
        {"chart(3 kg, 2 lb)", {{"1", 3}, {"2", 2}}, {0, 3.36}, std::nullopt},
        {"chart(1 km, 500 m)", {{"1", 1}, {"2", 500}}, {0, 560}, std::nullopt},
        // Percentages keep their figure.
        {"chart(10%, 20%)", {{"1", 10}, {"2", 20}}, {0, 22.4}, std::nullopt},
        // A name inside conversions labels its bar; the value is the converted number.
        {"chart(w in g, 500)", {{"w", 2000}, {"2", 500}}, {0, 2240}, std::nullopt},
        {"chart(w to g to kg)", {{"w", 2}}, {0, 2.24}, "kg"},
        // Single arguments count arguments, list items count bars.
        {"chart([4, 5], 6)", {{"1", 4}, {"2", 5}, {"2", 6}}, {0, 6.72}, std::nullopt},
        {"chart(6, [4, 5])", {{"1", 6}, {"2", 4}, {"3", 5}}, {0, 6.72}, std::nullopt},
        {"chart([1 kg, 2 kg], b)", {{"1", 1}, {"2", 2}, {"b", 2}}, {0, 2.24}, "kg"},
        {"chart([1 kg, 2])", {{"1", 1}, {"2", 2}}, {0, 2.24}, std::nullopt},
        // An expression is no bare name; user functions work as on an ordinary line.
        {"chart(a + b, -a)", {{"1", 5}, {"2", -3}}, {-3.96, 5.96}, "kg"},
        {"chart(f(2))", {{"1", 20}}, {0, 22.4}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        PlotTestContext context = chartContext();
        const PlotSpec spec = plotLine(c.line, context);
        EXPECT_EQ(spec.kind, PlotSpec::Kind::bars);
        EXPECT_EQ(spec.title, c.line);
        EXPECT_EQ(spec.bars, c.bars);
        EXPECT_EQ(spec.xRange, (PlotRange{0, static_cast<double>(c.bars.size())}));
        EXPECT_NEAR(spec.yRange.lowerBound, c.yRange.lowerBound, 1e-12);
        EXPECT_NEAR(spec.yRange.upperBound, c.yRange.upperBound, 1e-12);
        EXPECT_EQ(spec.unitLabel, c.unitLabel);
        EXPECT_TRUE(spec.segments.empty());
        EXPECT_TRUE(spec.surface.empty());
        EXPECT_FALSE(spec.zRange);
    }
}

TEST(BarChart, ZeroStaysTheEdgeOnASideNoBarReaches) {
    EXPECT_EQ(plotLine("chart(-3, -1)").yRange.upperBound, 0);
    EXPECT_EQ(plotLine("chart(3, 5)").yRange.lowerBound, 0);
}

TEST(BarChart, BarLabel) {
    EXPECT_EQ(PlotBuilder::barLabel(*parseExpression("rent"), 4), "rent");
    EXPECT_EQ(PlotBuilder::barLabel(*parseExpression("rent in g"), 4), "rent");
    EXPECT_EQ(PlotBuilder::barLabel(*parseExpression("rent + 1"), 4), "4");
    EXPECT_EQ(PlotBuilder::barLabel(*parseExpression("(rent)%"), 12), "12");
    EXPECT_EQ(PlotBuilder::barLabel(*parseExpression("5"), 1), "1");
}

TEST(BarChart, Messages) {
    struct Case {
        const char* line;
        const char* english;
        const char* japanese;
    };
    const char* const notChartableEnglish = "Some values can’t be charted";
    const char* const notChartableJapanese = "グラフにできない値があります";
    const Case cases[] = {
        {"chart()", "Write values to chart, like chart(a, b, …)",
         "chart(値, 値, …) のように、並べる値を書いてください"},
        {"chart(\"a\")", notChartableEnglish, notChartableJapanese},
        {"chart([1, [2]])", notChartableEnglish, notChartableJapanese},
        {"chart([1, \"a\"])", notChartableEnglish, notChartableJapanese},
        {"chart(inf)", notChartableEnglish, notChartableJapanese},
        {"chart(-inf)", notChartableEnglish, notChartableJapanese},
        {"chart(nan)", notChartableEnglish, notChartableJapanese},
        {"chart([1, nan])", notChartableEnglish, notChartableJapanese},
        // x is an ordinary name in a chart.
        {"chart(x)", "x is not defined", "x が定義されていません"},
        // The first problem ends the chart: later arguments are not evaluated.
        {"chart(1, \"a\", zz)", notChartableEnglish, notChartableJapanese},
        {"chart(zz, \"a\")", "zz is not defined", "zz が定義されていません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
            EngineSettingsScope scope(language);
            PlotTestContext context;
            context.nameSpecialNumbers();
            EXPECT_EQ(plotFailure(c.line, context),
                      language == AppLanguage::english ? c.english : c.japanese);
        }
    }
}

TEST(BarChart, LaterArgumentsAreNotEvaluatedAfterAFailure) {
    PlotTestContext context = chartContext();
    EXPECT_THROW(plotLine("chart(\"a\", f(1))", context), CalcError);
    EXPECT_EQ(context.userCalls, 0);
}

// Margins near the double limit used to overflow into infinite ranges; they stay finite now.
TEST(BarChart, RangesNearTheDoubleLimitStayFinite) {
    struct Case {
        const char* line;
        PlotRange yRange;
    };
    const Case cases[] = {
        {"chart(1e308, -1e308)", {-1.24e308, 1.24e308}},
        {"chart(1.7e308, -1.7e308)", {-largest, largest}},
        {"chart(1.7e308)", {0, largest}},
        {"chart(-1.7e308)", {-largest, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const PlotRange range = plotLine(c.line).yRange;
        EXPECT_TRUE(std::isfinite(range.lowerBound) && std::isfinite(range.upperBound));
        EXPECT_NEAR(range.lowerBound, c.yRange.lowerBound, 1e296);
        EXPECT_NEAR(range.upperBound, c.yRange.upperBound, 1e296);
    }
}

} // namespace
} // namespace vell
