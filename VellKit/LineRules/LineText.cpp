#include "LineRules/LineText.h"

#include "Unicode/Unicode.h"

#include <algorithm>

namespace vell::linetext {

namespace {

bool isHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Plain ASCII other than "\r" splits into one character per unit: no cluster can form there.
bool isSimple(char16_t u) {
    return u < 0x80 && u != u'\r';
}

} // namespace

std::size_t clamp(std::u16string_view text, std::int64_t offset) {
    if (offset <= 0) return 0;
    return std::min(static_cast<std::size_t>(offset), text.size());
}

std::size_t lineStart(std::u16string_view text, std::size_t position) {
    position = std::min(position, text.size());
    const std::size_t found = text.substr(0, position).rfind(u'\n');
    return found == std::u16string_view::npos ? 0 : found + 1;
}

std::size_t lineBreak(std::u16string_view text, std::size_t position) {
    const std::size_t found = text.find(u'\n', std::min(position, text.size()));
    return found == std::u16string_view::npos ? text.size() : found;
}

std::vector<std::u16string_view> splitLines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t found = text.find(u'\n', start);
        if (found == std::u16string_view::npos) break;
        lines.push_back(text.substr(start, found - start));
        start = found + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::u16string joinLines(const std::vector<std::u16string>& lines) {
    std::size_t size = lines.empty() ? 0 : lines.size() - 1;
    for (const auto& line : lines)
        size += line.size();
    std::u16string out;
    out.reserve(size);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out.push_back(u'\n');
        out += lines[i];
    }
    return out;
}

char32_t scalarAt(std::u16string_view text, std::size_t index) {
    if (index >= text.size()) return 0;
    const char16_t u = text[index];
    if (isHighSurrogate(u) && index + 1 < text.size() && isLowSurrogate(text[index + 1]))
        return 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[index + 1] - 0xDC00);
    return u;
}

char32_t scalarBefore(std::u16string_view text, std::size_t index) {
    if (index == 0 || index > text.size()) return 0;
    if (index >= 2 && isLowSurrogate(text[index - 1]) && isHighSurrogate(text[index - 2]))
        return scalarAt(text, index - 2);
    return text[index - 1];
}

std::vector<std::size_t> characterBoundaries(std::u16string_view text) {
    if (std::all_of(text.begin(), text.end(), isSimple)) {
        std::vector<std::size_t> bounds(text.size() + 1);
        for (std::size_t i = 0; i < bounds.size(); ++i)
            bounds[i] = i;
        return bounds;
    }
    return unicode::graphemeBoundaries(text);
}

CharacterRange characterAround(std::u16string_view text, std::size_t position) {
    if (position >= text.size()) return {text.size(), text.size()};
    const bool simple = isSimple(text[position]) && (position == 0 || isSimple(text[position - 1])) &&
                        (position + 1 == text.size() || isSimple(text[position + 1]));
    if (simple) return {position, position + 1};
    // A cluster never reaches over "\n" except in "\r\n", which stays inside this window.
    const std::size_t from = lineStart(text, position);
    const std::size_t to = std::min(lineBreak(text, position) + 1, text.size());
    const std::vector<std::size_t> bounds = characterBoundaries(text.substr(from, to - from));
    const auto next = std::upper_bound(bounds.begin(), bounds.end(), position - from);
    return {from + *(next - 1), from + (next == bounds.end() ? bounds.back() : *next)};
}

bool isDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

bool isSpaceOrTab(char32_t c) {
    return c == U'\t' || unicode::isSpaceSeparator(c);
}

bool isLetter(char32_t c) {
    return unicode::isAlphabetic(c);
}

bool isNumeric(char32_t c) {
    return unicode::isNumeric(c);
}

int quoteFamily(char32_t c) {
    switch (c) {
    case U'"':
    case 0xFF02: // ＂
    case 0x201C: // “
    case 0x201D: // ”
        return 1;
    case U'\'':
    case 0x2018: // ‘
    case 0x2019: // ’
        return 2;
    default:
        return 0;
    }
}

int quoteFamilyOf(std::u16string_view text, std::size_t start, std::size_t end) {
    return end == start + 1 ? quoteFamily(text[start]) : 0;
}

QuotedRun scanQuoted(std::u16string_view text, const std::vector<std::size_t>& bounds, std::size_t from) {
    const std::size_t count = bounds.size() - 1;
    const int family = quoteFamilyOf(text, bounds[from], bounds[from + 1]);
    std::size_t k = from + 1;
    while (k < count) {
        const std::size_t start = bounds[k];
        const std::size_t end = bounds[k + 1];
        if (end == start + 1 && text[start] == u'\\' && k + 1 < count) {
            k += 2;
        } else if (quoteFamilyOf(text, start, end) == family) {
            return {k + 1, true};
        } else {
            ++k;
        }
    }
    return {count, false};
}

std::u16string_view trimSpaces(std::u16string_view text) {
    // Every space separator lies in the Basic Multilingual Plane, so single units suffice.
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && isSpaceOrTab(text[start]))
        ++start;
    while (end > start && isSpaceOrTab(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

std::u16string_view leadingSpaces(std::u16string_view text) {
    std::size_t end = 0;
    while (end < text.size() && isSpaceOrTab(text[end]))
        ++end;
    return text.substr(0, end);
}

std::string toUtf8(std::u16string_view text) {
    return unicode::fromUtf16(text);
}

std::u16string toUtf16(std::string_view text) {
    return unicode::toUtf16(text);
}

} // namespace vell::linetext
