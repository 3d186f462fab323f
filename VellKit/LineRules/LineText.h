#pragma once

// Small UTF-16 helpers shared by the line rules: offsets, lines, characters (grapheme clusters),
// quoted runs and the character classes the rules test. Internal to the line rules.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vell::linetext {

// An offset cut into 0 ... text.size().
std::size_t clamp(std::u16string_view text, std::int64_t offset);

// Start of the line that holds `position`: just after the last "\n" before it, or 0.
std::size_t lineStart(std::u16string_view text, std::size_t position);
// Position of the "\n" that ends the line holding `position`, or text.size() for the last line.
std::size_t lineBreak(std::u16string_view text, std::size_t position);
// The pieces between "\n" characters; the empty text is one empty line.
std::vector<std::u16string_view> splitLines(std::u16string_view text);
std::u16string joinLines(const std::vector<std::u16string>& lines);

// The scalar that starts at `index` (a lone surrogate reads as itself), and the one that ends
// just before `index`.
char32_t scalarAt(std::u16string_view text, std::size_t index);
char32_t scalarBefore(std::u16string_view text, std::size_t index);

// Offsets of every character start of `text`, followed by text.size(); {0} for the empty text.
std::vector<std::size_t> characterBoundaries(std::u16string_view text);
// The character of `text` that contains `position` (< text.size()): its start and its end. Only
// the line around the position is examined.
struct CharacterRange {
    std::size_t start;
    std::size_t end;
};
CharacterRange characterAround(std::u16string_view text, std::size_t position);

bool isDigit(char32_t c);
bool isSpaceOrTab(char32_t c);
// Letters of any script, as far as names and words go (ideographs such as 万 included).
bool isLetter(char32_t c);
// Characters that carry a numeric value: ASCII and full-width digits, superscripts, fractions,
// circled numbers and a few scripts' digits (the Unicode module has no numeric-type test yet).
bool isNumeric(char32_t c);

// 1 for the double quote family, 2 for the single quote family, 0 for anything else.
int quoteFamily(char32_t c);

// A quoted run that starts at character `from` (an index into `bounds`, which are the character
// boundaries of `text`). `end` is the character index after the run; `closed` tells whether an
// unescaped quote of the opening family ended it (otherwise it ran to the end of `text`).
struct QuotedRun {
    std::size_t end;
    bool closed;
};
// The quote family of the character between two boundaries: 0 unless it is exactly one quote.
int quoteFamilyOf(std::u16string_view text, std::size_t start, std::size_t end);
QuotedRun scanQuoted(std::u16string_view text, const std::vector<std::size_t>& bounds, std::size_t from);

// Removes spaces and tabs (the space separators and U+0009) at both ends.
std::u16string_view trimSpaces(std::u16string_view text);
// The leading run of spaces and tabs.
std::u16string_view leadingSpaces(std::u16string_view text);

std::string toUtf8(std::u16string_view text);
std::u16string toUtf16(std::string_view text);

} // namespace vell::linetext
