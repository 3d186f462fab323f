#include "Unicode/Unicode.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>

namespace vell::unicode {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

std::u16string callIcu16(std::u16string_view source,
                         int32_t (*fn)(UChar*, int32_t, const UChar*, int32_t, UErrorCode*)) {
    std::u16string out(source.size() + 8, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t length =
        fn(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
           reinterpret_cast<const UChar*>(source.data()), static_cast<int32_t>(source.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.assign(static_cast<std::size_t>(length), u'\0');
        status = U_ZERO_ERROR;
        length =
            fn(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
               reinterpret_cast<const UChar*>(source.data()), static_cast<int32_t>(source.size()), &status);
    }
    if (U_FAILURE(status)) return std::u16string(source);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

int32_t lowerRoot(UChar* dest, int32_t cap, const UChar* src, int32_t len, UErrorCode* status) {
    return u_strToLower(dest, cap, src, len, "", status);
}

int32_t upperRoot(UChar* dest, int32_t cap, const UChar* src, int32_t len, UErrorCode* status) {
    return u_strToUpper(dest, cap, src, len, "", status);
}

int32_t normalizeNfc(UChar* dest, int32_t cap, const UChar* src, int32_t len, UErrorCode* status) {
    const UNormalizer2* normalizer = unorm2_getNFCInstance(status);
    if (U_FAILURE(*status)) return 0;
    return unorm2_normalize(normalizer, src, len, dest, cap, status);
}

struct BreakIteratorCloser {
    void operator()(UBreakIterator* it) const { ubrk_close(it); }
};

// One character break iterator per thread; opening one costs far more than a short line does.
UBreakIterator* characterBreaks() {
    thread_local std::unique_ptr<UBreakIterator, BreakIteratorCloser> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UBreakIterator* it = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status);
        if (U_FAILURE(status)) throw std::runtime_error("ICU character break iterator unavailable");
        return std::unique_ptr<UBreakIterator, BreakIteratorCloser>(it);
    }();
    return iterator.get();
}

template <typename Offsets>
void asciiBoundaries(std::string_view text, Offsets& out) {
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i > 0 && text[i] == '\n' && text[i - 1] == '\r') continue;
        out.push_back(i);
    }
    out.push_back(text.size());
}

// The boundaries when every scalar stands alone: no scalar of the text can join its neighbour into
// one cluster (grapheme break property Other or Control, no CR) and the text is valid UTF-8. Then
// the segmentation rules only ever break, so every scalar is a cluster and the break iterator can be
// skipped, as for most Japanese text (ideographs, kana without combining marks) and symbols such
// as ° and ×. False, with `out` to be discarded, otherwise.
bool singleScalarBoundaries(std::string_view text, std::vector<std::size_t>& out) {
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            if (lead == '\r') return false;
            ++i;
        } else {
            // An invalid sequence is read by ICU in its own way; a real U+FFFD goes that way too.
            const char32_t scalar = decodeNext(text, i);
            if (scalar == replacementCharacter) return false;
            const auto kind =
                u_getIntPropertyValue(static_cast<UChar32>(scalar), UCHAR_GRAPHEME_CLUSTER_BREAK);
            if (kind != U_GCB_OTHER && kind != U_GCB_CONTROL) return false;
        }
        out.push_back(start);
    }
    out.push_back(text.size());
    return true;
}

// Whether every scalar of the valid UTF-8 text passes the test; false for invalid UTF-8 (and for a
// real U+FFFD, which takes the slow road harmlessly).
template <typename Test>
bool everyScalar(std::string_view text, Test test) {
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            if (!test(static_cast<char32_t>(text[i]))) return false;
            ++i;
            continue;
        }
        const char32_t scalar = decodeNext(text, i);
        if (scalar == replacementCharacter || !test(scalar)) return false;
    }
    return true;
}

// The text is its own case mapping when no scalar changes under it (ideographs and kana have no
// case), which saves the round trip through UTF-16 for most names in Japanese.
bool unchangedBy(std::string_view text, UProperty changes) {
    return everyScalar(
        text, [changes](char32_t c) { return !u_hasBinaryProperty(static_cast<UChar32>(c), changes); });
}

} // namespace

bool isAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

char32_t decodeNext(std::string_view text, std::size_t& offset) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(offset);
    if (lead < 0x80) {
        ++offset;
        return lead;
    }
    std::size_t length = 0;
    char32_t scalar = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, scalar = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, scalar = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, scalar = lead & 0x07, minimum = 0x10000;
    } else {
        ++offset;
        return replacementCharacter;
    }
    if (offset + length > text.size()) {
        ++offset;
        return replacementCharacter;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(byte(offset + i))) {
            ++offset;
            return replacementCharacter;
        }
        scalar = (scalar << 6) | (byte(offset + i) & 0x3F);
    }
    if (scalar < minimum || scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF)) {
        ++offset;
        return replacementCharacter;
    }
    offset += length;
    return scalar;
}

