#pragma once

// The keypad's tabs. The raw value of the tab whose catalog panel is open is what "vell.keypadPanel"
// stores.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vell {

enum class KeypadTab {
    numbers,
    functions,
    units
};

struct KeypadTabs {
    static constexpr std::array<KeypadTab, 3> allCases{KeypadTab::numbers, KeypadTab::functions,
                                                       KeypadTab::units};
    // "数字", "関数", "単位".
    static std::string_view rawValue(KeypadTab tab);
    // Exactly one of the raw values; any other text, spaces or another language included, is no tab.
    static std::optional<KeypadTab> fromRawValue(std::string_view raw);
    // In the interface language: "数字"/"123", "関数"/"f(x)", "単位"/"Unit".
    static std::string displayName(KeypadTab tab);
};

} // namespace vell
