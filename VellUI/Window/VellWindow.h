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
    // The smallest window where the screen has room for it.
    static constexpr QSize minimumSize{720, 600};
    // The least a screen with less room may take the smallest window down to: the editor with its
    // answers, the tabs and the status bar are still whole there (the keypad gives way first).
    static constexpr QSize compactSize{480, 400};
};

} // namespace vell
