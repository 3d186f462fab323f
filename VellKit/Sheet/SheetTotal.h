#pragma once

// The total the status bar shows beside the count of calculated lines: the sum of a sheet's answers,
// when answers of one kind make a sum at all.

#include "Engine/Value.h"
#include "Sheet/LineResult.h"

#include <optional>
#include <vector>

namespace vell {

struct SheetTotal {
    // The numeric answers (units and percentages included) added in line order with the engine's
    // addition; none when there is no number, when units of different dimensions meet, or when an
    // addition fails. Lists, texts, plots, failures, notes and blank lines take no part.
    static std::optional<Value> of(const std::vector<LineResult>& results);
};

} // namespace vell
