#pragma once

// Everything a plot view draws for one plot or chart line: a sampled curve, a bar chart or a surface
// over a grid, with its axis ranges and the unit shared by the plotted values.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

// A closed interval; the builders always hand out lowerBound <= upperBound, both finite.
struct PlotRange {
    double lowerBound = 0;
    double upperBound = 0;

    friend bool operator==(const PlotRange&, const PlotRange&) = default;
};

struct PlotPoint {
    double x = 0;
    double y = 0;

    friend bool operator==(const PlotPoint&, const PlotPoint&) = default;
};

struct PlotBar {
    std::string label;
    double value = 0;

    friend bool operator==(const PlotBar&, const PlotBar&) = default;
};

struct PlotSpec {
    enum class Kind : std::uint8_t {
        curve,
        bars,
        surface
    };
    // The kind as descriptions, the keys of drawn plot images and the JSON of the tools name it.
    static constexpr std::string_view kindName(Kind kind) {
        switch (kind) {
        case Kind::curve:
            return "curve";
        case Kind::bars:
            return "bars";
        case Kind::surface:
            return "surface";
        }
        return "";
    }

    Kind kind = Kind::curve;
    // The text of the line that made the plot; the view keeps one view angle per title.
    std::string title;
    // Curve: the drawable pieces in ascending x, each of at least two points.
    std::vector<std::vector<PlotPoint>> segments;
    std::vector<PlotBar> bars;
    // Surface: one row per y grid value (lowest first), one cell per x grid value (lowest first);
    // an absent cell is undefined.
    std::vector<std::vector<std::optional<double>>> surface;
    PlotRange xRange;
    // Curve and bars: the value axis; surface: the y axis.
    PlotRange yRange;
    // Surface only: the value axis.
    std::optional<PlotRange> zRange;
    std::optional<std::string> unitLabel;

    friend bool operator==(const PlotSpec&, const PlotSpec&) = default;
};

} // namespace vell
