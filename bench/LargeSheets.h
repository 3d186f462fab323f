#pragma once

// The large sheets the editor's benchmarks open: the generated mixed sheet of any length, one line of
// about a megabyte (`1+1+…`), and a sheet of plot lines, every fifth a surface. Header-only, like
// SheetGenerator.h.

#include "SheetGenerator.h"

#include <cstddef>
#include <string>

namespace vell::bench {

// `1+1+…+1`, `bytes` long (odd counts; an even count is one more).
inline std::string longSumLine(std::size_t bytes = 1 << 20) {
    std::string line;
    line.reserve(bytes + 1);
    line += '1';
    while (line.size() < bytes)
        line += "+1";
    return line;
}

// A few plain lines on top, where one types, then `plots` plot lines: curves, and a surface every
// fifth line. Every line differs, so no two plots share an image.
inline std::string plotSheet(std::size_t plots = 10000) {
    std::string text = "rate = 3\nrate × 2\n\n";
    for (std::size_t k = 0; k < plots; ++k) {
        const std::string n = decimalText(k);
        if (k % 5 == 4)
            text += "plot(sin(x) * y + " + n + ")\n";
        else
            text += "plot(x^2 - 3x + " + n + ")\n";
    }
    text += "rate";
    return text;
}

} // namespace vell::bench
