#pragma once

// Evaluates one expression tree to one value.

namespace vell {

struct Evaluator {
    // Engine-wide; written only by the settings store. True: the trigonometric built-ins work in degrees.
    static bool useDegrees;
};

} // namespace vell
