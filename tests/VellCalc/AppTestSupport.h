#pragma once

// The application object on a temporary document and preferences file of its own, with helpers to
// drive its real windows.

#include "MainWindow.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/SheetEditor.h"
#include "Stores/DocumentStore.h"
#include "Stores/SheetSession.h"
#include "Stores/UserDefaults.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"
#include "Support/TestContext.h"
#include "VellApp.h"
#include "Window/RootView.h"
#include "Window/SheetColumn.h"
#include "WindowPlaces.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace vell::testsupport {

inline void settle() {
    for (int turn = 0; turn < 3; ++turn)
        QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline void activate(QWidget& window) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    settle();
}

// A key typed while `window` is the active window: its shortcuts answer.
inline void press(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    activate(window);
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
    QTest::keyClick(target, key, modifiers);
    settle();
}

inline CalcTextView& editorOf(MainWindow& window) {
    return window.rootView().column()->sheetEditor()->textView();
}

// Typed at the end of the window's sheet, as a user clicking there and typing would.
inline void typeAtEnd(MainWindow& window, const QString& text) {
    activate(window);
    CalcTextView& editor = editorOf(window);
    editor.setFocus();
    editor.moveCursor(QTextCursor::End);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClicks(&editor, lines[i]);
    }
    settle();
}

inline std::vector<QString> itemTexts(const QMenu& menu) {
    std::vector<QString> texts;
    for (const QAction* action : menu.actions())
        if (!action->isSeparator()) texts.push_back(action->text());
    return texts;
}

struct ForgottenWindowPlaces {
    ForgottenWindowPlaces() { UserDefaults::remove(*UserDefaults::standard(), WindowPlaces::key); }
};

class VellAppTest : public ::testing::Test {
protected:
    explicit VellAppTest(AppLanguage language = AppLanguage::english) {
        writeStartingPreferences(defaults, language);
        app = std::make_unique<VellApp>(storagePath, defaults.open(), rescueRoots());
    }

    MainWindow& open() {
        MainWindow* window = app->openWindow();
        activate(*window);
        return *window;
    }
    DocumentStore& store() const { return app->store(); }
    DocumentSaver& saver() const { return app->saver(); }
    AppSettings& settings() const { return app->context().settings; }
    ViewSwitches& switches() const { return app->context().switches; }
    KeyLayoutStore& keyLayouts() const { return app->context().keyLayouts; }
    std::string fileContents() const {
        QFile file(storagePath);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    const Sheet& sheetAt(std::size_t index) const { return store().sheets().at(index); }
    // Never the real /var/tmp.
    std::vector<QString> rescueRoots() const { return {rescueRoot.path()}; }

    EngineSettingsScope engine;
    TempDefaults defaults;
    // Each test starts as on a first start, with no window places kept by an earlier one.
    ForgottenWindowPlaces forgottenPlaces;
    QTemporaryDir folder;
    QString storagePath = folder.filePath("Vell/document.json");
    QTemporaryDir rescueRoot;
    std::unique_ptr<VellApp> app;
};

} // namespace vell::testsupport
