#include "SheetRun.h"

#include "Engine/ValueFormatter.h"
#include "PlotJson.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/LineResult.h"
#include "Sheet/SharedSheet.h"

namespace vell::harness {

namespace {

LineReport report(const LineResult& result, bool grouping) {
    LineReport out;
    out.name = result.name;
    switch (result.outcome.kind()) {
    case LineOutcome::Case::value:
        out.kind = "value";
        out.text = ValueFormatter::format(*result.outcome.as<Value>(), grouping);
        break;
    case LineOutcome::Case::plot:
        out.kind = "plot";
        out.spec = plotSpecJson(*result.outcome.as<PlotSpec>());
        break;
    case LineOutcome::Case::failure:
        out.kind = "failure";
        out.text = result.outcome.as<LineOutcome::Failure>()->message;
        break;
    case LineOutcome::Case::blank:
        out.kind = "blank";
        break;
    case LineOutcome::Case::comment:
        out.kind = "comment";
        break;
    }
    return out;
}

} // namespace

// The whole sheet, with the other sheets offered for their functions.
std::vector<LineReport> evaluateSheet(const HarnessInput& input) {
    std::vector<SharedSheet> others;
    others.reserve(input.others.size());
    for (const OtherSheet& sheet : input.others)
        others.push_back({sheet.name, sheet.text});
    const std::vector<LineResult> results = DocumentEvaluator::evaluate(input.sheet, others);
    std::vector<LineReport> reports;
    reports.reserve(results.size());
    for (const LineResult& result : results)
        reports.push_back(report(result, input.grouping));
    return reports;
}

nlohmann::ordered_json reportJson(std::size_t line, const LineReport& report) {
    nlohmann::ordered_json object;
    object["line"] = line;
    object["kind"] = report.kind;
    if (report.text) object["text"] = *report.text;
    if (report.name) object["name"] = *report.name;
    if (report.spec) object["spec"] = *report.spec;
    return object;
}

} // namespace vell::harness
