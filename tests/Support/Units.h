#pragma once

// Units and measured values by the names a user types, for the tests of the engine.

#include "Engine/UnitRegistry.h"
#include "Engine/Value.h"

#include <stdexcept>
#include <string_view>

namespace vell::testsupport {

// A unit by one of its names ("km", "坪") or a compound of them ("km/h"); a name that is neither is a
// mistake in the test and stops it.
inline MeasureUnit unit(std::string_view text) {
    if (auto found = UnitRegistry::lookup(text)) return *found;
    if (auto parsed = UnitRegistry::parseCompound(text)) return *parsed;
    throw std::logic_error("no such unit");
}

// `number` in the unit named `text`.
inline Value in(double number, std::string_view text) {
    return Value(number, unit(text));
}

} // namespace vell::testsupport
