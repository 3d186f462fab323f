#include "Plots/PlotGeometry.h"

#include "Engine/ValueFormatter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vell {

std::vector<double> niceTicks(double lower, double upper) {
    const double span = upper - lower;
    if (!std::isfinite(span) || !(span > 0)) return {};
    const double raw = span / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double r = raw / magnitude;
    const double step = r < 1.5   ? magnitude
                        : r < 3.5 ? 2 * magnitude
                        : r < 7.5 ? 5 * magnitude
                                  : 10 * magnitude;
    // Spans near the smallest double give a step of zero or NaN.
    if (!std::isfinite(step) || !(step > 0)) return {};
    double t = std::ceil(lower / step) * step;
    std::vector<double> ticks;
    if (!(t <= upper)) return ticks;
    do {
        if (ticks.size() > 23) break;
        ticks.push_back(t == 0 ? 0.0 : t);
        t += step;
    } while (t <= upper);
    return ticks;
}

std::string roundedLabel(double value) {
    if (std::isfinite(value) && value != 0) {
        const double p = std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 2);
        const double rounded = std::round(value / p) * p;
        // Near the smallest doubles the power of ten underflows; such a value is shown as it is.
        if (std::isfinite(rounded) && rounded != 0) value = rounded;
    }
    return ValueFormatter::formatNumber(value, true);
}

double AxisMap::x(double value) const {
    const double span = xRange.upperBound - xRange.lowerBound;
    if (!(span > 0)) return rect.center().x();
    return rect.left() + rect.width() * (value - xRange.lowerBound) / span;
}

double AxisMap::y(double value) const {
    const double span = yRange.upperBound - yRange.lowerBound;
    if (!(span > 0)) return rect.center().y();
    return rect.bottom() - rect.height() * (value - yRange.lowerBound) / span;
}

QRectF plotRect(QSizeF canvas, double labelWidth) {
    const double left = std::min(0.4 * canvas.width(), labelWidth + 8);
    return {left, 10, std::max(canvas.width() - left - 10, 1.0), std::max(canvas.height() - 30, 1.0)};
}

bool tickIsShown(double position, double min, double max) {
    return position >= min - 0.5 && position <= max + 0.5;
}

double BarLayout::centerX(std::size_t index) const {
    return rect.left() + (static_cast<double>(index) + 0.5) * slot;
}

QRectF BarLayout::bar(std::size_t index, double valueY) const {
    const double top = std::min(baselineY, valueY);
    const double height = std::max(std::fabs(baselineY - valueY), 1.0);
    return {centerX(index) - barWidth / 2, top, barWidth, height};
}

BarLayout barLayout(const AxisMap& map, std::size_t count) {
    BarLayout layout;
    layout.rect = map.rect;
    layout.baselineY = map.y(0);
    if (count == 0) return layout;
    layout.slot = map.rect.width() / static_cast<double>(count);
    layout.barWidth = std::min(54.0, 0.62 * layout.slot);
    return layout;
}

QPointF SurfaceLayout::project(double u, double v, double h) const {
    return {cx + scale * (u * cosYaw - v * sinYaw), baseY + depthScale * depth(u, v) - h * zHeight};
}

QPointF SurfaceLayout::zAxisCorner() const {
    constexpr std::array<QPointF, 4> corners{QPointF(-0.5, -0.5), QPointF(0.5, -0.5), QPointF(-0.5, 0.5),
                                             QPointF(0.5, 0.5)};
    QPointF found = corners[0];
    for (const QPointF& corner : corners)
        if (project(corner.x(), corner.y(), 0).x() < project(found.x(), found.y(), 0).x()) found = corner;
    return found;
}

QPointF SurfaceLayout::xEdgeMidpoint() const {
    return depth(0, -0.5) > depth(0, 0.5) ? project(0, -0.5, 0) : project(0, 0.5, 0);
}

QPointF SurfaceLayout::yEdgeMidpoint() const {
    return depth(-0.5, 0) > depth(0.5, 0) ? project(-0.5, 0, 0) : project(0.5, 0, 0);
}

