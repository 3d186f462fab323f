#pragma once

// What a pressed keypad key asks for: one editor command for its window's editor, the document
// store's clear request, or nothing (the grid switch stays inside the keypad).

#include "Keypad/InsertSnippet.h"
#include "Keypad/KeypadKey.h"
#include "LineRules/CursorMove.h"

#include <optional>
#include <string>
#include <variant>

namespace vell {

struct KeypadCommand {
    struct DeleteBackward {
        bool operator==(const DeleteBackward&) const = default;
    };
    struct ToggleSign {
        bool operator==(const ToggleSign&) const = default;
    };
    struct MoveCursor {
        CursorMove move;
        bool operator==(const MoveCursor&) const = default;
    };
    // Not an editor command: the document store asks the user before it clears the sheet.
    struct ClearSheet {
        bool operator==(const ClearSheet&) const = default;
    };

    std::variant<InsertSnippet, DeleteBackward, ToggleSign, MoveCursor, ClearSheet> command;

    bool operator==(const KeypadCommand&) const = default;
};

struct KeypadDispatch {
    // Nothing for the grid switch. A text key's label never travels.
    static std::optional<KeypadCommand> command(const KeypadKey& key);
};

} // namespace vell
