#pragma once

// Makes the settings, help and terms screens as the bodies of a window's dialogs, each wired to end
// its dialog. The application makes one and hands every window its body factory; the settings screen
// opens help and terms through the same factory.

#include "Dialogs/WindowDialog.h"

namespace vell {

class AppSettings;
class Appearance;

class ScreenFactory {
public:
    // The settings and the appearance must outlive every screen made.
    ScreenFactory(AppSettings& settings, Appearance& appearance);

    // The screen of that kind, a new widget for the dialog to take over.
    QWidget* make(WindowDialogKind kind, const WindowDialogContext& context) const;
    // make() of this factory, which must outlive everything the factory is handed to.
    DialogBodyFactory bodies() const;

private:
    AppSettings& settings_;
    Appearance& appearance_;
};

} // namespace vell