QPointF SurfaceLayout::labelPoint(QPointF edgeMidpoint) const {
    const QPointF out = edgeMidpoint - center();
    const double distance = std::max(std::hypot(out.x(), out.y()), 0.001);
    return edgeMidpoint + out * (14 / distance);
}

SurfaceLayout surfaceLayout(const QRectF& rect, PlotAngle angle, double zLabelWidth) {
    SurfaceLayout layout;
    const double W = rect.width();
    const double H = rect.height();
    layout.rect = rect;
    layout.sinYaw = std::sin(angle.yaw);
    layout.cosYaw = std::cos(angle.yaw);
    layout.tilt = angle.tilt;
    layout.gutter = std::min(0.3 * W, zLabelWidth + 6);
    // The floor's shape and the heights are measured as on a canvas about twice as wide as high.
    double R = std::max(0.5 * std::min(2 * H, W - layout.gutter) - 10, 20.0);
    const double cap = std::max(0.3 * (H - 26), 20.0);
    if (R * angle.tilt > cap) R = cap / angle.tilt;
    layout.t = R * angle.tilt;
    layout.zHeight = std::min(1.6 * R, std::max(H - 2 * layout.t - 26, 10.0));
    // A wide canvas (a surface spans the editor) is not left empty on the right: the floor is drawn
    // wider than its shape, up to twice, across the room beside the z labels.
    const double room = W - layout.gutter - SurfaceLayout::rightRoom;
    layout.R = std::clamp(0.5 * room, R, 2 * R);
    layout.cx = rect.left() + layout.gutter + std::max(0.0, 0.5 * room - layout.R) + layout.R;
    const double turnedWidth = 0.5 * (std::fabs(layout.sinYaw) + std::fabs(layout.cosYaw));
    layout.scale = layout.R / turnedWidth;
    layout.depthScale = layout.t / turnedWidth;
    const double extra = std::max(0.0, (H - layout.zHeight - 2 * layout.t) / 2);
    layout.baseY = rect.top() + extra + layout.zHeight + layout.t;
    return layout;
}

bool cellIsFarther(SurfaceCell a, SurfaceCell b, double sinYaw, double cosYaw, int columnSteps,
                   int rowSteps) {
    const auto depth = [&](SurfaceCell cell) {
        const double u = (cell.i + 0.5) / columnSteps - 0.5;
        const double v = (cell.j + 0.5) / rowSteps - 0.5;
        return u * sinYaw + v * cosYaw;
    };
    return depth(a) < depth(b);
}

std::vector<SurfaceCell> cellsBackToFront(int columns, int rows, double sinYaw, double cosYaw) {
    std::vector<SurfaceCell> cells;
    if (columns < 2 || rows < 2) return cells;
    cells.reserve(static_cast<std::size_t>(columns - 1) * static_cast<std::size_t>(rows - 1));
    for (int j = 0; j < rows - 1; ++j)
        for (int i = 0; i < columns - 1; ++i)
            cells.push_back({i, j});
    std::stable_sort(cells.begin(), cells.end(), [&](SurfaceCell a, SurfaceCell b) {
        return cellIsFarther(a, b, sinYaw, cosYaw, columns - 1, rows - 1);
    });
    return cells;
}

double surfaceHeight(double z, double zLow, double zSpan) {
    const double h = (z - zLow) / zSpan;
    if (!(h > 0)) return 0;
    return std::min(h, 1.0);
}

QColor heightColor(double mean) {
    struct Rgb {
        double r, g, b;
    };
    constexpr Rgb low{0.23, 0.45, 0.82}, middle{0.84, 0.83, 0.80}, high{0.91, 0.48, 0.16};
    const double m = std::isnan(mean) ? 0 : std::clamp(mean, 0.0, 1.0);
    const bool lower = m < 0.5;
    const Rgb& from = lower ? low : middle;
    const Rgb& to = lower ? middle : high;
    const double f = lower ? 2 * m : 2 * (m - 0.5);
    return QColor::fromRgbF(static_cast<float>(from.r + f * (to.r - from.r)),
                            static_cast<float>(from.g + f * (to.g - from.g)),
                            static_cast<float>(from.b + f * (to.b - from.b)));
}

} // namespace vell
