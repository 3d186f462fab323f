#include "Screens/ScreenFactory.h"

#include "Appearance/Appearance.h"
#include "Screens/HelpView.h"
#include "Screens/SettingsView.h"
#include "Screens/TermsView.h"
#include "Stores/AppSettings.h"

#include <QCoreApplication>

namespace vell {

ScreenFactory::ScreenFactory(AppSettings& settings, Appearance& appearance,
                             std::optional<QString> documentPath)
    : settings_(settings), appearance_(appearance), documentPath_(std::move(documentPath)) {}

DialogBodyFactory ScreenFactory::bodies() const {
    return [this](WindowDialogKind kind, const WindowDialogContext& context) { return make(kind, context); };
}

QWidget* ScreenFactory::make(WindowDialogKind kind, const WindowDialogContext& context) const {
    WindowDialog* dialog = &context.dialog;
    switch (kind) {
    case WindowDialogKind::settings: {
        auto* view =
            new SettingsView(context.store, context.session,
                             SettingsView::Services{settings_, appearance_, documentPath_}, bodies());
        QObject::connect(view, &SettingsView::closeRequested, dialog, &QDialog::reject);
        QObject::connect(view, &SettingsView::erased, dialog, &QDialog::accept);
        return view;
    }
    case WindowDialogKind::help: {
        auto* view = new HelpView(settings_, appearance_);
        QObject::connect(view, &HelpView::closeRequested, dialog, &QDialog::reject);
        return view;
    }
    case WindowDialogKind::terms: {
        auto* view = new TermsView(context.isGate ? TermsView::Mode::gate : TermsView::Mode::reading,
                                   settings_, appearance_);
        QObject::connect(view, &TermsView::agreed, dialog, &QDialog::accept);
        QObject::connect(view, &TermsView::closeRequested, dialog, &QDialog::reject);
        // The gate keeps the window's menus from the keyboard; Quit must still work, and accepts nothing.
        QObject::connect(view, &TermsView::quitRequested, dialog, [] { QCoreApplication::quit(); });
        // Who does not agree may not use the program: declining the gate (Escape, its close button) quits.
        if (context.isGate)
            QObject::connect(dialog, &WindowDialog::declined, view, [] { QCoreApplication::quit(); });
        return view;
    }
    }
    return nullptr;
}

} // namespace vell
