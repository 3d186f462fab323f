#include "LineRules/HexColor.h"
#include "LineRules/SyntaxKind.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;

TEST(SyntaxKinds, EightClassesInOrderWithTheirNamesLabelsSamplesAndColours) {
    struct Row {
        SyntaxKind kind;
        std::string raw;
        std::string japaneseLabel, englishLabel;
        std::string japaneseSample, englishSample;
        ColorWords colors;
    };
    const Row rows[] = {
        {SyntaxKind::number, "number", "数値", "Numbers", "1200", "1200", {0x1B1A18FF, 0xE9E9ECFF}},
        {SyntaxKind::operatorMark,
         "operatorMark",
         "演算子",
         "Operators",
         "+ − × ÷ = ( )",
         "+ − × ÷ = ( )",
         {0x9A948AFF, 0x6F6F7AFF}},
        {SyntaxKind::name,
         "name",
         "名前の付いた値",
         "Named values",
         "梁幅",
         "width",
         {0x2F6FEDFF, 0x6FA0FFFF}},
        {SyntaxKind::unit, "unit", "単位", "Units", "mm", "mm", {0x0E8A64FF, 0x46C79BFF}},
        {SyntaxKind::function, "function", "関数", "Functions", "sqrt", "sqrt", {0x8B5CF6FF, 0xB295FFFF}},
        {SyntaxKind::keyword,
         "keyword",
         "if / for / def",
         "if / for / def",
         "if",
         "if",
         {0xC2185BFF, 0xFF8FB4FF}},
        {SyntaxKind::quoted, "quoted", "文字", "Text", "\"…\"", "\"…\"", {0xB4551AFF, 0xE8A15FFF}},
        {SyntaxKind::comment, "comment", "コメント", "Comments", "// …", "// …", {0xA8A296FF, 0x66666FFF}},
    };
    ASSERT_EQ(SyntaxKinds::allCases.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        const SyntaxKind kind = SyntaxKinds::allCases[i];
        SCOPED_TRACE(row.raw);
        EXPECT_EQ(kind, row.kind);
        EXPECT_EQ(SyntaxKinds::rawValue(kind), row.raw);
        EXPECT_EQ(SyntaxKinds::fromRawValue(row.raw), kind);
        EXPECT_EQ(SyntaxKinds::defaultColors(kind), row.colors);
        {
            EngineSettingsScope japanese(AppLanguage::japanese);
            EXPECT_EQ(SyntaxKinds::label(kind), row.japaneseLabel);
            EXPECT_EQ(SyntaxKinds::sample(kind), row.japaneseSample);
        }
        EngineSettingsScope english(AppLanguage::english);
        EXPECT_EQ(SyntaxKinds::label(kind), row.englishLabel);
        EXPECT_EQ(SyntaxKinds::sample(kind), row.englishSample);
    }
}

TEST(SyntaxKinds, OnlyTheExactRawValueMakesAClass) {
    EXPECT_EQ(SyntaxKinds::fromRawValue("operatorMark"), SyntaxKind::operatorMark);
    for (const char* text : {"operator", "OperatorMark", "Number", "number ", "", "comments"})
        EXPECT_EQ(SyntaxKinds::fromRawValue(text), std::nullopt) << text;
}

TEST(HexColor, ReadsSixHexadecimalDigitsAfterOneOptionalHash) {
    struct Case {
        std::string text;
        std::optional<RGBA> word;
    };
    const Case cases[] = {
        {"#2F6FED", 0x2F6FEDFF},
        {"2F6FED", 0x2F6FEDFF},
        {"  #2f6fed  ", 0x2F6FEDFF},
        {"\t#2F6FED\t", 0x2F6FEDFF},
        {"\u3000#2F6FED\u00A0", 0x2F6FEDFF}, // every space separator is trimmed
        {"#000000", 0x000000FF},
        {"#ffffff", 0xFFFFFFFF},
        {"#2F6FE", std::nullopt},
        {"#2F6FED0", std::nullopt},
        {"##2F6FED", std::nullopt},
        {"#GGGGGG", std::nullopt},
        {"", std::nullopt},
        {"#", std::nullopt},
        {"   ", std::nullopt},
        {"2F6FED#", std::nullopt},
        {"# 2F6FED", std::nullopt},
        {"12 345", std::nullopt}, // six characters, but the reading stops at the space
        {"0x2F6F", std::nullopt},
        {"#2F6FED\n", std::nullopt}, // a line break is not trimmed
        {"#２F6FED", std::nullopt},  // a full-width digit is no hexadecimal digit
        // A sign is read as a radix reading reads it: "+" is taken, and nothing below zero is.
        {"+12345", 0x012345FF},
        {"#+FFFFF", 0x0FFFFFFF},
        {"-12345", std::nullopt},
        {"-00000", 0x000000FF},
        {"+-1234", std::nullopt},
        {"1234+5", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexColor::rgba(c.text), c.word) << '"' << c.text << '"';
}

TEST(HexColor, WritesUpperCaseDigitsAndDropsAlpha) {
    EXPECT_EQ(HexColor::hex(0x2F6FEDFF), "#2F6FED");
    EXPECT_EQ(HexColor::hex(0x2F6FED00), "#2F6FED");
    EXPECT_EQ(HexColor::hex(0x0A0B0CFF), "#0A0B0C");
    EXPECT_EQ(HexColor::hex(0x00000000), "#000000");
    EXPECT_EQ(HexColor::hex(0xFFFFFF80), "#FFFFFF");
    for (const SyntaxKind kind : SyntaxKinds::allCases) {
        const ColorWords colors = SyntaxKinds::defaultColors(kind);
        EXPECT_EQ(HexColor::rgba(HexColor::hex(colors.light)), colors.light);
        EXPECT_EQ(HexColor::rgba(HexColor::hex(colors.dark)), colors.dark);
    }
}

} // namespace
} // namespace vell
