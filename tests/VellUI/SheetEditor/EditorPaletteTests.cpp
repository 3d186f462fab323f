#include "SheetEditor/EditorPalette.h"
#include "Stores/AppSettings.h"
#include "Support/ColorPairTable.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::expectResolvesToTable;
using testsupport::PairRow;
using testsupport::TempDefaults;

TEST(EditorPalette, EveryPairResolvesToItsValueInBothAppearances) {
    const PairRow rows[] = {
        {"background", EditorPalette::background, "#FBFAF7", 255, "#17171A", 255},
        {"text", EditorPalette::text, "#1B1A18", 255, "#E9E9EC", 255},
        {"accent", EditorPalette::accent, "#2F6FED", 255, "#6FA0FF", 255},
        {"plotLabel", EditorPalette::plotLabel, "#8B5CF6", 255, "#B295FF", 255},
        {"resultText", EditorPalette::resultText, "#14130F", 255, "#F2F2F5", 255},
        {"failureText", EditorPalette::failureText, "#C0392B", 255, "#FF7A6E", 255},
        {"divider", EditorPalette::divider, "#1B1A18", 26, "#FFFFFF", 26},
        {"lineNumber", EditorPalette::lineNumber, "#8E887A", 255, "#8A8A98", 255},
        {"caretLineNumber", EditorPalette::caretLineNumber, "#2F6FED", 255, "#6FA0FF", 255},
        {"hoverFill", EditorPalette::hoverFill, "#2F6FED", 20, "#6FA0FF", 31},
    };
    for (const PairRow& row : rows)
        expectResolvesToTable(row);
    // Made from two words, all four bytes count.
    expectResolvesToTable(
        {"dynamicColor", EditorPalette::dynamicColor(0x01020304, 0xA0B0C0D0), "#010203", 4, "#A0B0C0", 0xD0});
}

TEST(EditorPalette, SyntaxColoursTakeTheUsersReadableTextForEachAppearance) {
    EngineSettingsScope engine;
    TempDefaults defaults;
    AppSettings settings(defaults.open());
    settings.setSyntaxColors({{"number.dark", "#FF0000"},
                              {"unit.light", " 00ff00 "},
                              {"unit.dark", "#GGGGGG"},
                              {"operator.light", "#0000FF"},
                              {"keyword.light", "#12345"}});
    struct Case {
        SyntaxKind kind;
        ColorPair pair;
    };
    const Case cases[] = {
        {SyntaxKind::number, {0x1B1A18FF, 0xFF0000FF}},
        {SyntaxKind::unit, {0x00FF00FF, 0x46C79BFF}},         // an unreadable text keeps the default
        {SyntaxKind::operatorMark, {0x9A948AFF, 0x6F6F7AFF}}, // "operator" names no class
        {SyntaxKind::keyword, {0xC2185BFF, 0xFF8FB4FF}},
        {SyntaxKind::comment, {0xA8A296FF, 0x66666FFF}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditorPalette::syntaxColor(c.kind, settings), c.pair) << SyntaxKinds::rawValue(c.kind);
}

} // namespace
} // namespace vell
