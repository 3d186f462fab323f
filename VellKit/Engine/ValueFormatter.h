#pragma once

// Turns values and numbers into the answer texts the user sees.

namespace vell {

struct ValueFormatter {
    // Engine-wide; written only by the settings store. Read afresh for every number formatted and
    // clamped to 0...10 where it is read.
    static int maxFractionDigits;
};

} // namespace vell
