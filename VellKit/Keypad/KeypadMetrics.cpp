#include "Keypad/KeypadMetrics.h"

#include <algorithm>

namespace vell {

KeypadMetrics::Size KeypadMetrics::cellSize(double gridWidth, double gridHeight) {
    const auto cell = [](double length) { return std::max(0.0, (length - 4 * gridSpacing) / 5); };
    return {cell(gridWidth), cell(gridHeight)};
}

double KeypadMetrics::labelSize(const KeypadKey& key, double fontScale) {
    return (key.isDigit() ? 24 : 21) * fontScale;
}

} // namespace vell
