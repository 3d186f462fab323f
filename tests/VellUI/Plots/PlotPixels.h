#pragma once

// Rendering a plot into an image as the editor does (two pixels per point, transparent) and reading
// its pixels back by points.

#include "Appearance/ColorPair.h"
#include "Appearance/Fonts.h"
#include "Engine/ValueFormatter.h"
#include "Plots/PlotGeometry.h"
#include "Plots/PlotView.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace vell::testsupport {

inline QImage renderedPlot(const PlotSpec& spec, QSizeF size, bool dark = false, PlotAngle angle = {}) {
    QImage image(static_cast<int>(2 * size.width()), static_cast<int>(2 * size.height()),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    PlotView::render(painter, size, spec, angle, dark, false);
    return image;
}

// The pixel whose top left corner is at twice the point; pixelColor gives it unpremultiplied.
inline QColor colorAt(const QImage& image, QPointF point) {
    return image.pixelColor(static_cast<int>(std::floor(2 * point.x())),
                            static_cast<int>(std::floor(2 * point.y())));
}

inline bool isTransparent(const QImage& image, QPointF point) {
    return colorAt(image, point).alpha() == 0;
}

// Within `tolerance` of 255 in every channel, alpha included.
inline ::testing::AssertionResult near(const QColor& actual, const QColor& expected, int tolerance = 4) {
    const bool close = std::abs(actual.red() - expected.red()) <= tolerance &&
                       std::abs(actual.green() - expected.green()) <= tolerance &&
                       std::abs(actual.blue() - expected.blue()) <= tolerance &&
                       std::abs(actual.alpha() - expected.alpha()) <= tolerance;
    if (close) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.name(QColor::HexArgb).toStdString() << " is not near "
                                         << expected.name(QColor::HexArgb).toStdString();
}

inline QColor withOpacity(const ColorPair& pair, bool dark, double opacity) {
    QColor color = pair.resolve(dark);
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

// The plot rectangle of a curve or bar chart as the view lays it out: its y tick labels measured in
// the label font on an image like the one rendered.
inline AxisMap axisMapOf(const PlotSpec& spec, QSizeF size) {
    QImage device(2, 2, QImage::Format_ARGB32_Premultiplied);
    device.setDevicePixelRatio(2);
    const QFontMetricsF metrics(Fonts::monospacedDigits(9), &device);
    const QString unit = spec.unitLabel ? QString::fromStdString(*spec.unitLabel) : QString();
    double width = 0;
    for (double tick : niceTicks(spec.yRange.lowerBound, spec.yRange.upperBound))
        width = std::max(width, metrics.horizontalAdvance(
                                    QString::fromStdString(ValueFormatter::formatNumber(tick, true)) + unit));
    return {plotRect(size, width), spec.xRange, spec.yRange};
}

// The layout of a surface as the view makes it in a canvas of the given size.
inline SurfaceLayout surfaceLayoutOf(const PlotSpec& spec, QSizeF size, PlotAngle angle = {}) {
    QImage device(2, 2, QImage::Format_ARGB32_Premultiplied);
    device.setDevicePixelRatio(2);
    const QFontMetricsF metrics(Fonts::monospacedDigits(9), &device);
    const PlotRange z = spec.zRange.value_or(spec.yRange);
    const QString unit = spec.unitLabel ? QString::fromStdString(*spec.unitLabel) : QString();
    const double width =
        std::max(metrics.horizontalAdvance(QString::fromStdString(roundedLabel(z.lowerBound)) + unit),
                 metrics.horizontalAdvance(QString::fromStdString(roundedLabel(z.upperBound)) + unit));
    return surfaceLayout({6, 6, size.width() - 12, size.height() - 12}, angle, width);
}

} // namespace vell::testsupport
