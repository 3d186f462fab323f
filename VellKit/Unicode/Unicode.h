#pragma once

// The one place that talks to ICU. Everything else in the engine sees UTF-8 std::string only.
// Every function accepts invalid UTF-8; an invalid sequence reads as U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vell::unicode {

constexpr char32_t replacementCharacter = 0xFFFD;

bool isAscii(std::string_view text);

// Decodes the scalar at `offset` and advances `offset` past it (one byte for an invalid sequence).
char32_t decodeNext(std::string_view text, std::size_t& offset);
void appendUtf8(std::string& out, char32_t scalar);
std::u32string toUtf32(std::string_view text);
std::string fromUtf32(std::u32string_view text);
std::u16string toUtf16(std::string_view text);
std::string fromUtf16(std::u16string_view text);
bool isValidUtf8(std::string_view text);
// The text with every invalid sequence replaced by U+FFFD.
std::string sanitized(std::string_view text);

// Extended grapheme clusters ("user-perceived characters").
// Byte offsets of every cluster start, followed by text.size(); {0} for the empty text.
std::vector<std::size_t> graphemeBoundaries(std::string_view text);
std::vector<std::string_view> graphemes(std::string_view text);
std::size_t graphemeCount(std::string_view text);
// UTF-16 offsets of every cluster start, followed by text.size().
std::vector<std::size_t> graphemeBoundaries(std::u16string_view text);

// Properties.
bool isAlphabetic(char32_t scalar);
bool isWhiteSpace(char32_t scalar);
bool isSpaceSeparator(char32_t scalar); // general category Zs
// Has a numeric value (digits, superscripts, fractions, circled numbers, numeric ideographs...).
bool isNumeric(char32_t scalar);
// First scalar of a text, or 0 for the empty text.
char32_t firstScalar(std::string_view text);

// Full case mapping (root locale).
std::string toLower(std::string_view text);
std::string toUpper(std::string_view text);

// Normalisation.
std::string nfc(std::string_view text);
// Normalises only the lines in which the texts differ.
bool canonicallyEqual(std::string_view a, std::string_view b);

// The lines in which two texts differ: the same stretch of each, from the start of the first line that
// differs to the end of the last one, its line feed included. Outside them the texts hold the same
// bytes; a character always ends at a line feed and a line feed composes with nothing, so characters,
// line feeds and canonical equivalence can be judged on these parts alone.
struct DifferingLines {
    std::string_view a;
    std::string_view b;
};
DifferingLines differingLines(std::string_view a, std::string_view b);

// Offset conversion between the UTF-8 and UTF-16 forms of one text.
std::size_t utf16Offset(std::string_view text, std::size_t byteOffset);
std::size_t byteOffset(std::string_view text, std::size_t utf16Offset);

} // namespace vell::unicode
