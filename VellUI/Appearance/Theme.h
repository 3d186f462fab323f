#pragma once

// The application's fixed colours outside the editor: window parts, plots, the answer column's grip
// and the help, terms and settings screens. None of them can be changed by the user.

#include "Appearance/ColorPair.h"

namespace vell {

struct Theme {
    // The outlines of a surface plot's cells.
    static constexpr ColorPair paper{0xFBFAF7FF, 0x17171AFF};
    // The background of the help and terms screens.
    static constexpr ColorPair card{0xFFFFFFFF, 0x1E1E23FF};
    // Hairlines of the tab bar and the status bar; plot grid lines and the surface floor.
    static constexpr ColorPair separator{0xDCD7CCFF, 0x33333CFF};
    // Primary text of the status bar, help and terms; the values above bars.
    static constexpr ColorPair ink{0x1B1A18FF, 0xECECEFFF};
    // Secondary text, plot titles, labels and axes, the answer column's grip.
    static constexpr ColorPair secondaryInk{0x8A857BFF, 0x8E8E99FF};
    // Plot curves and bars; the keypad's accented keys and its open panel toggle.
    static constexpr ColorPair accent{0x2F6FEDFF, 0x6FA0FFFF};
    // The faces of controls: the keypad's keys and tool buttons.
    static constexpr ColorPair controlBackground{0xFFFFFFFF, 0x1E1E1EFF};
    // Behind the controls of a window: the keypad.
    static constexpr ColorPair windowBackground{0xECECECFF, 0x323232FF};

    // The colours below keep text at 4.5:1 or more where the ones above would not.
    // Text on an accent fill: a chosen segment, the terms' agree button.
    static constexpr ColorPair onAccent{0xFFFFFFFF, 0x17171AFF};
    // Accent-coloured text on a plain or accent-tinted background: links, the keypad's open panel toggle
    // and the arranging bar's buttons.
    static constexpr ColorPair accentText{0x1D4FB8FF, 0x9DBDFFFF};
    // Secondary text on the window background or a tint of it: the keypad's group titles and hints.
    static constexpr ColorPair windowSecondaryInk{0x5F5B54FF, 0xB0B0BAFF};
    // A button or link that destroys something.
    static constexpr ColorPair destructive{0xD70015FF, 0xFF6961FF};
};

} // namespace vell
