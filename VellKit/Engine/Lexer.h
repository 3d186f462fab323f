#pragma once

// Turns one line of text into tokens: look-alike characters are first rewritten into the grammar's
// ASCII, then the line is read character by character (grapheme clusters).

#include "Engine/Token.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

struct Lexer {
    // Rewrites full-width forms, ×, ÷, dashes, curly quotes, ≠ ≤ ≥, arrows, the ideographic space,
    // Japanese brackets and 、 into ASCII (and →), scalar by scalar; quoted texts stay as typed.
    // Never fails.
    static std::string normalize(std::string_view text);

    // The tokens of the normalised line, closed by exactly one eof token. Throws CalcError.
    static std::vector<Token> tokenize(std::string_view text);
    // The same into `tokens`, which is emptied first and keeps its room, so that a caller reading
    // line after line need not allocate a list for each. On a throw `tokens` holds no whole line.
    static void tokenize(std::string_view text, std::vector<Token>& tokens);

    // Where the characters of the normalised line came from in the typed one, so that a token's
    // start can be shown on the typed text.
    struct LineMap {
        std::string normalized;
        // Byte offset in `normalized` of every character, followed by normalized.size().
        std::vector<std::size_t> characterOffsets;
        // For every byte of `normalized`, the byte offset in the typed text of the scalar it was
        // written for; followed by the typed text's size.
        std::vector<std::size_t> sourceOffsets;

        // Byte offset in the typed text of the character at `characterIndex` of the normalised line
        // (a token's start); the typed text's size for the end.
        std::size_t sourceOffset(std::size_t characterIndex) const;
    };
    static LineMap lineMap(std::string_view text);
};

} // namespace vell
