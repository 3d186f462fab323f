#include "LineRules/HexColor.h"

#include "Unicode/Unicode.h"

namespace vell::HexColor {

namespace {

bool isSpaceOrTab(char32_t c) {
    return c == U'\t' || unicode::isSpaceSeparator(c);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty()) {
        std::size_t next = 0;
        if (!isSpaceOrTab(unicode::decodeNext(text, next))) break;
        text.remove_prefix(next);
    }
    while (!text.empty()) {
        // Step back to the start of the last scalar.
        std::size_t start = text.size() - 1;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        std::size_t end = start;
        if (!isSpaceOrTab(unicode::decodeNext(text, end)) || end != text.size()) break;
        text.remove_suffix(text.size() - start);
    }
    return text;
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<RGBA> rgba(std::string_view text) {
    text = trimmed(text);
    if (text.starts_with('#')) text.remove_prefix(1);
    // Six bytes that read as a number are six ASCII characters; any other character fails the reading.
    if (text.size() != 6) return std::nullopt;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    RGBA value = 0;
    for (const char c : text) {
        const int digit = digitValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<RGBA>(digit);
    }
    // An unsigned reading takes "-0" but nothing below zero.
    if (negative && value != 0) return std::nullopt;
    return (value << 8) | 0xFF;
}

std::string hex(RGBA word) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out = "#";
    for (int shift = 28; shift >= 8; shift -= 4)
        out.push_back(digits[(word >> shift) & 0xF]);
    return out;
}

} // namespace vell::HexColor
