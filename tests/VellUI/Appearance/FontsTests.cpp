#include "Appearance/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <gtest/gtest.h>

namespace vell {
namespace {

TEST(Fonts, SizesAreDeviceIndependentPixels) {
    EXPECT_DOUBLE_EQ(Fonts::pointSize(15), 11.25);
    EXPECT_DOUBLE_EQ(Fonts::pointSize(96), 72);
    const double sizes[] = {12.75, 15, 17.25, 20.25};
    for (std::size_t i = 0; i < TextSizeSettings::allCases.size(); ++i)
        EXPECT_DOUBLE_EQ(Fonts::editorTextSize(TextSizeSettings::allCases[i]), sizes[i]);

    const QFont note = Fonts::italic(17.25);
    EXPECT_TRUE(note.italic());
    EXPECT_DOUBLE_EQ(note.pointSizeF(), 17.25 * 72 / 96);
    EXPECT_EQ(Fonts::system(13, QFont::DemiBold).weight(), QFont::DemiBold);
}

TEST(Fonts, DigitsOfTheFigureFontLineUp) {
    const QFont font = Fonts::monospacedDigits(15);
    EXPECT_TRUE(Fonts::hasEqualDigitAdvances(font)) << font.family().toStdString();
    EXPECT_EQ(font.family(), Fonts::monospacedDigitFamily());
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 11.25);
    // The fallback itself must be there and must have figures of one width.
    QFont fallback(QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(QFontInfo(fallback).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(Fonts::hasEqualDigitAdvances(fallback));
}

TEST(Fonts, AFontForJapaneseTextIsInstalled) {
    EXPECT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
}

} // namespace
} // namespace vell
