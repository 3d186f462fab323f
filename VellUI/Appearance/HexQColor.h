#pragma once

// The colour texts of the user's syntax colours, read into and written from QColor.

#include "LineRules/HexColor.h"

#include <QColor>
#include <optional>
#include <string>
#include <string_view>

namespace vell::HexColor {

// The opaque sRGB colour of a text that rgba() reads; none otherwise.
std::optional<QColor> color(std::string_view text);

// "#RRGGBB" of the colour in sRGB: each component within 0...1, times 255, rounded half away from
// zero; alpha is dropped. An invalid colour is written "#000000".
std::string hex(const QColor& color);

} // namespace vell::HexColor
