#pragma once

// The view angle of a surface plot: how far its floor is turned about the vertical axis, and how
// flat it lies. One is kept per plot title (InlinePlot::angles).

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <numbers>

namespace vell {

struct PlotAngle {
    // Radians; kept within [0, 2π) while dragged.
    double yaw = std::numbers::pi / 4;
    // Not an angle: the floor is drawn tilt times as high as it is wide; 0.1 to 0.95 while dragged.
    double tilt = 0.25;

    static constexpr double minTilt = 0.1;
    static constexpr double maxTilt = 0.95;

    // The angle after a drag by (dx, dy) points from where it started at this angle: right lowers the
    // yaw by 0.008 per point (modulo 2π), down raises the tilt by 0.004 per point, within its limits.
    PlotAngle dragged(double dx, double dy) const {
        double turned = std::fmod(yaw - 0.008 * dx, 2 * std::numbers::pi);
        if (turned < 0) turned += 2 * std::numbers::pi;
        // A remainder a hair below zero comes back as 2π itself.
        if (turned >= 2 * std::numbers::pi) turned = 0;
        return {turned, std::clamp(tilt + 0.004 * dy, minTilt, maxTilt)};
    }

    friend bool operator==(const PlotAngle&, const PlotAngle&) = default;
};

} // namespace vell

template <>
struct std::hash<vell::PlotAngle> {
    std::size_t operator()(const vell::PlotAngle& angle) const noexcept {
        const std::size_t yaw = std::hash<double>{}(angle.yaw);
        return yaw ^ (std::hash<double>{}(angle.tilt) + 0x9E3779B97F4A7C15ull + (yaw << 6) + (yaw >> 2));
    }
};
