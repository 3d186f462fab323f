#include "Engine/L10n.h"
#include "Stores/Preferences.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;

template <class Helper>
std::vector<std::string_view> rawValues() {
    std::vector<std::string_view> out;
    for (auto value : Helper::allCases) {
        out.push_back(Helper::rawValue(value));
        EXPECT_EQ(Helper::fromRawValue(Helper::rawValue(value)), value);
    }
    return out;
}

using Raw = std::vector<std::string_view>;

TEST(Preferences, CasesInOrderWithExactRawValues) {
    EXPECT_EQ(rawValues<AppearanceSettings>(), (Raw{"auto", "light", "dark"}));
    EXPECT_EQ(rawValues<KeypadSizeSettings>(), (Raw{"small", "medium", "large"}));
    EXPECT_EQ(rawValues<SheetListStyles>(), (Raw{"both", "tabs", "sidebar"}));
    EXPECT_EQ(rawValues<KeypadSides>(), (Raw{"right", "left"}));
    EXPECT_EQ(rawValues<TextSizeSettings>(), (Raw{"small", "standard", "large", "xlarge"}));
    EXPECT_EQ(rawValues<AngleSettings>(), (Raw{"degrees", "radians"}));
}

TEST(Preferences, OnlyTheExactRawValueMakesACase) {
    EXPECT_EQ(AppearanceSettings::fromRawValue("light"), AppearanceSetting::light);
    for (std::string_view text : {"Light", "", " light", "automatic", "LIGHT"})
        EXPECT_FALSE(AppearanceSettings::fromRawValue(text)) << text;
    EXPECT_FALSE(AngleSettings::fromRawValue("Degrees"));
    EXPECT_FALSE(TextSizeSettings::fromRawValue("Standard"));
    EXPECT_FALSE(KeypadSizeSettings::fromRawValue(""));
    EXPECT_FALSE(SheetListStyles::fromRawValue("Tabs"));
    EXPECT_FALSE(KeypadSides::fromRawValue("Right"));
}

TEST(Preferences, LabelsFollowTheLanguageAtEveryRead) {
    EngineSettingsScope scope;
    scope.setLanguage(AppLanguage::japanese);
    const TextSizeSetting size = TextSizeSetting::standard;
    EXPECT_EQ(TextSizeSettings::label(size), "標準");
    EXPECT_EQ(SheetListStyles::label(SheetListStyle::tabs), "上のタブ");
    EXPECT_EQ(AngleSettings::label(AngleSetting::radians), "ラジアン");
    scope.setLanguage(AppLanguage::english);
    EXPECT_EQ(TextSizeSettings::label(size), "Standard");
    EXPECT_EQ(SheetListStyles::label(SheetListStyle::sidebar), "Sidebar");
    EXPECT_EQ(AppearanceSettings::label(AppearanceSetting::automatic), "Auto");
    EXPECT_EQ(KeypadSizeSettings::label(KeypadSizeSetting::large), "L");
    EXPECT_EQ(TextSizeSettings::label(TextSizeSetting::xlarge), "XL");
    EXPECT_EQ(KeypadSides::label(KeypadSide::left), "Left");
}

TEST(Preferences, DerivedValues) {
    EXPECT_EQ(AppearanceSettings::colorScheme(AppearanceSetting::automatic), std::nullopt);
    EXPECT_EQ(AppearanceSettings::colorScheme(AppearanceSetting::light), ColorScheme::light);
    EXPECT_EQ(AppearanceSettings::colorScheme(AppearanceSetting::dark), ColorScheme::dark);

    EXPECT_TRUE(SheetListStyles::showsTabs(SheetListStyle::both));
    EXPECT_TRUE(SheetListStyles::showsSidebar(SheetListStyle::both));
    EXPECT_TRUE(SheetListStyles::showsTabs(SheetListStyle::tabs));
    EXPECT_FALSE(SheetListStyles::showsSidebar(SheetListStyle::tabs));
    EXPECT_FALSE(SheetListStyles::showsTabs(SheetListStyle::sidebar));
    EXPECT_TRUE(SheetListStyles::showsSidebar(SheetListStyle::sidebar));

    // 15-point base text: 12.75, 15, 17.25 and 20.25 points.
    const double points[] = {12.75, 15, 17.25, 20.25};
    for (std::size_t i = 0; i < TextSizeSettings::allCases.size(); ++i)
        EXPECT_DOUBLE_EQ(15 * TextSizeSettings::scale(TextSizeSettings::allCases[i]), points[i]);
}

} // namespace
} // namespace vell
