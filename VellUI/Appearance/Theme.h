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

    // Notices across a window or an editor (NoticeBar), their text in `ink`: a warning (the document is
    // not saved, the shared copy cannot be used) in amber, information (a sheet shown read-only, a copy
    // taken back) in blue. A tint behind the text, an edge under it and the icon's colour.
    static constexpr ColorPair warningTint{0xFFF3D1FF, 0x44381CFF};
    static constexpr ColorPair warningEdge{0xE6BE5AFF, 0x8A6D2CFF};
    static constexpr ColorPair warningIcon{0xA86200FF, 0xF4C04AFF};
    static constexpr ColorPair informationTint{0xDEEAFFFF, 0x1E2F4FFF};
    static constexpr ColorPair informationEdge{0xA8C2F2FF, 0x3C5C94FF};
    static constexpr ColorPair informationIcon{0x2F6FEDFF, 0x7AA7FFFF};
};

} // namespace vell
