#include "Screens/ScreenBodies.h"

#include "Appearance/Appearance.h"
#include "Screens/HelpView.h"
#include "Screens/SettingsView.h"
#include "Screens/TermsView.h"
#include "Stores/AppSettings.h"
#include "Window/WindowSheet.h"

#include <QCoreApplication>

namespace vell {

void ScreenBodies::registerAll(AppSettings& settings, Appearance& appearance) {
    WindowSheets::registerBody(WindowSheetKind::settings, [&settings,
                                                           &appearance](const WindowSheetContext& context) {
        auto* view =
            new SettingsView(context.store, context.session, SettingsView::Services{settings, appearance});
        WindowSheet* sheet = &context.sheet;
        QObject::connect(view, &SettingsView::closeRequested, sheet, &QDialog::reject);
        QObject::connect(view, &SettingsView::erased, sheet, &QDialog::accept);
        return view;
    });

    WindowSheets::registerBody(WindowSheetKind::help,
                               [&settings, &appearance](const WindowSheetContext& context) {
                                   auto* view = new HelpView(settings, appearance);
                                   WindowSheet* sheet = &context.sheet;
                                   QObject::connect(view, &HelpView::closeRequested, sheet, &QDialog::reject);
                                   return view;
                               });

    WindowSheets::registerBody(
        WindowSheetKind::terms, [&settings, &appearance](const WindowSheetContext& context) {
            auto* view = new TermsView(context.isGate ? TermsView::Mode::gate : TermsView::Mode::reading,
                                       settings, appearance);
            WindowSheet* sheet = &context.sheet;
            QObject::connect(view, &TermsView::agreed, sheet, &QDialog::accept);
            QObject::connect(view, &TermsView::closeRequested, sheet, &QDialog::reject);
            // The gate keeps the window's menus from the keyboard; Quit must still work, and accepts nothing.
            QObject::connect(view, &TermsView::quitRequested, sheet, [] { QCoreApplication::quit(); });
            return view;
        });
}

void ScreenBodies::unregisterAll() {
    WindowSheets::registerBody(WindowSheetKind::settings, {});
    WindowSheets::registerBody(WindowSheetKind::help, {});
    WindowSheets::registerBody(WindowSheetKind::terms, {});
}

} // namespace vell
