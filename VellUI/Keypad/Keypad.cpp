#include "Keypad/Keypad.h"

#include "Keypad/EditorCommands.h"
#include "Keypad/KeypadDispatch.h"
#include "Keypad/KeypadView.h"
#include "Stores/SheetSession.h"
#include "Stores/ViewSwitches.h"

#include <QVBoxLayout>

namespace vell {

Keypad::Keypad(EditorCommands& commands, SheetSession& session, Services services, QWidget* parent)
    : QWidget(parent), commands_(commands), session_(session), switches_(services.switches) {
    KeypadView::Callbacks callbacks;
    callbacks.onKey = [this](const KeypadKey& key) { dispatch(key); };
    callbacks.onHide = [this] { hideKeypad(); };
    callbacks.onUndo = [this] { undo(); };
    callbacks.onRedo = [this] { redo(); };
    callbacks.onOpenPanel = [this](const std::string& raw) { switches_.setKeypadPanel(raw); };
    view_ = new KeypadView(std::move(callbacks),
                           KeypadView::Services{services.settings, services.appearance, services.keyLayouts,
                                                services.timing, services.catalogTiming},
                           this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);

    view_->setOpenPanelRaw(switches_.keypadPanel());
    connect(&switches_, &ViewSwitches::keypadPanelChanged, view_,
            [this](const std::string& raw) { view_->setOpenPanelRaw(raw); });
    connect(&session_, &SheetSession::undoStateChanged, this, &Keypad::updateHistory);
    updateHistory();
}

void Keypad::updateHistory() {
    view_->setHistory(session_.canUndo(), session_.canRedo());
}

void Keypad::dispatch(const KeypadKey& key) {
    const std::optional<KeypadCommand> command = KeypadDispatch::command(key);
    if (!command) return;
    if (std::holds_alternative<KeypadCommand::ClearSheet>(command->command))
        session_.requestClear();
    else
        commands_.send(*command);
}

void Keypad::undo() {
    session_.undo();
}

void Keypad::redo() {
    session_.redo();
}

void Keypad::hideKeypad() {
    switches_.setShowKeypad(false);
}

} // namespace vell
