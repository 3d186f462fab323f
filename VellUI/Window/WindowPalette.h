#pragma once

// The light and dark palettes of a main window's own parts (menus, toolbar, splitter, dialogs); the
// editor and the status bar paint with their own colours.

#include "Appearance/ColorPair.h"

#include <QPalette>

namespace vell {

struct WindowPalette {
    // Window backgrounds: the toolbar, menus and dialogs.
    static constexpr ColorPair window{0xECECECFF, 0x323232FF};
    // Controls and fields.
    static constexpr ColorPair control{0xFFFFFFFF, 0x1E1E1EFF};

    static QPalette make(bool dark);
};

} // namespace vell
