// A key typed into a small sheet of a large document, as the UI thread meets it: the document store
// takes the new text, evaluates the selected sheet, refreshes the sessions and saves the document (the
// save a steady typist meets at least every 2 s, asked for here at every key). The documents:
// `BM_KeyAmongManySheets`, 100,000 sheets of a few lines each; `BM_KeyBesideHugeSheet`, a small sheet
// beside a 50 MB sheet that is not selected. The time is the UI thread's; run on two cores, since the
// writing may go on beside it. The `Synced` cases have a sync folder attached: each save is also pushed
// to the shared copy, and every iteration waits, untimed, until that push is written; the time is the UI
// thread's work for the key, the save and the push (events handled while waiting included, the wait
// itself not).

#include "Document/VellDocument.h"
#include "ManySheets.h"
#include "QtBenchmarkMain.h"
#include "Stores/AppSettings.h"
#include "Stores/CloudSync.h"
#include "Stores/DocumentSaver.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <string>

namespace {

using namespace vell;

VellDocument hugeSheetBeside() {
    VellDocument document;
    const Date date = Date::fromCivil(2025, 3, 1, 9, 30, 0);
    document.sheets.push_back(Sheet{bench::numberedSheetID(1), "Small", "1 + 1", date, {}});
    std::string huge;
    huge.reserve(50'000'000);
    while (huge.size() < 50'000'000)
        huge += "price = 1200 * 3 // a line of a large sheet\n";
    document.sheets.push_back(Sheet{bench::numberedSheetID(2), "Huge", std::move(huge), date, {}});
    document.selectedSheetID = document.sheets.front().id;
    return document;
}

void typeKeys(benchmark::State& state, const VellDocument& document, bool synced = false) {
    QTemporaryDir folder;
    const QString path = folder.filePath("Vell/document.json");
    QDir().mkpath(folder.filePath("Vell"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray::fromStdString(document.encode()));
    }
    auto defaults = std::make_shared<QSettings>(folder.filePath("Vell.ini"), QSettings::IniFormat);
    AppSettings settings(defaults);
    QTemporaryDir syncFolder;
    if (synced) settings.setSyncFolder(syncFolder.path());
    KeyLayoutStore keyLayouts(defaults, [] { return Date::now(); });
    DocumentSaver::Opened opened = DocumentSaver::open(path);
    DocumentStore store(std::move(opened.document), keyLayouts);
    DocumentSaver saver(std::move(opened.file), store, settings);
    using Clock = std::chrono::steady_clock;
    int pushes = 0;
    if (synced) {
        while (!saver.cloud())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QObject::connect(saver.cloud(), &CloudSync::written, [&pushes] { ++pushes; });
        // The first push, of the document as it was, is not one of the keys.
        saver.syncNow();
        while (pushes == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    std::string text = store.currentSheet().text;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        text += '1';
        store.setText(*store.currentSheetID(), text);
        saver.saveNow();
        QCoreApplication::processEvents();
        Clock::duration busy = Clock::now() - start;
        if (synced) {
            const int before = pushes;
            while (pushes == before) {
                QThread::usleep(200);
                const Clock::time_point handling = Clock::now();
                QCoreApplication::processEvents();
                busy += Clock::now() - handling;
            }
        }
        state.SetIterationTime(std::chrono::duration<double>(busy).count());
    }
    saver.applicationWillTerminate();
}

void BM_KeyAmongManySheets(benchmark::State& state) {
    typeKeys(state, bench::manySheets());
}
BENCHMARK(BM_KeyAmongManySheets)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_KeyAmongManySheetsSynced(benchmark::State& state) {
    typeKeys(state, bench::manySheets(), true);
}
BENCHMARK(BM_KeyAmongManySheetsSynced)->Unit(benchmark::kMillisecond)->Iterations(20)->UseManualTime();

void BM_KeyBesideHugeSheet(benchmark::State& state) {
    typeKeys(state, hugeSheetBeside());
}
BENCHMARK(BM_KeyBesideHugeSheet)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_KeyBesideHugeSheetSynced(benchmark::State& state) {
    typeKeys(state, hugeSheetBeside(), true);
}
BENCHMARK(BM_KeyBesideHugeSheetSynced)->Unit(benchmark::kMillisecond)->Iterations(20)->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    return vell::bench::runBenchmarksIn<QCoreApplication>(argc, argv);
}
