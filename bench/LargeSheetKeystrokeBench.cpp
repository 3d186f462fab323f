// How large a sheet the editor takes comfortably: opening a window's editor on it (text, evaluation,
// layout and a first paint) and a key typed into it, for a sheet of one long line ("1+1+…") and for a
// sheet of many short lines of the generated kind. Run offscreen (QT_QPA_PLATFORM=offscreen, set here
// when unset). These figures set the size above which a sheet opens read-only.

#include "Appearance/Appearance.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/SheetEditor.h"
#include "SheetGenerator.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/NotificationCenter.h"
#include "Stores/SheetSession.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <string>

namespace {

using namespace vell;

std::string longLine(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 2);
    text = "1";
    while (text.size() < bytes)
        text += "+1";
    return text;
}

// A note: the editor's share of a long line, with next to nothing to evaluate.
std::string longNote(std::size_t bytes) {
    std::string text = "//";
    while (text.size() < bytes)
        text += " note";
    return text;
}

std::string manyLines(std::size_t bytes) {
    std::string text;
    const std::string block = bench::generateSheet({.lines = 1000});
    while (text.size() < bytes)
        text += block + "\n";
    return text;
}

struct Editing {
    QTemporaryDir folder;
    std::shared_ptr<QSettings> defaults =
        std::make_shared<QSettings>(folder.filePath("Vell.ini"), QSettings::IniFormat);
    AppSettings settings{defaults};
    KeyLayoutStore keyLayouts{defaults, [] { return Date::now(); }};
    NotificationCenter notifications;
    DocumentStore store{std::nullopt, DocumentStore::Services{&settings, &keyLayouts, &notifications,
                                                              [] { return Date::now(); }}};
    std::unique_ptr<SheetSession> session;
    std::unique_ptr<Appearance> appearance;
    std::unique_ptr<SheetEditor> editor;

    void open() {
        session = std::make_unique<SheetSession>(store);
        appearance = std::make_unique<Appearance>(settings);
        editor = std::make_unique<SheetEditor>(
            *session, SheetEditor::Services{&settings, appearance.get(), &notifications});
        editor->resize(1040, 720);
        editor->show();
        QCoreApplication::processEvents();
        editor->textView().viewport()->repaint();
    }
};

void sendKey(QWidget& view, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &release);
}

template <class Make>
void openSheet(benchmark::State& state, Make make) {
    const std::string text = make(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto editing = std::make_unique<Editing>();
        state.ResumeTiming();
        editing->store.setText(*editing->store.currentSheetID(), text);
        editing->open();
        state.PauseTiming();
        editing.reset();
        state.ResumeTiming();
    }
}

template <class Make>
void typeInSheet(benchmark::State& state, Make make) {
    Editing editing;
    editing.store.setText(*editing.store.currentSheetID(), make(static_cast<std::size_t>(state.range(0))));
    editing.open();
    CalcTextView& view = editing.editor->textView();
    view.setFocus();
    view.setCaret(0, true);
    bool type = true;
    for (auto _ : state) {
        sendKey(view, type ? Qt::Key_1 : Qt::Key_Delete, type ? QStringLiteral("1") : QString());
        type = !type;
        view.viewport()->repaint();
    }
}

void BM_OpenLongLine(benchmark::State& state) {
    openSheet(state, longLine);
}
void BM_KeyInLongLine(benchmark::State& state) {
    typeInSheet(state, longLine);
}
void BM_KeyInLongNote(benchmark::State& state) {
    typeInSheet(state, longNote);
}
void BM_OpenManyLines(benchmark::State& state) {
    openSheet(state, manyLines);
}
void BM_KeyInManyLines(benchmark::State& state) {
    typeInSheet(state, manyLines);
}

// Sizes around the limits of SheetSize, and a 50 MB line far past them (shown read-only).
BENCHMARK(BM_OpenLongLine)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Arg(16 * 1024)
    ->Arg(64 * 1024)
    ->Arg(50'000'000);
BENCHMARK(BM_KeyInLongLine)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10)
    ->Arg(16 * 1024)
    ->Arg(64 * 1024);
BENCHMARK(BM_KeyInLongNote)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10)
    ->Arg(16 * 1024)
    ->Arg(64 * 1024)
    ->Arg(256 * 1024);
BENCHMARK(BM_OpenManyLines)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Arg(64 * 1024)
    ->Arg(1024 * 1024)
    ->Arg(4 * 1024 * 1024);
BENCHMARK(BM_KeyInManyLines)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10)
    ->Arg(64 * 1024)
    ->Arg(1024 * 1024)
    ->Arg(4 * 1024 * 1024);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
