#pragma once

// Colour words and their "#RRGGBB" texts. A colour word holds red, green, blue and alpha, one byte
// each, from the highest byte to the lowest (0x2F6FEDFF), in sRGB.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vell {

using RGBA = std::uint32_t;

// One colour for the light appearance and one for the dark appearance.
struct ColorWords {
    RGBA light = 0;
    RGBA dark = 0;

    friend bool operator==(const ColorWords&, const ColorWords&) = default;
};

// A namespace rather than a struct so that the Qt side can add the conversions to and from QColor
// under the same name.
namespace HexColor {

// "#2F6FED", "2f6fed" or "  #2F6FED  " -> 0x2F6FEDFF (alpha always 0xFF). Spaces and tabs at both
// ends are dropped, then one "#"; the rest must be exactly six hexadecimal digits, of which the first
// may be a "+" or, for a value of zero, a "-". Anything else is none.
std::optional<RGBA> rgba(std::string_view text);

// "#RRGGBB" in upper-case digits; the alpha byte is dropped.
std::string hex(RGBA word);

} // namespace HexColor

} // namespace vell
