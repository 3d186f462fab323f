#pragma once

// A fixed colour of the interface: one word for the light appearance and one for the dark. Keep the
// pair and resolve it while painting; a resolved QColor must not outlive an appearance change.

#include "LineRules/HexColor.h"

#include <QColor>

namespace vell {

// The sRGB colour of a word, alpha included.
QColor colorOfWord(RGBA word);

struct ColorPair {
    RGBA light = 0;
    RGBA dark = 0;

    constexpr ColorPair() = default;
    constexpr ColorPair(RGBA light, RGBA dark) : light(light), dark(dark) {}
    constexpr ColorPair(ColorWords words) : light(words.light), dark(words.dark) {}

    constexpr RGBA word(bool dark) const { return dark ? this->dark : light; }
    QColor resolve(bool dark) const { return colorOfWord(word(dark)); }

    friend constexpr bool operator==(const ColorPair&, const ColorPair&) = default;
};

} // namespace vell
