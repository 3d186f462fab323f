#pragma once

// Makes the settings, help and terms screens as the bodies of a window's dialogs, each wired to end
// its dialog. The application makes one and hands every window its body factory; the settings screen
// opens help and terms through the same factory.

#include "Dialogs/WindowDialog.h"

#include <QString>
#include <optional>

namespace vell {

class AppSettings;
class Appearance;

class ScreenFactory {
public:
    // The settings and the appearance must outlive every screen made.
    // `documentPath`: the document's own file, which no sync folder may hold.
    ScreenFactory(AppSettings& settings, Appearance& appearance,
                  std::optional<QString> documentPath = std::nullopt);

    // The screen of that kind, a new widget for the dialog to take over.
    QWidget* make(WindowDialogKind kind, const WindowDialogContext& context) const;
    // make() of this factory, which must outlive everything the factory is handed to.
    DialogBodyFactory bodies() const;

private:
    AppSettings& settings_;
    Appearance& appearance_;
    std::optional<QString> documentPath_;
};

} // namespace vell
