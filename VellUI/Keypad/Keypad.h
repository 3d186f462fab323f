#pragma once

// The keypad a main window shows under its editor: its one KeypadView, with every key turned into one
// command. Text commands go to the window's own editor through its EditorCommands; undo, redo and the
// clear request go to the window's session, which names the window's sheet, so that they reach it even
// when the click comes before the window is activated. The undo buttons show that sheet's history. The
// hide button and the panel toggles write the shared view switches, which every window's keypad follows.

#include "Keypad/CatalogTiming.h"
#include "Keypad/KeyButton.h"

#include <QWidget>

namespace vell {

class AppSettings;
class EditorCommands;
class KeyLayoutStore;
class KeypadView;
class SheetSession;
class ViewSwitches;

class Keypad : public QWidget {
    Q_OBJECT

public:
    struct Services {
        AppSettings& settings;
        ViewSwitches& switches;
        Appearance& appearance;
        KeyLayoutStore& keyLayouts;
        KeyTiming timing = {};
        CatalogTiming catalogTiming = {};
    };

    Keypad(EditorCommands& commands, SheetSession& session, Services services, QWidget* parent = nullptr);

    KeypadView& view() const { return *view_; }

    // One command for the key; none for the grid switch.
    void dispatch(const KeypadKey& key);
    void undo();
    void redo();
    // Hides the keypad of every window.
    void hideKeypad();

private:
    void updateHistory();

    EditorCommands& commands_;
    SheetSession& session_;
    ViewSwitches& switches_;
    KeypadView* view_;
};

} // namespace vell
