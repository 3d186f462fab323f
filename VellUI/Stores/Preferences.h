#pragma once

// The choices of the enumerated preferences. The raw value is what the user defaults store and what
// identifies a choice in the settings screen; labels are resolved in the interface language on every
// read.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vell {

// `automatic` is stored as "auto".
enum class AppearanceSetting {
    automatic,
    light,
    dark
};
enum class ColorScheme {
    light,
    dark
};
enum class KeypadSizeSetting {
    small,
    medium,
    large
};
enum class SheetListStyle {
    both,
    tabs,
    sidebar
};
enum class KeypadSide {
    right,
    left
};
enum class TextSizeSetting {
    small,
    standard,
    large,
    xlarge
};
enum class AngleSetting {
    degrees,
    radians
};

// Every helper takes the raw value exactly, letter case included; any other text is no case.
struct AppearanceSettings {
    static constexpr std::array<AppearanceSetting, 3> allCases{
        AppearanceSetting::automatic, AppearanceSetting::light, AppearanceSetting::dark};
    static std::string_view rawValue(AppearanceSetting value);
    static std::optional<AppearanceSetting> fromRawValue(std::string_view raw);
    static std::string label(AppearanceSetting value);
    // Nothing: follow the system's appearance.
    static std::optional<ColorScheme> colorScheme(AppearanceSetting value);
};

struct KeypadSizeSettings {
    static constexpr std::array<KeypadSizeSetting, 3> allCases{
        KeypadSizeSetting::small, KeypadSizeSetting::medium, KeypadSizeSetting::large};
    static std::string_view rawValue(KeypadSizeSetting value);
    static std::optional<KeypadSizeSetting> fromRawValue(std::string_view raw);
    static std::string label(KeypadSizeSetting value);
};

struct SheetListStyles {
    static constexpr std::array<SheetListStyle, 3> allCases{SheetListStyle::both, SheetListStyle::tabs,
                                                            SheetListStyle::sidebar};
    static std::string_view rawValue(SheetListStyle value);
    static std::optional<SheetListStyle> fromRawValue(std::string_view raw);
    static std::string label(SheetListStyle value);
    static bool showsTabs(SheetListStyle value) { return value != SheetListStyle::sidebar; }
    static bool showsSidebar(SheetListStyle value) { return value != SheetListStyle::tabs; }
};

struct KeypadSides {
    static constexpr std::array<KeypadSide, 2> allCases{KeypadSide::right, KeypadSide::left};
    static std::string_view rawValue(KeypadSide value);
    static std::optional<KeypadSide> fromRawValue(std::string_view raw);
    static std::string label(KeypadSide value);
};

struct TextSizeSettings {
    static constexpr std::array<TextSizeSetting, 4> allCases{
        TextSizeSetting::small, TextSizeSetting::standard, TextSizeSetting::large, TextSizeSetting::xlarge};
    static std::string_view rawValue(TextSizeSetting value);
    static std::optional<TextSizeSetting> fromRawValue(std::string_view raw);
    static std::string label(TextSizeSetting value);
    // The factor applied to the editor's base text size of 15 points.
    static double scale(TextSizeSetting value);
};

struct AngleSettings {
    static constexpr std::array<AngleSetting, 2> allCases{AngleSetting::degrees, AngleSetting::radians};
    static std::string_view rawValue(AngleSetting value);
    static std::optional<AngleSetting> fromRawValue(std::string_view raw);
    static std::string label(AngleSetting value);
};

} // namespace vell
