#pragma once

// The arithmetic of plot drawing, apart from the painting: tick values, rounded labels, the plot
// rectangle and its margins, value positions, bar slots, the surface's layout and projection, the
// order of its cells and the colour of their heights.

#include "Plots/PlotAngle.h"
#include "Sheet/PlotSpec.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>
#include <string>
#include <vector>

namespace vell {

// Round tick values covering [lower, upper]: a step of 1, 2, 5 or 10 times a power of ten giving
// about five intervals, accumulated by addition from the first multiple of the step; at most 24, a
// zero tick is +0. None for an empty, reversed or non-finite range, or one too narrow for a step.
std::vector<double> niceTicks(double lower, double upper);

// The number rounded to three significant digits (halves away from zero), as an answer shows it with
// digit grouping: 1234.5 is "1,230".
std::string roundedLabel(double value);

// Where values of the two ranges lie in a rectangle; a range of no width puts every value in the middle.
// Values outside a range map outside the rectangle.
struct AxisMap {
    QRectF rect;
    PlotRange xRange;
    PlotRange yRange;

    double x(double value) const;
    double y(double value) const;
    QPointF point(double x, double y) const { return {this->x(x), this->y(y)}; }
};

// The rectangle in which curves and bar charts map their values, for a canvas and the width of the
// widest y tick label (0 without ticks): the left margin holds the labels but never more than 40 % of
// the width; 10 stay free on the right and at the top, 20 at the bottom for the x labels.
QRectF plotRect(QSizeF canvas, double labelWidth);

// A y tick is drawn when it lies within half a point of the plot rectangle.
bool tickIsShown(double position, double min, double max);

// The slots of a bar chart in its plot rectangle.
struct BarLayout {
    double slot = 0;
    double barWidth = 0;
    double baselineY = 0;
    QRectF rect;

    double centerX(std::size_t index) const;
    // At least one point high, so a bar at the baseline still shows.
    QRectF bar(std::size_t index, double valueY) const;
};

BarLayout barLayout(const AxisMap& map, std::size_t count);

// Where a surface's floor lies and how its points (u, v from −0.5 to 0.5, height h from 0 to 1) are
// projected onto the canvas, for a rectangle, a view angle and the width of the wider z label.
struct SurfaceLayout {
    // Kept free right of the floor for the range label standing beyond its right edge.
    static constexpr double rightRoom = 48;

    QRectF rect;
    double sinYaw = 0;
    double cosYaw = 1;
    double tilt = 0.25;
    double gutter = 0; // room for the z labels at the left
    double R = 0;      // half the floor's drawn width
    double t = 0;      // half the floor's drawn height
    double cx = 0;     // the floor's centre
    double baseY = 0;
    double scale = 0;      // floor units to points across, so that the turned floor is 2R wide
    double depthScale = 0; // depth to points down, so that the turned floor is 2t high
    double zHeight = 0;    // the drawn height of h = 1

    QPointF project(double u, double v, double h) const;
    // Nearer the viewer, lower on the canvas.
    double depth(double u, double v) const { return u * sinYaw + v * cosYaw; }
    QPointF center() const { return {cx, baseY}; }
    // The floor corner the z axis stands on: the leftmost, the first found among equals in the
    // order (−0.5, −0.5), (0.5, −0.5), (−0.5, 0.5), (0.5, 0.5).
    QPointF zAxisCorner() const;
    // The midpoints of the nearer floor edges along x and along y, where the range labels go.
    QPointF xEdgeMidpoint() const;
    QPointF yEdgeMidpoint() const;
    // A label position 14 points further out from the floor's centre than an edge midpoint.
    QPointF labelPoint(QPointF edgeMidpoint) const;
};

SurfaceLayout surfaceLayout(const QRectF& rect, PlotAngle angle, double zLabelWidth);

struct SurfaceCell {
    int i = 0; // column, along x
    int j = 0; // row, along y

    friend bool operator==(const SurfaceCell&, const SurfaceCell&) = default;
};

// Whether cell a's centre lies farther from the viewer than cell b's, on a grid of columnSteps ×
// rowSteps cells.
bool cellIsFarther(SurfaceCell a, SurfaceCell b, double sinYaw, double cosYaw, int columnSteps, int rowSteps);

// Every cell of a grid of the given points, far cells first; cells of equal depth stay in row order.
std::vector<SurfaceCell> cellsBackToFront(int columns, int rows, double sinYaw, double cosYaw);

// A z value's height within [zLow, zLow + zSpan], clamped to 0...1; no value (NaN) lies on the floor.
double surfaceHeight(double z, double zLow, double zSpan);

// The colour of a cell by the mean of its corner heights: blue at 0, stone at 0.5, orange at 1.
QColor heightColor(double mean);

} // namespace vell
