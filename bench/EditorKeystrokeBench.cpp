// One keystroke in the editor of a generated 1,000-line sheet, as the user meets it: the key goes
// through the edit gate, the document store re-evaluates the sheet and refreshes the window's
// session, the editor takes the new results and restyles, and the viewport repaints at once.
// Run offscreen (QT_QPA_PLATFORM=offscreen, set here when unset).

#include "Appearance/Appearance.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/SheetEditor.h"
#include "SheetGenerator.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/NotificationCenter.h"
#include "Stores/SheetSession.h"
#include "Stores/UndoCenter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

using namespace vell;

void sendKey(QWidget& view, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &release);
}

void keystroke(benchmark::State& state) {
    QTemporaryDir folder;
    auto defaults = std::make_shared<QSettings>(folder.filePath("Vell.ini"), QSettings::IniFormat);
    AppSettings settings(defaults);
    KeyLayoutStore keyLayouts(defaults, [] { return Date::now(); });
    UndoCenter undoCenter;
    NotificationCenter notifications;
    DocumentStore store(std::nullopt, DocumentStore::Services{&settings, &keyLayouts, &undoCenter,
                                                              &notifications, [] { return Date::now(); }});
    store.setText(bench::generateSheet({.lines = 1000}));
    SheetSession session(store);
    Appearance appearance(settings);
    SheetEditor editor(session, SheetEditor::Services{&settings, &appearance, &notifications});
    editor.resize(1040, 720);
    editor.show();
    QCoreApplication::processEvents();
    CalcTextView& view = editor.textView();
    view.setFocus();
    // The end of the sixth line: on screen, as where one types.
    view.setCaret(view.document()->findBlockByNumber(5).position() +
                      view.document()->findBlockByNumber(5).length() - 1,
                  true);

    bool type = true;
    for (auto _ : state) {
        if (type)
            sendKey(view, Qt::Key_1, QStringLiteral("1"));
        else
            sendKey(view, Qt::Key_Backspace, QString());
        type = !type;
        view.viewport()->repaint();
    }
    if (session.results().size() != 1000) state.SkipWithError("the sheet lost its lines");
}

BENCHMARK(keystroke)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
