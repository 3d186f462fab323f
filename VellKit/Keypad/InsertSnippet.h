#pragma once

// A piece of text that the keypad, the function menu or the sidebar asks its window's editor to put
// in at the caret.

#include <cstdint>
#include <string>

namespace vell {

struct InsertSnippet {
    // UTF-8. Exactly "\n" asks for a new line, indented like the Return key.
    std::string text;
    // UTF-16 units the caret moves back after the insertion ("sqrt()" with 1 leaves it inside).
    std::int64_t caretBack = 0;
    // True for a named value from the sidebar: it joins the text before it with " + ".
    bool isNamedValue = false;

    friend bool operator==(const InsertSnippet&, const InsertSnippet&) = default;
};

} // namespace vell
