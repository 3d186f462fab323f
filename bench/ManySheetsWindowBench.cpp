// A window's sheet list over a document of 100,000 small sheets, as the user meets it: the whole
// content of a window (tab bar, sidebar and the rest, without the editor, whose share the editor's
// benchmarks measure) made and shown up to its first paint; a click on another sheet; a sheet added and
// deleted again; a key typed into the selected sheet, as the window's lists take the changed document.
// Run offscreen (QT_QPA_PLATFORM=offscreen, set here when unset).

#include "Appearance/AppContext.h"
#include "Appearance/Appearance.h"
#include "ManySheets.h"
#include "QtBenchmarkMain.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentSaver.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetEvaluations.h"
#include "Stores/SheetListModel.h"
#include "Stores/SheetSession.h"
#include "Stores/ViewSwitches.h"
#include "Window/RootView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

using namespace vell;

// The stores of one process over the document stored in a folder of its own.
struct ManySheetsStores {
    ManySheetsStores()
        : defaults(std::make_shared<QSettings>(folder.filePath("Vell.ini"), QSettings::IniFormat)),
          settings(defaults), keyLayouts(defaults, [] { return Date::now(); }), switches(defaults) {
        settings.setAcceptedTermsVersion(AppSettings::currentTermsVersion);
        const QString path = folder.filePath("Vell/document.json");
        QDir().mkpath(folder.filePath("Vell"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray::fromStdString(bench::manySheets().encode()));
        file.close();
        DocumentSaver::Opened opened = DocumentSaver::open(path);
        store = std::make_unique<DocumentStore>(std::move(opened.document), keyLayouts);
        saver = std::make_unique<DocumentSaver>(std::move(opened.file), *store, settings);
        evaluations = std::make_unique<SheetEvaluations>(*store, settings);
        sheetList = std::make_unique<SheetListModel>(*store);
        appearance = std::make_unique<Appearance>(settings);
        app = std::make_unique<const AppContext>(AppContext{settings, *appearance, keyLayouts, switches,
                                                            *store, *saver, *evaluations, *sheetList});
    }
    ~ManySheetsStores() { saver->applicationWillTerminate(); }

    QTemporaryDir folder;
    std::shared_ptr<QSettings> defaults;
    AppSettings settings;
    KeyLayoutStore keyLayouts;
    ViewSwitches switches;
    std::unique_ptr<DocumentStore> store;
    std::unique_ptr<DocumentSaver> saver;
    std::unique_ptr<SheetEvaluations> evaluations;
    std::unique_ptr<SheetListModel> sheetList;
    std::unique_ptr<Appearance> appearance;
    std::unique_ptr<const AppContext> app;
};

// A shown window's content over the stores.
struct ManySheetsWindow {
    explicit ManySheetsWindow(ManySheetsStores& stores)
        : session(*stores.store, *stores.evaluations), root(*stores.app, session) {
        root.resize(1040, 680);
        root.show();
        root.repaint();
        QCoreApplication::processEvents();
    }

    SheetSession session;
    RootView root;
};

ManySheetsStores& sharedStores() {
    static ManySheetsStores stores;
    return stores;
}

void BM_ShowWindowAmongManySheets(benchmark::State& state) {
    ManySheetsStores& stores = sharedStores();
    for (auto _ : state) {
        auto window = std::make_unique<ManySheetsWindow>(stores);
        // The window goes untimed.
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

void BM_SwitchSheetAmongManySheets(benchmark::State& state) {
    ManySheetsStores& stores = sharedStores();
    ManySheetsWindow window(stores);
    const std::vector<Uuid> shown{bench::numberedSheetID(50'000), bench::numberedSheetID(2),
                                  bench::numberedSheetID(99'999), bench::numberedSheetID(1)};
    std::size_t next = 0;
    for (auto _ : state) {
        window.session.select(shown[next++ % shown.size()]);
        window.root.repaint();
        QCoreApplication::processEvents();
    }
}

void BM_AddAndDeleteSheetAmongManySheets(benchmark::State& state) {
    ManySheetsStores& stores = sharedStores();
    ManySheetsWindow window(stores);
    for (auto _ : state) {
        const Uuid added = stores.store->addSheet();
        window.session.select(added);
        window.root.repaint();
        QCoreApplication::processEvents();
        stores.store->deleteSheet(added);
        window.root.repaint();
        QCoreApplication::processEvents();
    }
}

void BM_KeyAmongManySheetsWindow(benchmark::State& state) {
    ManySheetsStores& stores = sharedStores();
    ManySheetsWindow window(stores);
    std::string text = stores.store->currentSheet().text;
    for (auto _ : state) {
        text += '1';
        stores.store->setText(*stores.store->currentSheetID(), text);
        window.root.repaint();
        QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_ShowWindowAmongManySheets)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SwitchSheetAmongManySheets)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_AddAndDeleteSheetAmongManySheets)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_KeyAmongManySheetsWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    return vell::bench::runBenchmarksIn<QApplication>(argc, argv);
}
