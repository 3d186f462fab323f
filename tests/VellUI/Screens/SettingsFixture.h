#pragma once

// The settings screen as a window opens it: its own preferences file, a document store on a temporary
// data folder whose evaluations are counted, two windows' sessions on two sheets, and the screens
// made over those preferences.

#include "Appearance/Appearance.h"
#include "Dialogs/WindowDialog.h"
#include "Screens/ScreenFactory.h"
#include "Screens/SettingsView.h"
#include "Sheet/DocumentEvaluator.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetEvaluations.h"
#include "Stores/SheetSession.h"
#include "Support/EngineSettingsScope.h"
#include "Support/OpenedDocument.h"
#include "Support/TempDefaults.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace vell::testsupport {

struct SettingsFixture : ::testing::Test {
    EngineSettingsScope engine;
    TempDefaults defaults;
    std::shared_ptr<QSettings> file = defaults.open();
    AppSettings settings{file};
    Appearance appearance{settings, [] { return false; }};
    KeyLayoutStore keyLayouts{file};
    QTemporaryDir data;
    QString storagePath = data.filePath("Vell/document.json");
    // Every evaluation the store asks for.
    std::shared_ptr<int> evaluations = std::make_shared<int>(0);
    OpenedDocument store;
    std::unique_ptr<SheetEvaluations> evaluated;
    std::unique_ptr<SheetSession> first;
    std::unique_ptr<SheetSession> second;
    ScreenFactory screens{settings, appearance, storagePath};
    QWidget window;

    SettingsFixture() {
        QDir(data.path()).mkpath(QStringLiteral("Vell"));
        SheetEvaluations::Services services;
        services.evaluator = [count = evaluations](std::string_view text,
                                                   std::span<const SharedSheet> others) {
            ++*count;
            return DocumentEvaluator::evaluate(text, others);
        };
        store = OpenedDocument::open(storagePath, settings, keyLayouts);
        evaluated = std::make_unique<SheetEvaluations>(*store, settings, services);
        first = std::make_unique<SheetSession>(*store, *evaluated);
        window.resize(900, 700);
        window.show();
    }
    ~SettingsFixture() override {
        // The store's pending save would outlive the folder.
        second.reset();
        first.reset();
        evaluated.reset();
        store.reset();
    }

    // Two sheets with a text each, one shown in each window; before the screen is presented.
    void openTwoWindows(const std::string& firstText, const std::string& secondText) {
        store->setText(*store->currentSheetID(), firstText);
        const Uuid firstId = store->currentSheet().id;
        store->addSheet();
        store->setText(*store->currentSheetID(), secondText);
        const Uuid secondId = store->currentSheet().id;
        store->setCurrentSheetID(firstId);
        first = std::make_unique<SheetSession>(*store, *evaluated, firstId);
        second = std::make_unique<SheetSession>(*store, *evaluated, secondId);
    }

    std::unique_ptr<WindowDialog> present(WindowDialogKind kind = WindowDialogKind::settings) {
        auto dialog = std::make_unique<WindowDialog>(kind, window);
        QWidget* body = screens.make(kind, WindowDialogContext{*store, *first, *dialog});
        EXPECT_NE(body, nullptr);
        dialog->present(body, true);
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    static SettingsView* viewOf(const WindowDialog& dialog) {
        return qobject_cast<SettingsView*>(dialog.body());
    }

    static void settle() {
        for (int turn = 0; turn < 3; ++turn)
            QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace vell::testsupport
