#pragma once

// The plot images the editor draws under plot lines, and the view angle of every surface by plot
// title. Both are shared by every window and live as long as the process; main thread only.

#include "Plots/PlotAngle.h"
#include "Sheet/PlotSpec.h"

#include <QImage>
#include <cstddef>
#include <string>
#include <unordered_map>

namespace vell {

struct InlinePlot {
    // Images held before the cache is emptied wholesale to store the next.
    static constexpr std::size_t cacheLimit = 60;

    // By plot title (the text of the plot's line): plots with the same text turn together. Entries
    // are never removed.
    static std::unordered_map<std::string, PlotAngle>& angles();
    // The stored angle of a title, or the default one.
    static PlotAngle angle(const std::string& title);

    // The plot drawn at width × height points (each cut to a whole number) in the light or dark
    // colours at its title's angle, without its title: a transparent image at the device pixel ratio
    // of the screen it is shown on (1 when the ratio is not above 0), with that many pixels per point
    // each way, rounded up. None when a side is 8 points or less. An image shown before at the same
    // size, ratio, colours and angle, in the same language and with the same fraction digits, comes
    // from the cache.
    static QImage image(const PlotSpec& spec, double width, double height, bool dark, double ratio);

    // What an image shows of a plot: its title, kind, data, ranges and unit, in a text that tells
    // different plots apart.
    static std::string signature(const PlotSpec& spec);

    static std::size_t cachedImageCount();
    static std::size_t cachedImageBytes();
    static void emptyCache();
    // Drops the images nothing but the cache holds: each view keeps those of the plots in and near its
    // sight, so that images of plots far off screen, and of angles a surface has been turned past, go.
    static void dropUnheld();
};

} // namespace vell
