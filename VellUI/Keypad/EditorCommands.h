#pragma once

// The command route of one window: its keypad, function menu and sidebar send the four editor commands
// here, and only that window's editor carries them out. Nothing else is told, so a command never edits
// the sheet of another window.

#include "Keypad/InsertSnippet.h"

#include <QObject>
#include <QString>

namespace vell {

class SheetEditor;
struct KeypadCommand;

class EditorCommands : public QObject {
    Q_OBJECT

public:
    explicit EditorCommands(QObject* parent = nullptr);

    // Connects the four commands to the editor's slots for as long as both live.
    void attach(SheetEditor& editor);

    // Sends an editor command as its signal; the clear request is not one and is ignored.
    void send(const KeypadCommand& command);

signals:
    void insertSnippet(const vell::InsertSnippet& snippet);
    void deleteBackward();
    void toggleSign();
    // A caret move's raw value: "up", "down", "left", "right", "lineStart" or "lineEnd".
    void moveCursor(const QString& raw);
};

} // namespace vell
