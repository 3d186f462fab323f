#pragma once

// The "spec" object vell-eval prints for a plot line, and compact JSON text whose numbers are written
// in the shortest form that reads back as the same double.

#include "Sheet/PlotSpec.h"

#include <nlohmann/json.hpp>
#include <string>

namespace vell::harness {

// {"kind", "title", "segments": [[[x, y], ...], ...], "bars": [{"label", "value"}], "surface": [[z or
// null, ...], ...], "xRange": [lo, hi], "yRange": [lo, hi], "zRange": [lo, hi] or null,
// "unitLabel": text or null}
nlohmann::ordered_json plotSpecJson(const PlotSpec& spec);

// Like dump() without indentation (invalid UTF-8 replaced), except that floating-point numbers are
// written with std::to_chars: 100 rather than 100.0, and never a digit more than needed.
std::string compactJson(const nlohmann::ordered_json& json);

} // namespace vell::harness
