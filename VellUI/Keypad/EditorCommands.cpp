#include "Keypad/EditorCommands.h"

#include "Keypad/KeypadDispatch.h"

namespace vell {

EditorCommands::EditorCommands(QObject* parent) : QObject(parent) {}

void EditorCommands::send(const KeypadCommand& command) {
    using C = KeypadCommand;
    if (const auto* snippet = std::get_if<InsertSnippet>(&command.command))
        emit insertSnippet(*snippet);
    else if (std::holds_alternative<C::DeleteBackward>(command.command))
        emit deleteBackward();
    else if (std::holds_alternative<C::ToggleSign>(command.command))
        emit toggleSign();
    else if (const auto* move = std::get_if<C::MoveCursor>(&command.command))
        emit moveCursor(move->move);
}

} // namespace vell
