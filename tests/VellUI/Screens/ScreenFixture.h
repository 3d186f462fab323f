#pragma once

// What a screen test needs: its own preferences file, the settings and appearance over it, the
// language rule restored afterwards, the screens made over those, and a main window whose dialog
// shows a screen made as the window would make it, active as the user would meet it.

#include "Appearance/Appearance.h"
#include "Dialogs/WindowDialog.h"
#include "Screens/ScreenFactory.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetEvaluations.h"
#include "Stores/SheetSession.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace vell::testsupport {

inline void settle() {
    for (int turn = 0; turn < 3; ++turn)
        QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct ScreenFixture : ::testing::Test {
    EngineSettingsScope engine;
    TempDefaults defaults;
    std::shared_ptr<QSettings> file = defaults.open();
    AppSettings settings{file};
    bool systemDark = false;
    Appearance appearance{settings, [this] { return systemDark; }};
    KeyLayoutStore keyLayouts{file};
    DocumentStore store{std::nullopt, keyLayouts};
    SheetEvaluations evaluations{store, settings};
    SheetSession session{store, evaluations};
    ScreenFactory screens{settings, appearance};
    QWidget window;

    ScreenFixture() {
        window.resize(900, 700);
        window.show();
    }

    void useSystemLanguage(std::vector<std::string> preferred) {
        L10n::setPreferredLanguagesProvider([preferred] { return preferred; });
        settings.setLanguage(AppLanguage::system);
    }

    // The window's dialog of that kind with a fresh body, shown and holding the keyboard. The gate is
    // not dismissable, as the window shows it.
    std::unique_ptr<WindowDialog> present(WindowDialogKind kind, bool isGate = false,
                                          QWidget* over = nullptr) {
        auto dialog = std::make_unique<WindowDialog>(kind, over ? *over : window);
        QWidget* body = screens.make(kind, WindowDialogContext{store, session, *dialog, isGate});
        EXPECT_NE(body, nullptr);
        show(*dialog, body, isGate);
        return dialog;
    }
    static void show(WindowDialog& dialog, QWidget* body, bool isGate = false) {
        dialog.present(body, !isGate);
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    template <class View>
    static View* bodyOf(const WindowDialog& dialog) {
        return qobject_cast<View*>(dialog.body());
    }

    // The label of `parent` that shows exactly `text`.
    static QLabel* labelShowing(const QWidget& parent, const QString& text) {
        for (QLabel* label : parent.findChildren<QLabel*>())
            if (label->text() == text) return label;
        return nullptr;
    }
};

} // namespace vell::testsupport