void appendUtf8(std::string& out, char32_t scalar) {
    if (scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF)) scalar = replacementCharacter;
    if (scalar < 0x80) {
        out.push_back(static_cast<char>(scalar));
    } else if (scalar < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (scalar >> 6)));
        out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    } else if (scalar < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (scalar >> 12)));
        out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (scalar >> 18)));
        out.push_back(static_cast<char>(0x80 | ((scalar >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    }
}

std::u32string toUtf32(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        out.push_back(decodeNext(text, i));
    return out;
}

std::string fromUtf32(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        appendUtf8(out, c);
    return out;
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = decodeNext(text, i);
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string fromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = replacementCharacter;
        }
        appendUtf8(out, c);
    }
    return out;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t before = i;
        const char32_t c = decodeNext(text, i);
        if (c == replacementCharacter && i - before != 3) return false;
        if (c == replacementCharacter && text.substr(before, 3) != "\xEF\xBF\xBD") return false;
    }
    return true;
}

std::string sanitized(std::string_view text) {
    if (isAscii(text) || isValidUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        appendUtf8(out, decodeNext(text, i));
    return out;
}

std::vector<std::size_t> graphemeBoundaries(std::string_view text) {
    std::vector<std::size_t> out;
    if (isAscii(text)) {
        asciiBoundaries(text, out);
        return out;
    }
    if (singleScalarBoundaries(text, out)) return out;
    out.clear();
    // ICU reads invalid UTF-8 as U+FFFD, one replacement per maximal invalid run; boundaries stay byte
    // offsets.
    UErrorCode status = U_ZERO_ERROR;
    UText* ut = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    UBreakIterator* it = characterBreaks();
    ubrk_setUText(it, ut, &status);
    if (U_FAILURE(status)) {
        utext_close(ut);
        for (std::size_t i = 0; i < text.size();) {
            out.push_back(i);
            decodeNext(text, i);
        }
        out.push_back(text.size());
        return out;
    }
    out.reserve(text.size() / 2 + 2);
    for (int32_t b = ubrk_first(it); b != UBRK_DONE; b = ubrk_next(it))
        out.push_back(static_cast<std::size_t>(b));
    ubrk_setText(it, nullptr, 0, &status);
    utext_close(ut);
    if (out.empty() || out.back() != text.size()) out.push_back(text.size());
    return out;
}

std::vector<std::string_view> graphemes(std::string_view text) {
    const std::vector<std::size_t> bounds = graphemeBoundaries(text);
    std::vector<std::string_view> out;
    out.reserve(bounds.size());
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i)
        out.push_back(text.substr(bounds[i], bounds[i + 1] - bounds[i]));
    return out;
}

std::size_t graphemeCount(std::string_view text) {
    if (isAscii(text)) {
        std::size_t count = text.size();
        for (std::size_t i = 1; i < text.size(); ++i)
            if (text[i] == '\n' && text[i - 1] == '\r') --count;
        return count;
    }
    return graphemeBoundaries(text).size() - 1;
}

std::vector<std::size_t> graphemeBoundaries(std::u16string_view text) {
    std::vector<std::size_t> out;
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator* it = characterBreaks();
    ubrk_setText(it, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        for (std::size_t i = 0; i < text.size(); ++i)
            out.push_back(i);
        out.push_back(text.size());
        return out;
    }
    for (int32_t b = ubrk_first(it); b != UBRK_DONE; b = ubrk_next(it))
        out.push_back(static_cast<std::size_t>(b));
    ubrk_setText(it, nullptr, 0, &status);
    if (out.empty() || out.back() != text.size()) out.push_back(text.size());
    return out;
}

bool isAlphabetic(char32_t scalar) {
    if (scalar < 0x80) return (scalar >= 'a' && scalar <= 'z') || (scalar >= 'A' && scalar <= 'Z');
    return u_hasBinaryProperty(static_cast<UChar32>(scalar), UCHAR_ALPHABETIC);
}

bool isWhiteSpace(char32_t scalar) {
    if (scalar < 0x80) return scalar == ' ' || (scalar >= 0x09 && scalar <= 0x0D);
    return u_hasBinaryProperty(static_cast<UChar32>(scalar), UCHAR_WHITE_SPACE);
}

