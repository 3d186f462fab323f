#include "Stores/Preferences.h"

#include "Engine/L10n.h"

namespace vell {

namespace {

template <class E>
struct CaseText {
    E value;
    std::string_view raw;
    std::string_view japanese;
    std::string_view english;
};

template <class E, std::size_t N>
const CaseText<E>& entry(const std::array<CaseText<E>, N>& table, E value) {
    for (const auto& row : table)
        if (row.value == value) return row;
    return table.front();
}

template <class E, std::size_t N>
std::optional<E> parse(const std::array<CaseText<E>, N>& table, std::string_view raw) {
    for (const auto& row : table)
        if (row.raw == raw) return row.value;
    return std::nullopt;
}

template <class E, std::size_t N>
std::string labelOf(const std::array<CaseText<E>, N>& table, E value) {
    const auto& row = entry(table, value);
    return L10n::text(row.japanese, row.english);
}

constexpr std::array<CaseText<AppearanceSetting>, 3> appearances{{
    {AppearanceSetting::automatic, "auto", "自動", "Auto"},
    {AppearanceSetting::light, "light", "白", "Light"},
    {AppearanceSetting::dark, "dark", "黒", "Dark"},
}};

constexpr std::array<CaseText<KeypadSizeSetting>, 3> keypadSizes{{
    {KeypadSizeSetting::small, "small", "小", "S"},
    {KeypadSizeSetting::medium, "medium", "中", "M"},
    {KeypadSizeSetting::large, "large", "大", "L"},
}};

constexpr std::array<CaseText<SheetListStyle>, 3> sheetListStyles{{
    {SheetListStyle::both, "both", "両方", "Both"},
    {SheetListStyle::tabs, "tabs", "上のタブ", "Tabs"},
    {SheetListStyle::sidebar, "sidebar", "サイドバー", "Sidebar"},
}};

constexpr std::array<CaseText<KeypadSide>, 2> keypadSides{{
    {KeypadSide::right, "right", "右", "Right"},
    {KeypadSide::left, "left", "左", "Left"},
}};

constexpr std::array<CaseText<TextSizeSetting>, 4> textSizes{{
    {TextSizeSetting::small, "small", "小", "S"},
    {TextSizeSetting::standard, "standard", "標準", "Standard"},
    {TextSizeSetting::large, "large", "大", "L"},
    {TextSizeSetting::xlarge, "xlarge", "特大", "XL"},
}};

constexpr std::array<CaseText<AngleSetting>, 2> angles{{
    {AngleSetting::degrees, "degrees", "度", "Degrees"},
    {AngleSetting::radians, "radians", "ラジアン", "Radians"},
}};

} // namespace

std::string_view AppearanceSettings::rawValue(AppearanceSetting value) {
    return entry(appearances, value).raw;
}
std::optional<AppearanceSetting> AppearanceSettings::fromRawValue(std::string_view raw) {
    return parse(appearances, raw);
}
std::string AppearanceSettings::label(AppearanceSetting value) {
    return labelOf(appearances, value);
}
std::optional<ColorScheme> AppearanceSettings::colorScheme(AppearanceSetting value) {
    switch (value) {
    case AppearanceSetting::automatic:
        return std::nullopt;
    case AppearanceSetting::light:
        return ColorScheme::light;
    case AppearanceSetting::dark:
        return ColorScheme::dark;
    }
    return std::nullopt;
}

std::string_view KeypadSizeSettings::rawValue(KeypadSizeSetting value) {
    return entry(keypadSizes, value).raw;
}
std::optional<KeypadSizeSetting> KeypadSizeSettings::fromRawValue(std::string_view raw) {
    return parse(keypadSizes, raw);
}
std::string KeypadSizeSettings::label(KeypadSizeSetting value) {
    return labelOf(keypadSizes, value);
}

std::string_view SheetListStyles::rawValue(SheetListStyle value) {
    return entry(sheetListStyles, value).raw;
}
std::optional<SheetListStyle> SheetListStyles::fromRawValue(std::string_view raw) {
    return parse(sheetListStyles, raw);
}
std::string SheetListStyles::label(SheetListStyle value) {
    return labelOf(sheetListStyles, value);
}

std::string_view KeypadSides::rawValue(KeypadSide value) {
    return entry(keypadSides, value).raw;
}
std::optional<KeypadSide> KeypadSides::fromRawValue(std::string_view raw) {
    return parse(keypadSides, raw);
}
std::string KeypadSides::label(KeypadSide value) {
    return labelOf(keypadSides, value);
}

std::string_view TextSizeSettings::rawValue(TextSizeSetting value) {
    return entry(textSizes, value).raw;
}
std::optional<TextSizeSetting> TextSizeSettings::fromRawValue(std::string_view raw) {
    return parse(textSizes, raw);
}
std::string TextSizeSettings::label(TextSizeSetting value) {
    return labelOf(textSizes, value);
}
double TextSizeSettings::scale(TextSizeSetting value) {
    switch (value) {
    case TextSizeSetting::small:
        return 0.85;
    case TextSizeSetting::standard:
        return 1.0;
    case TextSizeSetting::large:
        return 1.15;
    case TextSizeSetting::xlarge:
        return 1.35;
    }
    return 1.0;
}

std::string_view AngleSettings::rawValue(AngleSetting value) {
    return entry(angles, value).raw;
}
std::optional<AngleSetting> AngleSettings::fromRawValue(std::string_view raw) {
    return parse(angles, raw);
}
std::string AngleSettings::label(AngleSetting value) {
    return labelOf(angles, value);
}

} // namespace vell
