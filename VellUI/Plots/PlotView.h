#pragma once

// Paints one plot: a curve over its grid and axes, a bar chart, or a turnable surface. A painting
// function, not a widget; the editor shows plots as images made with it (InlinePlot).

#include "Plots/PlotAngle.h"
#include "Sheet/PlotSpec.h"

#include <QSizeF>
#include <string>

class QPainter;

namespace vell {

struct PlotView {
    // Paints the plot into the rectangle (0, 0, size) of the painter's coordinates, in the light or
    // dark colours; `angle` turns a surface, the other kinds ignore it. With `showsTitle` the line's
    // text stands in one line above the drawing.
    static void render(QPainter& painter, QSizeF size, const PlotSpec& spec, PlotAngle angle, bool dark,
                       bool showsTitle);

    // The note above a surface that it turns when dragged, in the user's language.
    static std::string turnHint();
};

} // namespace vell
