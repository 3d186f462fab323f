#include "Keypad/KeypadTab.h"

#include "Engine/L10n.h"

namespace vell {

std::string_view KeypadTabs::rawValue(KeypadTab tab) {
    switch (tab) {
    case KeypadTab::numbers:
        return "数字";
    case KeypadTab::functions:
        return "関数";
    case KeypadTab::units:
        return "単位";
    }
    return {};
}

std::optional<KeypadTab> KeypadTabs::fromRawValue(std::string_view raw) {
    for (const KeypadTab tab : allCases)
        if (rawValue(tab) == raw) return tab;
    return std::nullopt;
}

std::string KeypadTabs::displayName(KeypadTab tab) {
    switch (tab) {
    case KeypadTab::numbers:
        return L10n::text("数字", "123");
    case KeypadTab::functions:
        return L10n::text("関数", "f(x)");
    case KeypadTab::units:
        return L10n::text("単位", "Unit");
    }
    return {};
}

} // namespace vell
