#include "Unicode/Unicode.h"

#include <gtest/gtest.h>

namespace vell::unicode {
namespace {

TEST(Unicode, GraphemesCountUserPerceivedCharacters) {
    struct Case {
        const char* text;
        std::size_t count;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 3},
        {"a\r\nb", 3},
        {"e\xCC\x81", 1},                        // e + combining acute
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", 1}, // thumbs up + skin tone
        {"\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5", 1}, // flag JP
        {"\xE3\x81\x8B\xE3\x82\x99", 1},         // か + combining dakuten
        {"\xE5\x9D\xAA=1", 3},                   // 坪=1
    };
    for (const Case& c : cases)
        EXPECT_EQ(graphemeCount(c.text), c.count) << c.text;
}

TEST(Unicode, GraphemeBoundariesAreByteOffsets) {
    const std::string text = "a\xE3\x81\x82"
                             "b"; // aあb
    EXPECT_EQ(graphemeBoundaries(text), (std::vector<std::size_t>{0, 1, 4, 5}));
    EXPECT_EQ(graphemeBoundaries(std::u16string(u"a\U0001F600b")), (std::vector<std::size_t>{0, 1, 3, 4}));
    EXPECT_EQ(graphemeBoundaries(std::string_view()), (std::vector<std::size_t>{0}));
}

// Text of scalars that stand alone is cut at every scalar without the break iterator; one scalar
// that may join a neighbour sends the whole text to it.
TEST(Unicode, GraphemeBoundariesOfMixedText) {
    struct Case {
        const char* text;
        std::vector<std::size_t> bounds;
    };
    const Case cases[] = {
        {"3\xE4\xB8\x87 + 1500\xE5\x86\x86", {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 14}}, // 3万 + 1500円
        {"\xC2\xB0"
         "C\t\xC3\x97",
         {0, 2, 3, 4, 6}},                                            // °C⇥×
        {"\xE5\x9D\xAA\xCC\x81x", {0, 5, 6}},                         // 坪 + combining acute, x
        {"\xC3\xA9\r\n", {0, 2, 4}},                                  // é, CR LF
        {"\xE5\x86\x86\xE2\x80\x8D\xE5\x86\x86", {0, 6, 9}},          // 円 ZWJ 円
        {"\xED\x95\x9C\xE1\x86\xA8", {0, 6}},                         // 한 + final jamo
        {"\xE3\x81\x8B\xE3\x82\x99\xE3\x81\x8B", {0, 6, 9}},          // か + dakuten, か
        {"\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5\xE5\x86\x86", {0, 8, 11}}, // flag JP, 円
        {"\xEF\xBF\xBD\xE5\x86\x86", {0, 3, 6}},                      // U+FFFD, 円
    };
    for (const Case& c : cases)
        EXPECT_EQ(graphemeBoundaries(std::string_view(c.text)), c.bounds) << c.text;
}

TEST(Unicode, InvalidUtf8ReadsAsReplacement) {
    const std::string bad = "a\xFF"
                            "b\xE3\x81";
    EXPECT_FALSE(isValidUtf8(bad));
    EXPECT_EQ(sanitized(bad), "a\xEF\xBF\xBD"
                              "b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(isValidUtf8(sanitized(bad)));
    EXPECT_TRUE(isValidUtf8("\xEF\xBF\xBD"));
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80")); // an encoded surrogate
    EXPECT_EQ(graphemeCount(bad), graphemeBoundaries(bad).size() - 1);
}

TEST(Unicode, Properties) {
    EXPECT_TRUE(isAlphabetic(U'x'));
    EXPECT_TRUE(isAlphabetic(U'\u03C0')); // π
    EXPECT_TRUE(isAlphabetic(U'\u5764')); // 坪
    EXPECT_TRUE(isAlphabetic(U'\u30AB')); // カ
    EXPECT_FALSE(isAlphabetic(U'3'));
    EXPECT_FALSE(isAlphabetic(U'\u00B0')); // °
    EXPECT_TRUE(isWhiteSpace(U'\t'));
    EXPECT_TRUE(isWhiteSpace(U'\u3000'));
    EXPECT_TRUE(isWhiteSpace(U'\u00A0'));
    EXPECT_TRUE(isSpaceSeparator(U'\u3000'));
    EXPECT_FALSE(isSpaceSeparator(U'\t'));
    EXPECT_FALSE(isSpaceSeparator(U'\n'));
}

TEST(Unicode, CaseMappingIsFull) {
    EXPECT_EQ(toLower("KM"), "km");
    EXPECT_EQ(toLower("\xC3\x84Pa"), "\xC3\xA4pa"); // Äpa
    EXPECT_EQ(toUpper("stra\xC3\x9F"
                      "e"),
              "STRASSE");
    EXPECT_EQ(toLower("\xE2\x84\x83"), "\xE2\x84\x83"); // ℃ has no lower case
    // Text without case comes back as it is; one cased scalar among it is mapped in context.
    EXPECT_EQ(toLower("\xE5\x8D\x98\xE4\xBE\xA1"), "\xE5\x8D\x98\xE4\xBE\xA1"); // 単価
    EXPECT_EQ(toUpper("\xE5\x8D\x98\xE4\xBE\xA1"), "\xE5\x8D\x98\xE4\xBE\xA1");
    EXPECT_EQ(toLower("\xE5\x8D\x98\xCE\xA3\xCE\x91\xCE\xA3"),
              "\xE5\x8D\x98\xCF\x83\xCE\xB1\xCF\x82");            // 単ΣΑΣ: final sigma
    EXPECT_EQ(toUpper("\xE5\x8D\x98\xC3\x9F"), "\xE5\x8D\x98SS"); // 単ß
}

TEST(Unicode, NormalisationAndEquivalence) {
    const std::string composed = "\xC3\xA9";    // é
    const std::string decomposed = "e\xCC\x81"; // e + acute
    EXPECT_EQ(nfc(decomposed), composed);
    EXPECT_EQ(nfc("\xE5\x8D\x98\xE4\xBE\xA1"), "\xE5\x8D\x98\xE4\xBE\xA1"); // 単価
    EXPECT_EQ(nfc("\xE3\x81\x8B\xE3\x82\x99"), "\xE3\x81\x8C");             // か + dakuten: が
    EXPECT_EQ(nfc("\xE1\x84\x80\xE1\x85\xA1"), "\xEA\xB0\x80");             // jamo: 가
    EXPECT_EQ(nfc("\xE2\x84\xAB"), "\xC3\x85");                             // Ångström sign
    EXPECT_EQ(nfc("\xFF"), "\xEF\xBF\xBD");                                 // invalid
    EXPECT_TRUE(canonicallyEqual(composed, decomposed));
    EXPECT_FALSE(canonicallyEqual("a", "b"));
    EXPECT_FALSE(canonicallyEqual("\xEF\xBC\xA1", "A")); // full-width A is only compatible
}

// Only the differing lines are normalised; the answer must be the whole texts' answer, also when the
// difference touches a line break or a character that combines with its neighbour.
TEST(Unicode, EquivalenceOfLongTextsThatDifferInAFewLines) {
    const std::string lines = "a\nb\n";
    struct Case {
        std::string a;
        std::string b;
        bool equal;
    };
    const Case cases[] = {
        {lines + "caf\xC3\xA9\n" + lines, lines + "cafe\xCC\x81\n" + lines, true},
        {lines + "caf\xC3\xA9", lines + "cafe\xCC\x81", true},
        {"caf\xC3\xA9\n" + lines, "cafe\xCC\x81\n" + lines, true},
        {lines + "e\xCC\x81", lines + "\xC3\xA9", true},
        {lines + "e\n\xCC\x81", lines + "\xC3\xA9\n", false}, // a mark after a line feed stays there
        {lines + "e\xCC\x81\n", lines + "e\n\xCC\x81", false},
        {lines + "x\n", lines + "x\r\n", false},
        {"\xEF\xBC\xA1\n" + lines, "A\n" + lines, false},
        {lines + "q\xCC\xA3\xCC\x87", lines + "q\xCC\x87\xCC\xA3", true}, // marks put in order
    };
    for (const Case& c : cases) {
        EXPECT_EQ(canonicallyEqual(c.a, c.b), c.equal) << c.a;
        EXPECT_EQ(canonicallyEqual(c.a, c.b), nfc(c.a) == nfc(c.b)) << c.a;
    }
    const DifferingLines differing = differingLines("one\ntwo\nthree\nfour", "one\ntwo\nthr3e\nfour");
    EXPECT_EQ(differing.a, "three\n");
    EXPECT_EQ(differing.b, "thr3e\n");
    EXPECT_EQ(differingLines("same", "same").a, "");
}

TEST(Unicode, OffsetConversion) {
    const std::string text = "a\xE3\x81\x82\xF0\x9F\x98\x80"
                             "b"; // a あ 😀 b
    EXPECT_EQ(utf16Offset(text, 0), 0u);
    EXPECT_EQ(utf16Offset(text, 1), 1u);
    EXPECT_EQ(utf16Offset(text, 4), 2u);
    EXPECT_EQ(utf16Offset(text, 8), 4u);
    EXPECT_EQ(utf16Offset(text, text.size()), 5u);
    EXPECT_EQ(byteOffset(text, 2), 4u);
    EXPECT_EQ(byteOffset(text, 4), 8u);
    EXPECT_EQ(byteOffset(text, 99), text.size());
    EXPECT_EQ(fromUtf16(toUtf16(text)), text);
    EXPECT_EQ(fromUtf32(toUtf32(text)), text);
}

} // namespace
} // namespace vell::unicode

namespace vell::unicode {
namespace {

TEST(Unicode, NumericValues) {
    for (char32_t c : {U'7', U'\uFF17', U'\u00B2', U'\u00BD', U'\u2460', U'\u4E07', U'\u0663'})
        EXPECT_TRUE(isNumeric(c)) << static_cast<std::uint32_t>(c);
    for (char32_t c : {U'a', U'.', U'\u00B0', U'\u3042'})
        EXPECT_FALSE(isNumeric(c)) << static_cast<std::uint32_t>(c);
}

} // namespace
} // namespace vell::unicode
