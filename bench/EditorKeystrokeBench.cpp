// One keystroke in the editor of a large sheet, as the user meets it: the key goes through the edit
// gate, the document store re-evaluates the sheet and refreshes the window's session, the editor
// takes the new results and restyles, and the viewport repaints at once.
//
// `keystroke/N`: a digit and a backspace in turn at the end of line 6 of the generated N-line sheet.
// `caretMove/N`: a key that changes no text (right and left arrow in turn) in the same place.
// `longLineKeystroke/N`: a digit and a backspace in turn at the end of one line of N bytes; 65,535
// bytes is the longest line that is edited, a megabyte opens read-only and the key changes nothing.
// `plotSheetKeystroke`: a digit and a backspace in turn on a plain line above 10,000 plot lines.
// `scrollThroughPlots`: a sheet of 20 plots scrolled through a screen at a time; counters tell what
// the plot images held at the end take and the process's resident memory.
// `open/N`: the editor made for the generated N-line sheet and shown, up to its first paint.
// Run offscreen (QT_QPA_PLATFORM=offscreen, set here when unset).

#include "Appearance/Appearance.h"
#include "LargeSheets.h"
#include "Plots/InlinePlot.h"
#include "QtBenchmarkMain.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/SheetEditor.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetEvaluations.h"
#include "Stores/SheetSession.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {

using namespace vell;

void sendKey(QWidget& view, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &release);
}

// The stores of one process and a window's editor of one sheet.
struct EditorOf {
    explicit EditorOf(const std::string& text)
        : defaults(std::make_shared<QSettings>(folder.filePath("Vell.ini"), QSettings::IniFormat)),
          settings(defaults), keyLayouts(defaults, [] { return Date::now(); }),
          store(std::nullopt, keyLayouts, DocumentStore::Services{[] { return Date::now(); }}) {
        store.setText(*store.currentSheetID(), text);
        session = std::make_unique<SheetSession>(store, evaluations);
        appearance = std::make_unique<Appearance>(settings);
    }

    void open() {
        editor = std::make_unique<SheetEditor>(*session, SheetEditor::Services{settings, *appearance});
        editor->resize(1040, 720);
        editor->show();
        editor->textView().viewport()->repaint();
        QCoreApplication::processEvents();
    }

    CalcTextView& view() const { return editor->textView(); }

    // The caret at the end of the line, scrolled into sight.
    void caretAtEndOf(int line) {
        view().setFocus();
        const QTextBlock block = view().document()->findBlockByNumber(line);
        view().setCaret(block.position() + block.length() - 1, true);
        view().viewport()->repaint();
    }

    QTemporaryDir folder;
    std::shared_ptr<QSettings> defaults;
    AppSettings settings;
    KeyLayoutStore keyLayouts;
    DocumentStore store;
    SheetEvaluations evaluations{store, settings};
    std::unique_ptr<SheetSession> session;
    std::unique_ptr<Appearance> appearance;
    std::unique_ptr<SheetEditor> editor;
};

void typeAndTakeBack(benchmark::State& state, EditorOf& editor) {
    CalcTextView& view = editor.view();
    bool type = true;
    for (auto _ : state) {
        if (type)
            sendKey(view, Qt::Key_1, QStringLiteral("1"));
        else
            sendKey(view, Qt::Key_Backspace, QString());
        type = !type;
        view.viewport()->repaint();
    }
}

void keystroke(benchmark::State& state) {
    const auto lines = static_cast<std::size_t>(state.range(0));
    EditorOf editor(bench::generateSheet({.lines = lines}));
    editor.open();
    editor.caretAtEndOf(5);
    typeAndTakeBack(state, editor);
    if (editor.session->results().size() != lines) state.SkipWithError("the sheet lost its lines");
}
BENCHMARK(keystroke)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void caretMove(benchmark::State& state) {
    EditorOf editor(bench::generateSheet({.lines = static_cast<std::size_t>(state.range(0))}));
    editor.open();
    editor.caretAtEndOf(5);
    CalcTextView& view = editor.view();
    bool right = true;
    for (auto _ : state) {
        sendKey(view, right ? Qt::Key_Right : Qt::Key_Left, QString());
        right = !right;
        view.viewport()->repaint();
    }
}
BENCHMARK(caretMove)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void longLineKeystroke(benchmark::State& state) {
    EditorOf editor(bench::longSumLine(static_cast<std::size_t>(state.range(0))));
    editor.open();
    editor.caretAtEndOf(0);
    typeAndTakeBack(state, editor);
}
BENCHMARK(longLineKeystroke)->Arg((1 << 16) - 1)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

void plotSheetKeystroke(benchmark::State& state) {
    EditorOf editor(bench::plotSheet(static_cast<std::size_t>(state.range(0))));
    editor.open();
    editor.caretAtEndOf(0);
    typeAndTakeBack(state, editor);
}
BENCHMARK(plotSheetKeystroke)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

long residentKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return 0;
}

// Scrolls a sheet of 20 plots (four of them surfaces) from top to bottom a screen at a time, as the
// user does, painting each screen: the plot images the cache still holds at the end, and the process's
// resident memory.
void scrollThroughPlots(benchmark::State& state) {
    InlinePlot::emptyCache();
    EditorOf editor(bench::plotSheet(20));
    editor.open();
    CalcTextView& view = editor.view();
    for (auto _ : state) {
        QScrollBar& bar = *view.verticalScrollBar();
        for (int value = 0;; value += view.viewport()->height()) {
            bar.setValue(value);
            view.viewport()->repaint();
            if (value >= bar.maximum()) break;
        }
        bar.setValue(0);
        view.viewport()->repaint();
    }
    state.counters["images"] = static_cast<double>(InlinePlot::cachedImageCount());
    state.counters["image_MB"] = static_cast<double>(InlinePlot::cachedImageBytes()) / 1e6;
    state.counters["rss_MB"] = static_cast<double>(residentKilobytes("VmRSS:")) / 1024;
}
BENCHMARK(scrollThroughPlots)->Unit(benchmark::kMillisecond)->UseRealTime();

void open(benchmark::State& state) {
    EditorOf editor(bench::generateSheet({.lines = static_cast<std::size_t>(state.range(0))}));
    for (auto _ : state) {
        editor.open();
        state.PauseTiming();
        editor.editor.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(open)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return vell::bench::runBenchmarksIn<QApplication>(argc, argv);
}
