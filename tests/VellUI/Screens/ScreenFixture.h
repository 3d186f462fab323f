#pragma once

// What a screen test needs: its own preferences file, the settings and appearance over it, the
// language rule restored afterwards, the screens registered over those, and a main window whose
// dialog shows a screen made as the window would make it, active as the user would meet it.

#include "Appearance/Appearance.h"
#include "Screens/ScreenBodies.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetSession.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"
#include "Window/WindowSheet.h"

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
    DocumentStore store{std::nullopt, settings, keyLayouts};
    SheetSession session{store};
    QWidget window;

    ScreenFixture() {
        ScreenBodies::registerAll(settings, appearance);
        window.resize(900, 700);
        window.show();
    }
    ~ScreenFixture() override { ScreenBodies::unregisterAll(); }

    void useSystemLanguage(std::vector<std::string> preferred) {
        L10n::setPreferredLanguagesProvider([preferred] { return preferred; });
        settings.setLanguage(AppLanguage::system);
    }

    // The window's dialog of that kind with a fresh body, shown and holding the keyboard. The gate is
    // not dismissable, as the window shows it.
    std::unique_ptr<WindowSheet> present(WindowSheetKind kind, bool isGate = false, QWidget* over = nullptr) {
        auto sheet = std::make_unique<WindowSheet>(kind, over ? *over : window);
        QWidget* body = WindowSheets::makeBody(kind, WindowSheetContext{store, session, *sheet, isGate});
        EXPECT_NE(body, nullptr);
        sheet->present(body, !isGate);
        sheet->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(sheet.get()));
        return sheet;
    }

    template <class View>
    static View* bodyOf(const WindowSheet& sheet) {
        return qobject_cast<View*>(sheet.body());
    }

    // The label of `parent` that shows exactly `text`.
    static QLabel* labelShowing(const QWidget& parent, const QString& text) {
        for (QLabel* label : parent.findChildren<QLabel*>())
            if (label->text() == text) return label;
        return nullptr;
    }
};

} // namespace vell::testsupport
