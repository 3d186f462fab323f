#pragma once

// The editor's fixed colours (text view, gutter, answer column, the drag image of an answer) and the
// colour of each syntax class, the user's own where set. Resolve them while painting.

#include "Appearance/ColorPair.h"
#include "LineRules/SyntaxKind.h"

namespace vell {

class AppSettings;

struct EditorPalette {
    // The editor's background; the fill of an answer's drag image.
    static constexpr ColorPair background{0xFBFAF7FF, 0x17171AFF};
    // The body text of the sheet.
    static constexpr ColorPair text{0x1B1A18FF, 0xE9E9ECFF};
    // The caret; the border (at half its alpha) and text of an answer's drag image.
    static constexpr ColorPair accent{0x2F6FEDFF, 0x6FA0FFFF};
    // The label of a plot line in the answer column.
    static constexpr ColorPair plotLabel{0x8B5CF6FF, 0xB295FFFF};
    // Answers in the answer column.
    static constexpr ColorPair resultText{0x14130FFF, 0xF2F2F5FF};
    // Failure messages in the answer column.
    static constexpr ColorPair failureText{0xC0392BFF, 0xFF7A6EFF};
    // The line between the text and the answer column.
    static constexpr ColorPair divider{0x1B1A181A, 0xFFFFFF1A};
    // Line numbers in the gutter.
    static constexpr ColorPair lineNumber{0x8E887AFF, 0x8A8A98FF};
    // The number of the line that holds the caret.
    static constexpr ColorPair caretLineNumber{0x2F6FEDFF, 0x6FA0FFFF};
    // Behind the answer under the mouse pointer.
    static constexpr ColorPair hoverFill{0x2F6FED14, 0x6FA0FF1F};

    // A colour of the editor's kind from two words, alpha included.
    static constexpr ColorPair dynamicColor(RGBA light, RGBA dark) { return {light, dark}; }

    // The colour of a syntax class: for each appearance the user's colour text when HexColor::rgba
    // reads it, else the class's default. Reads the settings at every call.
    static ColorPair syntaxColor(SyntaxKind kind, const AppSettings& settings);
};

} // namespace vell
