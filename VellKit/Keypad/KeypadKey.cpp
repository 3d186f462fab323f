#include "Keypad/KeypadKey.h"

#include <functional>
#include <string_view>

namespace vell {

namespace {

template <typename... Fs>
struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <typename... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

std::string_view trimmedSpacesAndTabs(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string_view arrow(CursorMove move) {
    switch (move) {
    case CursorMove::up:
        return "↑";
    case CursorMove::down:
        return "↓";
    case CursorMove::left:
        return "←";
    case CursorMove::right:
        return "→";
    case CursorMove::lineStart:
        return "⇤";
    case CursorMove::lineEnd:
        return "⇥";
    }
    return {};
}

} // namespace

std::string KeypadKey::displayLabel() const {
    return std::visit(
        Overloaded{
            [](const Text& key) { return key.label; },
            [](const Function& key) { return key.name == "sqrt" ? std::string("√") : key.name; },
            [](const Snippet& key) { return key.text; },
            [](const Move& key) { return std::string(arrow(key.move)); },
            [](const Backspace&) { return std::string("⌫"); },
            [](const Newline&) { return std::string("⏎"); },
            [](const SignToggle&) { return std::string("+/-"); },
            [](const ClearSheet&) { return std::string("⌫"); },
            [](const CursorToggle&) { return std::string("✥"); },
        },
        action_);
}

bool KeypadKey::isAccented() const {
    if (const Text* key = as<Text>()) {
        const std::string_view core = trimmedSpacesAndTabs(key->insert);
        return !core.empty() && std::string_view("+-*/()").find(core) != std::string_view::npos;
    }
    return is<Move>() || is<Newline>() || is<CursorToggle>();
}

bool KeypadKey::repeats() const {
    return is<Move>() || is<Backspace>();
}

bool KeypadKey::isDigit() const {
    const Text* key = as<Text>();
    return key && key->insert.size() == 1 && key->insert[0] >= '0' && key->insert[0] <= '9';
}

} // namespace vell

std::size_t std::hash<vell::KeypadKey>::operator()(const vell::KeypadKey& key) const noexcept {
    using K = vell::KeypadKey;
    const std::size_t kind = key.action().index();
    const auto mix = [kind](std::size_t payload) { return kind * 1'000'003u ^ payload; };
    const std::hash<std::string> text;
    return std::visit(
        vell::Overloaded{
            [&](const K::Text& k) { return mix(text(k.insert) * 31u ^ text(k.label)); },
            [&](const K::Function& k) { return mix(text(k.name)); },
            [&](const K::Snippet& k) { return mix(text(k.text) * 31u ^ std::hash<int>()(k.back)); },
            [&](const K::Move& k) { return mix(static_cast<std::size_t>(k.move)); },
            [&](const auto&) { return mix(0); },
        },
        key.action());
}
