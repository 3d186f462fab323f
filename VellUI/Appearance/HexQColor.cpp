#include "Appearance/HexQColor.h"

#include "Appearance/ColorPair.h"

#include <algorithm>
#include <cmath>

namespace vell::HexColor {

std::optional<QColor> color(std::string_view text) {
    const std::optional<RGBA> word = rgba(text);
    if (!word) return std::nullopt;
    return colorOfWord(*word);
}

std::string hex(const QColor& color) {
    if (!color.isValid()) return "#000000";
    // Extended sRGB keeps components outside 0...1 so that they are clamped here, not wrapped.
    const QColor srgb = color.toExtendedRgb();
    const auto byte = [](float component) {
        const double c = std::isnan(component) ? 0.0 : std::clamp(static_cast<double>(component), 0.0, 1.0);
        return static_cast<RGBA>(std::lround(c * 255));
    };
    return hex((byte(srgb.redF()) << 24) | (byte(srgb.greenF()) << 16) | (byte(srgb.blueF()) << 8) | 0xFF);
}

} // namespace vell::HexColor
