#pragma once

// What vell-eval reports for each line of the sheet, and the one place where a sheet is evaluated.

#include "HarnessInput.h"

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace vell::harness {

struct LineReport {
    // "value", "failure", "comment", "blank" or "plot".
    std::string kind;
    // The answer text of a value, the message of a failure.
    std::optional<std::string> text;
    // The name the line assigns.
    std::optional<std::string> name;
    // What a plot line draws, as JSON.
    std::optional<nlohmann::ordered_json> spec;
};

// One report per line of the sheet split at "\n", in order.
std::vector<LineReport> evaluateSheet(const HarnessInput& input);

// {"line": 0, "kind": "value", "text": "1,200", "name": "price"}, absent fields left out.
nlohmann::ordered_json reportJson(std::size_t line, const LineReport& report);

} // namespace vell::harness
