#pragma once

// The one width of the answer column, shared by every window and kept across launches: its bounds
// and the one operation that changes it while the program runs.

#include <optional>

namespace vell {

class AppSettings;

struct ResultColumn {
    static constexpr double minimum = 84;
    static constexpr double maximum = 560;
    static constexpr double defaultWidth = 180;

    // The widest column that leaves 150 points of an editor `available` wide, never below the minimum;
    // the maximum when no width is known.
    static double cap(std::optional<double> available);

    // Clamps the proposed width and stores it in the settings, which announce it; a width within half
    // a point of the stored one changes nothing.
    static void setWidth(double proposed, std::optional<double> available, AppSettings& settings);
};

} // namespace vell
