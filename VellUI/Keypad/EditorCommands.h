#pragma once

// The command route of one window: its keypad, function menu and sidebar send the four editor commands
// here, and the window connects them to its own editor only. Nothing else is told, so a command never
// edits the sheet of another window.

#include "Keypad/InsertSnippet.h"
#include "LineRules/CursorMove.h"

#include <QObject>

namespace vell {

struct KeypadCommand;

class EditorCommands : public QObject {
    Q_OBJECT

public:
    explicit EditorCommands(QObject* parent = nullptr);

    // Sends an editor command as its signal; the clear request is not one and is ignored.
    void send(const KeypadCommand& command);

signals:
    void insertSnippet(const vell::InsertSnippet& snippet);
    void deleteBackward();
    void toggleSign();
    void moveCursor(vell::CursorMove move);
};

} // namespace vell