bool isSpaceSeparator(char32_t scalar) {
    if (scalar < 0x80) return scalar == ' ';
    return u_charType(static_cast<UChar32>(scalar)) == U_SPACE_SEPARATOR;
}

bool isNumeric(char32_t scalar) {
    if (scalar < 0x80) return scalar >= '0' && scalar <= '9';
    return u_getIntPropertyValue(static_cast<UChar32>(scalar), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

char32_t firstScalar(std::string_view text) {
    if (text.empty()) return 0;
    std::size_t offset = 0;
    return decodeNext(text, offset);
}

std::string toLower(std::string_view text) {
    if (isAscii(text)) {
        std::string out(text);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    if (unchangedBy(text, UCHAR_CHANGES_WHEN_LOWERCASED)) return std::string(text);
    return fromUtf16(callIcu16(toUtf16(text), lowerRoot));
}

std::string toUpper(std::string_view text) {
    if (isAscii(text)) {
        std::string out(text);
        for (char& c : out)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return out;
    }
    if (unchangedBy(text, UCHAR_CHANGES_WHEN_UPPERCASED)) return std::string(text);
    return fromUtf16(callIcu16(toUtf16(text), upperRoot));
}

std::string nfc(std::string_view text) {
    if (isAscii(text)) return std::string(text);
    // Scalars that stay in NFC whatever surrounds them (quick check Yes) and combine with nothing
    // before them (combining class 0) make a text that is its own NFC; the names of a sheet are
    // looked up in NFC on every use.
    if (everyScalar(text, [](char32_t c) {
            return u_getCombiningClass(static_cast<UChar32>(c)) == 0 &&
                   u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_NFC_QUICK_CHECK) == UNORM_YES;
        }))
        return std::string(text);
    const std::u16string wide = toUtf16(text);
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* normalizer = unorm2_getNFCInstance(&status);
    if (U_SUCCESS(status) &&
        unorm2_isNormalized(normalizer, reinterpret_cast<const UChar*>(wide.data()),
                            static_cast<int32_t>(wide.size()), &status) &&
        U_SUCCESS(status))
        return sanitized(text);
    return fromUtf16(callIcu16(wide, normalizeNfc));
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) return true;
    const DifferingLines lines = differingLines(a, b);
    if (isAscii(lines.a) && isAscii(lines.b)) return false;
    return nfc(lines.a) == nfc(lines.b);
}

namespace {

// Compared a block at a time, which the library does far faster than byte by byte.
constexpr std::size_t compareBlock = 256;

std::size_t commonPrefix(std::string_view a, std::string_view b, std::size_t limit) {
    std::size_t length = 0;
    while (length + compareBlock <= limit &&
           std::memcmp(a.data() + length, b.data() + length, compareBlock) == 0)
        length += compareBlock;
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

std::size_t commonSuffix(std::string_view a, std::string_view b, std::size_t limit) {
    std::size_t length = 0;
    while (length + compareBlock <= limit &&
           std::memcmp(a.data() + a.size() - length - compareBlock,
                       b.data() + b.size() - length - compareBlock, compareBlock) == 0)
        length += compareBlock;
    while (length < limit && a[a.size() - 1 - length] == b[b.size() - 1 - length])
        ++length;
    return length;
}

} // namespace

DifferingLines differingLines(std::string_view a, std::string_view b) {
    const std::size_t shorter = std::min(a.size(), b.size());
    const std::size_t prefix = commonPrefix(a, b, shorter);
    if (prefix == a.size() && prefix == b.size()) return {a.substr(0, 0), b.substr(0, 0)};
    const std::size_t suffix = commonSuffix(a, b, shorter - prefix);
    const std::size_t lineFeedBefore = prefix == 0 ? std::string_view::npos : a.rfind('\n', prefix - 1);
    const std::size_t start = lineFeedBefore == std::string_view::npos ? 0 : lineFeedBefore + 1;
    const std::size_t lineFeedAfter = a.find('\n', a.size() - suffix);
    const std::size_t tail = lineFeedAfter == std::string_view::npos ? 0 : a.size() - lineFeedAfter - 1;
    return {a.substr(start, a.size() - tail - start), b.substr(start, b.size() - tail - start)};
}

std::size_t utf16Offset(std::string_view text, std::size_t byteOffset) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size() && i < byteOffset;) {
        const char32_t c = decodeNext(text, i);
        units += c >= 0x10000 ? 2 : 1;
    }
    return units;
}

std::size_t byteOffset(std::string_view text, std::size_t utf16Offset) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < text.size() && units < utf16Offset) {
        const char32_t c = decodeNext(text, i);
        units += c >= 0x10000 ? 2 : 1;
    }
    return i;
}

} // namespace vell::unicode
