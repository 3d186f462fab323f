#pragma once

// What a screen test needs: its own preferences file, the settings and appearance over it, the
// language rule restored afterwards, and a way to put a screen in a dialog and make it the active
// window, as the user would meet it.

#include "Appearance/Appearance.h"
#include "Screens/ScreenDialog.h"
#include "Stores/AppSettings.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace vell::testing {

struct ScreenFixture : ::testing::Test {
    EngineSettingsScope engine;
    TempDefaults defaults;
    std::shared_ptr<QSettings> file = defaults.open();
    AppSettings settings{file};
    bool systemDark = false;
    Appearance appearance{settings, [this] { return systemDark; }};

    void useSystemLanguage(std::vector<std::string> preferred) {
        L10n::setPreferredLanguagesProvider([preferred] { return preferred; });
        settings.setLanguage(AppLanguage::system);
    }

    // Shows the dialog and waits until it takes the keyboard.
    static void present(QDialog& dialog) {
        dialog.open();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    // The label of `parent` that shows exactly `text`.
    static QLabel* labelShowing(const QWidget& parent, const QString& text) {
        for (QLabel* label : parent.findChildren<QLabel*>())
            if (label->text() == text) return label;
        return nullptr;
    }
};

} // namespace vell::testing
