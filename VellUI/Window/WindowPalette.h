#pragma once

// The light and dark palettes of a main window's own parts (menus, toolbar, splitter, dialogs); the
// editor and the status bar paint with their own colours.

#include <QPalette>

namespace vell {

// Window backgrounds (toolbar, menus, dialogs) take the theme's window background, controls and
// fields its control background.
struct WindowPalette {
    static QPalette make(bool dark);
};

} // namespace vell
