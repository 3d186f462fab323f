#include "Keypad/KeySets.h"

namespace vell {

namespace {

// The look-alikes are deliberate: "−" (U+2212) inserts an ASCII hyphen-minus, "÷" an ASCII solidus,
// "␣" one space; "×" and "π" insert themselves.
KeypadKey text(const char* insert, const char* label) {
    return KeypadKey::text(insert, label);
}

} // namespace

const std::vector<KeypadToken>& KeySets::tokens() {
    static const std::vector<KeypadToken> tokens{
        {"=", " = "}, {"prev", "prev"}, {"sum", "sum"}, {",", ", "}, {"#", "#"},
    };
    return tokens;
}

const KeyGrid& KeySets::numbersGrid() {
    static const KeyGrid grid{{
        {text("(", "("), text(")", ")"), text(" ", "␣"), KeypadKey::backspace(), text(" / ", "÷")},
        {text("^", "^"), text("7", "7"), text("8", "8"), text("9", "9"), text(" × ", "×")},
        {KeypadKey::function("sqrt"), text("4", "4"), text("5", "5"), text("6", "6"), text(" - ", "−")},
        {text("π", "π"), text("1", "1"), text("2", "2"), text("3", "3"), text(" + ", "+")},
        {KeypadKey::cursorToggle(), text("0", "0"), text(".", "."), KeypadKey::signToggle(),
         KeypadKey::newline()},
    }};
    return grid;
}

const KeyGrid& KeySets::cursorGrid() {
    const auto move = [](CursorMove m) { return KeypadKey::move(m); };
    static const KeyGrid grid{{
        {text("(", "("), text(")", ")"), text(" ", "␣"), KeypadKey::backspace(), text(" / ", "÷")},
        {text("^", "^"), std::nullopt, move(CursorMove::up), std::nullopt, text(" × ", "×")},
        {KeypadKey::function("sqrt"), move(CursorMove::left), move(CursorMove::down), move(CursorMove::right),
         text(" - ", "−")},
        {text("π", "π"), move(CursorMove::lineStart), std::nullopt, move(CursorMove::lineEnd),
         text(" + ", "+")},
        {KeypadKey::cursorToggle(), std::nullopt, std::nullopt, KeypadKey::signToggle(),
         KeypadKey::newline()},
    }};
    return grid;
}

} // namespace vell
