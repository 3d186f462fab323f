#include "Keypad/KeypadDispatch.h"

namespace vell {

std::optional<KeypadCommand> KeypadDispatch::command(const KeypadKey& key) {
    using K = KeypadKey;
    using C = KeypadCommand;
    if (const auto* text = key.as<K::Text>()) return C{InsertSnippet{text->insert, 0, false}};
    if (const auto* function = key.as<K::Function>())
        return C{InsertSnippet{function->name + "()", 1, false}};
    if (const auto* snippet = key.as<K::Snippet>())
        return C{InsertSnippet{snippet->text, snippet->back, false}};
    if (key.is<K::Newline>()) return C{InsertSnippet{"\n", 0, false}};
    if (const auto* move = key.as<K::Move>()) return C{C::MoveCursor{move->move}};
    if (key.is<K::Backspace>()) return C{C::DeleteBackward{}};
    if (key.is<K::SignToggle>()) return C{C::ToggleSign{}};
    if (key.is<K::ClearSheet>()) return C{C::ClearSheet{}};
    return std::nullopt;
}

} // namespace vell
