#pragma once

// The contrast ratio of two colours as the web's accessibility guidelines define it: (L1 + 0.05) /
// (L2 + 0.05) of their relative luminances, lighter over darker; 4.5 is the least for text, 3 for
// other parts a user must see.

#include <QColor>
#include <algorithm>
#include <cmath>

namespace vell::testsupport {

inline double relativeLuminance(const QColor& colour) {
    const QColor srgb = colour.toRgb();
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(srgb.redF()) + 0.7152 * linear(srgb.greenF()) + 0.0722 * linear(srgb.blueF());
}

inline double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `over` laid at its alpha on the opaque `under`.
inline QColor blended(const QColor& over, const QColor& under) {
    const double a = over.alphaF();
    return QColor::fromRgbF(static_cast<float>(over.redF() * a + under.redF() * (1 - a)),
                            static_cast<float>(over.greenF() * a + under.greenF() * (1 - a)),
                            static_cast<float>(over.blueF() * a + under.blueF() * (1 - a)));
}

} // namespace vell::testsupport
