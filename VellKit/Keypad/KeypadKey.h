#pragma once

// What one key of the on-screen keypad does, what its face shows and whether the face is drawn in the
// accent colour. The keypad's owner turns a pressed key into a command (KeypadDispatch).

#include "LineRules/CursorMove.h"

#include <cstddef>
#include <string>
#include <utility>
#include <variant>

namespace vell {

class KeypadKey {
public:
    // Inserts `insert`; `label` is only shown.
    struct Text {
        std::string insert;
        std::string label;
        bool operator==(const Text&) const = default;
    };
    // Inserts the name and "()", the caret between the parentheses.
    struct Function {
        std::string name;
        bool operator==(const Function&) const = default;
    };
    // Inserts the text, then steps the caret back `back` UTF-16 units.
    struct Snippet {
        std::string text;
        int back = 0;
        bool operator==(const Snippet&) const = default;
    };
    struct Move {
        CursorMove move;
        bool operator==(const Move&) const = default;
    };
    struct Backspace {
        bool operator==(const Backspace&) const = default;
    };
    // A line break indented as the Return key indents it.
    struct Newline {
        bool operator==(const Newline&) const = default;
    };
    struct SignToggle {
        bool operator==(const SignToggle&) const = default;
    };
    // Asks the document store to clear the sheet, after the user confirms; only the backspace slide sends it.
    struct ClearSheet {
        bool operator==(const ClearSheet&) const = default;
    };
    // Switches the grid between digits and caret keys; the keypad keeps it to itself.
    struct CursorToggle {
        bool operator==(const CursorToggle&) const = default;
    };

    using Action =
        std::variant<Text, Function, Snippet, Move, Backspace, Newline, SignToggle, ClearSheet, CursorToggle>;

    KeypadKey(Action action) : action_(std::move(action)) {}

    static KeypadKey text(std::string insert, std::string label) {
        return KeypadKey(Text{std::move(insert), std::move(label)});
    }
    static KeypadKey function(std::string name) { return KeypadKey(Function{std::move(name)}); }
    static KeypadKey snippet(std::string text, int back) { return KeypadKey(Snippet{std::move(text), back}); }
    static KeypadKey move(CursorMove move) { return KeypadKey(Move{move}); }
    static KeypadKey backspace() { return KeypadKey(Backspace{}); }
    static KeypadKey newline() { return KeypadKey(Newline{}); }
    static KeypadKey signToggle() { return KeypadKey(SignToggle{}); }
    static KeypadKey clearSheet() { return KeypadKey(ClearSheet{}); }
    static KeypadKey cursorToggle() { return KeypadKey(CursorToggle{}); }

    const Action& action() const { return action_; }
    template <typename Case>
    bool is() const {
        return std::holds_alternative<Case>(action_);
    }
    template <typename Case>
    const Case* as() const {
        return std::get_if<Case>(&action_);
    }

    // The text on the key face, the same in both languages.
    std::string displayLabel() const;
    // Brackets and arithmetic signs, caret keys, the line break and the grid switch.
    bool isAccented() const;
    // Caret keys and backspace repeat while held; no other key repeats or slides.
    bool repeats() const;
    // A digit key "0" to "9": its face uses the larger size.
    bool isDigit() const;

    bool operator==(const KeypadKey&) const = default;

private:
    Action action_;
};

} // namespace vell

template <>
struct std::hash<vell::KeypadKey> {
    std::size_t operator()(const vell::KeypadKey& key) const noexcept;
};
