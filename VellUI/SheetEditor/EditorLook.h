#pragma once

// The colours and fonts the editor draws with, in one place: each colour is a light and a dark word
// (0xRRGGBBAA) resolved when it is drawn, and sizes are in device-independent pixels.

#include <QColor>
#include <QFont>
#include <cstdint>

namespace vell {

class AppSettings;

struct EditorLook {
    struct Pair {
        std::uint32_t light;
        std::uint32_t dark;
        QColor resolve(bool dark) const;
    };

    static constexpr Pair background{0xFBFAF7FF, 0x17171AFF};
    static constexpr Pair text{0x1B1A18FF, 0xE9E9ECFF};
    static constexpr Pair accent{0x2F6FEDFF, 0x6FA0FFFF};
    static constexpr Pair plotLabel{0x8B5CF6FF, 0xB295FFFF};
    static constexpr Pair resultText{0x14130FFF, 0xF2F2F5FF};
    static constexpr Pair failureText{0xC0392BFF, 0xFF7A6EFF};
    static constexpr Pair divider{0x1B1A181A, 0xFFFFFF1A};
    static constexpr Pair lineNumber{0x8E887AFF, 0x8A8A98FF};
    static constexpr Pair caretLineNumber{0x2F6FEDFF, 0x6FA0FFFF};
    static constexpr Pair hoverFill{0x2F6FED14, 0x6FA0FF1F};
    static constexpr Pair secondaryInk{0x8A857BFF, 0x8E8E99FF};

    // Dark by the appearance preference; "auto" follows the lightness of the system palette.
    static bool isDark(const AppSettings& settings);

    // 15 times the text-size scale.
    static double textSize(const AppSettings& settings);
    static QFont systemFont(double size, QFont::Weight weight);
    // A font whose ten digits have one advance, so answers and numbers line up.
    static QFont monospacedDigitFont(double size, QFont::Weight weight);
};

} // namespace vell
