#pragma once

// Sizes of the keypad's key grid that do not depend on any widget, in points.

#include "Keypad/KeypadKey.h"

namespace vell {

struct KeypadMetrics {
    // Between two cells of the grid, across and down.
    static constexpr double gridSpacing = 6;

    struct Size {
        double width = 0;
        double height = 0;
        bool operator==(const Size&) const = default;
    };
    // Five cells and four gaps in each direction fill the grid; never below 0, however small the grid.
    static Size cellSize(double gridWidth, double gridHeight);
    // 24 × scale for the digit keys, 21 × scale for every other key.
    static double labelSize(const KeypadKey& key, double fontScale);
};

} // namespace vell
