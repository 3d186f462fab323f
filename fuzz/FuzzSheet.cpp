// A whole sheet, with a second sheet offered for its def functions: the input up to its first NUL byte
// is the sheet, the rest the other sheet. Checks the promises the editor and the plot view rely on.

#include "FuzzSupport.h"
#include "Sheet/DocumentEvaluator.h"
#include "Unicode/Unicode.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vell;

void expectRange(const PlotRange& range, std::string_view what) {
    if (!std::isfinite(range.lowerBound) || !std::isfinite(range.upperBound) ||
        range.lowerBound > range.upperBound)
        fuzz::fault(what, "an empty or non-finite plot range");
}

void expectPlot(const PlotSpec& plot) {
    expectRange(plot.xRange, "plot x range");
    expectRange(plot.yRange, "plot y range");
    if (plot.zRange) expectRange(*plot.zRange, "plot z range");
    for (const auto& segment : plot.segments) {
        if (segment.size() < 2) fuzz::fault("curve", "a segment of fewer than two points");
        for (std::size_t i = 1; i < segment.size(); ++i)
            if (!(segment[i - 1].x < segment[i].x)) fuzz::fault("curve", "a segment not in ascending x");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view text = input.substr(0, split);
    std::vector<SharedSheet> others;
    if (split != std::string_view::npos) others.push_back({"Other", std::string(input.substr(split + 1))});
    const bool validInput = unicode::isValidUtf8(input);
    const fuzz::SlowCheck slow(input);

    const std::vector<LineResult> results = DocumentEvaluator::evaluate(text, others);
    if (results.size() != DocumentEvaluator::splitLines(text).size())
        fuzz::fault("evaluate", "not one result per line");
    for (const LineResult& result : results) {
        if (const Value* value = result.outcome.as<Value>(); value && validInput)
            fuzz::formatEveryWay(*value);
        if (const auto* failure = result.outcome.as<LineOutcome::Failure>()) {
            if (failure->message.empty()) fuzz::fault("failure", "an empty message");
            if (validInput) fuzz::expectValidUtf8(failure->message, "failure message");
        }
        if (const PlotSpec* plot = result.outcome.as<PlotSpec>()) expectPlot(*plot);
    }
    return 0;
}
