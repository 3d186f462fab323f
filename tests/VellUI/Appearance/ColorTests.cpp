#include "Appearance/ColorPair.h"
#include "Appearance/HexQColor.h"
#include "Appearance/Theme.h"
#include "Support/ColorPairTable.h"

#include <QColor>
#include <gtest/gtest.h>
#include <string>

namespace vell {
namespace {

using testsupport::expectResolvesToTable;
using testsupport::PairRow;

TEST(HexQColor, ColoursOfTextsComeBackAsTheSameText) {
    const std::optional<QColor> blue = HexColor::color("#2f6fed");
    ASSERT_TRUE(blue);
    EXPECT_EQ(*blue, QColor(0x2F, 0x6F, 0xED));
    EXPECT_EQ(blue->alpha(), 255);
    EXPECT_EQ(HexColor::hex(*blue), "#2F6FED");
    EXPECT_EQ(HexColor::hex(*HexColor::color("  0A0B0C ")), "#0A0B0C");
    EXPECT_FALSE(HexColor::color("#GGGGGG"));
    EXPECT_FALSE(HexColor::color(""));
}

TEST(HexQColor, ComponentsAreClampedAndRoundedHalfAwayFromZero) {
    struct Case {
        QColor color;
        std::string hex;
    };
    const Case cases[] = {
        {QColor::fromRgbF(1.5f, -0.25f, 0.5f), "#FF0080"}, // 127.5 rounds up
        {QColor::fromRgbF(2.0f, 0.0f, -1.0f), "#FF0000"},
        {QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.1f), "#336699"}, // alpha dropped
        {QColor(0x12, 0x34, 0x56, 0), "#123456"},
        {QColor::fromHsv(120, 255, 255), "#00FF00"},
        {QColor::fromCmyk(0, 0, 255, 0), "#FFFF00"},
        {QColor(), "#000000"}, // no colour to convert
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexColor::hex(c.color), c.hex) << c.hex;
}

TEST(Theme, EveryPairResolvesToItsValueInBothAppearances) {
    const PairRow rows[] = {
        {"paper", Theme::paper, "#FBFAF7", 255, "#17171A", 255},
        {"card", Theme::card, "#FFFFFF", 255, "#1E1E23", 255},
        {"separator", Theme::separator, "#DCD7CC", 255, "#33333C", 255},
        {"ink", Theme::ink, "#1B1A18", 255, "#ECECEF", 255},
        {"secondaryInk", Theme::secondaryInk, "#8A857B", 255, "#8E8E99", 255},
        {"accent", Theme::accent, "#2F6FED", 255, "#6FA0FF", 255},
        {"controlBackground", Theme::controlBackground, "#FFFFFF", 255, "#1E1E1E", 255},
        {"windowBackground", Theme::windowBackground, "#ECECEC", 255, "#323232", 255},
    };
    for (const PairRow& row : rows)
        expectResolvesToTable(row);
}

} // namespace
} // namespace vell
