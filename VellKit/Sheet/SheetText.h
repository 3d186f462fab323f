#pragma once

// Small text rules of sheet lines shared by the program parser and the sheet evaluator.

#include <string_view>

namespace vell {

struct SheetText {
    // Whether the scalar is a horizontal blank: a tab or a space separator (U+3000 included).
    static bool isBlank(char32_t scalar);
    // The text without tabs and space separators at either end; line breaks stay.
    static std::string_view trimmed(std::string_view text);
    // A trimmed line that is a note: it starts with "//", with "＃", or with "#" not followed by an
    // ASCII digit (so "#3 * 2" is a calculation).
    static bool isNote(std::string_view trimmedText);
    // True when the text holds no ASCII digit 0 to 9.
    static bool hasNoDigits(std::string_view text);
};

} // namespace vell
