#include "Appearance/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QStringList>
#include <QTextLayout>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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

TEST(Fonts, SampleLinesAreSetInAFixedPitchFont) {
    const QFont font = Fonts::monospaced(12.5);
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 12.5 * 72 / 96);
    const QFontMetricsF metrics(font);
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiii")),
              metrics.horizontalAdvance(QStringLiteral("MMMM")))
        << QFontInfo(font).family().toStdString();
}

TEST(Fonts, TheFixedPitchFontDrawsArrowsAndCurrencySignsAsLargeAsLetters) {
    EXPECT_TRUE(Fonts::hasLetterSizedSymbols(Fonts::monospaced(13)))
        << Fonts::monospacedFamily().toStdString();
    EXPECT_EQ(Fonts::monospaced(13).family(), Fonts::monospacedFamily());
    // The fallback itself must be there and pass.
    QFont fallback(QStringLiteral("DejaVu Sans Mono"));
    fallback.setPointSizeF(Fonts::pointSize(13));
    EXPECT_EQ(QFontInfo(fallback).family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_TRUE(Fonts::hasLetterSizedSymbols(fallback));
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

// The families that set the characters from `from` to the end of a one-line layout of the text.
std::vector<std::string> familiesOf(const QString& text, const QFont& font, int from = 0) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    std::vector<std::string> families;
    for (const QGlyphRun& run : layout.glyphRuns(from, static_cast<int>(text.size()) - from))
        families.push_back(run.rawFont().familyName().toStdString());
    return families;
}

TEST(Fonts, FiguresAfterJapaneseTextKeepTheirFont) {
    for (const QFont& font : {Fonts::monospacedDigits(15), Fonts::system(15), Fonts::italic(15)}) {
        const std::vector<std::string> latin = familiesOf("x = 4.5", font);
        ASSERT_EQ(latin.size(), 1u);
        for (const QString& line :
             {QStringLiteral("長さ = 4.5"), QStringLiteral("梁幅 = 4.5"), QStringLiteral("// メモ 4.5")}) {
            const auto figures = static_cast<int>(line.indexOf(QLatin1Char('4')));
            EXPECT_EQ(familiesOf(line, font, figures), latin) << line.toStdString();
        }
    }
}

TEST(Fonts, AFontForJapaneseTextIsInstalled) {
    EXPECT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
}

} // namespace
} // namespace vell
