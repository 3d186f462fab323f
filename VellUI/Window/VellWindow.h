#pragma once

// The names and sizes every main window shares.

#include <QSize>
#include <string_view>

namespace vell {

struct VellWindow {
    // The application's identifier: the desktop file name, and the stem of its own drag types.
    static constexpr std::string_view applicationID = "app.vell.Vell";
    // The kind of window every main window is; what a request for another window names.
    static constexpr std::string_view id = "vell.window";

    static constexpr QSize defaultSize{1040, 720};
    static constexpr QSize minimumSize{720, 600};
};

} // namespace vell
