// How large a sheet the editor takes comfortably: opening a window's editor on it (text, evaluation,
// layout and a first paint) and a key typed into it, for a sheet of one long line ("1+1+…") and for a
// sheet of many short lines of the generated kind. Run offscreen (QT_QPA_PLATFORM=offscreen, set here
// when unset). These figures set the size above which a sheet opens read-only.

#include "Appearance/Appearance.h"
#include "LargeSheets.h"
#include "QtBenchmarkMain.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/SheetEditor.h"
#include "SheetGenerator.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetEvaluations.h"
#include "Stores/SheetSession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <string>

namespace {

using namespace vell;

// At most `bytes` long, so that a size at a limit stays editable.
std::string longLine(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 2);
    text = "1";
    while (text.size() + 2 <= bytes)
        text += "+1";
    return text;
}

// A note: the editor's share of a long line, with next to nothing to evaluate.
std::string longNote(std::size_t bytes) {
    std::string text = "//";
    while (text.size() + 5 <= bytes)
        text += " note";
    return text;
}

std::string manyLines(std::size_t bytes) {
    std::string text;
    const std::string block = bench::generateSheet({.lines = 1000});
    while (text.size() < bytes)
        text += block + "\n";
    // Whole lines, at most `bytes` in all.
    text.resize(text.rfind('\n', bytes));
    return text;
}

struct Editing {
    QTemporaryDir folder;
    std::shared_ptr<QSettings> defaults =
        std::make_shared<QSettings>(folder.filePath("Vell.ini"), QSettings::IniFormat);
    AppSettings settings{defaults};
    KeyLayoutStore keyLayouts{defaults, [] { return Date::now(); }};
    DocumentStore store{std::nullopt, keyLayouts, DocumentStore::Services{[] { return Date::now(); }}};
    SheetEvaluations evaluations{store, settings};
    std::unique_ptr<SheetSession> session;
    std::unique_ptr<Appearance> appearance;
    std::unique_ptr<SheetEditor> editor;

    void open() {
        session = std::make_unique<SheetSession>(store, evaluations);
        appearance = std::make_unique<Appearance>(settings);
        editor = std::make_unique<SheetEditor>(*session, SheetEditor::Services{settings, *appearance});
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
void BM_OpenLongNote(benchmark::State& state) {
    openSheet(state, longNote);
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

// The 10,000 plot lines that one evaluation's time limit cuts short, from the text given to the store
// until the store's rounds have given every line its answer; counted: the evaluations, and the longest
// the event loop was held (what a key typed meanwhile waits at most).
void BM_FillInPlotSheet(benchmark::State& state) {
    const std::string text = bench::plotSheet(10000);
    const auto complete = [](const SheetEvaluations& evaluations) {
        const std::vector<LineResult>& results = evaluations.results(std::nullopt);
        return std::none_of(results.begin(), results.end(), [](const LineResult& result) {
            return result.outcome.as<LineOutcome::Failure>();
        });
    };
    int evaluations = 0;
    qint64 longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto editing = std::make_unique<Editing>();
        QObject::connect(&editing->evaluations, &SheetEvaluations::resultsChanged,
                         [&evaluations] { ++evaluations; });
        state.ResumeTiming();
        editing->store.setText(*editing->store.currentSheetID(), text);
        editing->open();
        QElapsedTimer waited;
        waited.start();
        while (!complete(editing->evaluations) && waited.elapsed() < 10'000) {
            QElapsedTimer event;
            event.start();
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            longest = std::max(longest, event.elapsed());
        }
        state.PauseTiming();
        if (!complete(editing->evaluations)) state.SkipWithError("the sheet was not complete after 10 s");
        editing.reset();
        state.ResumeTiming();
    }
    state.counters["evaluations"] = benchmark::Counter(evaluations, benchmark::Counter::kAvgIterations);
    state.counters["longestEventMs"] = static_cast<double>(longest);
}
BENCHMARK(BM_FillInPlotSheet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Sizes around the limits of SheetSize, and a 50 MB line far past them (shown read-only). A size past
// a limit measures the read-only view; to measure editing there, build with the limits raised.
void lineSizes(benchmark::internal::Benchmark* benchmark) {
    for (const long kilobytes : {16, 32, 64, 128, 256, 1024})
        benchmark->Arg(kilobytes * 1024);
}
void sheetSizes(benchmark::internal::Benchmark* benchmark) {
    for (const long kilobytes : {256, 512, 1024, 2048, 4096})
        benchmark->Arg(kilobytes * 1024);
}

BENCHMARK(BM_OpenLongLine)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Apply(lineSizes)
    ->Arg(50'000'000);
BENCHMARK(BM_KeyInLongLine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Apply(lineSizes);
BENCHMARK(BM_OpenLongNote)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Apply(lineSizes);
BENCHMARK(BM_KeyInLongNote)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Apply(lineSizes);
BENCHMARK(BM_OpenManyLines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Apply(sheetSizes);
BENCHMARK(BM_KeyInManyLines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Apply(sheetSizes);

} // namespace

int main(int argc, char** argv) {
    return vell::bench::runBenchmarksIn<QApplication>(argc, argv);
}
