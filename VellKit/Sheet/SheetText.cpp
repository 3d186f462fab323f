#include "Sheet/SheetText.h"

#include "Unicode/Unicode.h"

#include <algorithm>

namespace vell {

namespace {

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

bool SheetText::isBlank(char32_t scalar) {
    if (scalar < 0x80) return scalar == U' ' || scalar == U'\t';
    return unicode::isSpaceSeparator(scalar);
}

std::string_view SheetText::trimmed(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const auto byte = static_cast<unsigned char>(text[begin]);
        if (byte < 0x80) {
            if (byte != ' ' && byte != '\t') break;
            ++begin;
            continue;
        }
        std::size_t next = begin;
        if (!isBlank(unicode::decodeNext(text, next))) break;
        begin = next;
    }
    std::size_t end = text.size();
    while (end > begin) {
        const auto byte = static_cast<unsigned char>(text[end - 1]);
        if (byte < 0x80) {
            if (byte != ' ' && byte != '\t') break;
            --end;
            continue;
        }
        std::size_t start = end - 1;
        // Back up to the lead byte of the last scalar (at most three continuation bytes).
        while (start > begin && end - start < 4 && isContinuationByte(text[start]))
            --start;
        std::size_t after = start;
        const char32_t scalar = unicode::decodeNext(text, after);
        if (after != end || !isBlank(scalar)) break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

bool SheetText::isNote(std::string_view text) {
    if (text.starts_with("//") || text.starts_with("＃")) return true;
    if (!text.starts_with('#')) return false;
    return text.size() == 1 || text[1] < '0' || text[1] > '9';
}

bool SheetText::hasNoDigits(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace vell
