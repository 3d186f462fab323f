#pragma once

// A document store on a temporary folder, with its own settings, keypad layouts and a clock the test
// moves by hand.

#include "Document/VellDocument.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetEvaluations.h"
#include "Support/EngineSettingsScope.h"
#include "Support/NumberedId.h"
#include "Support/OpenedDocument.h"
#include "Support/TempDefaults.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace vell {

inline void PrintTo(const Uuid& id, std::ostream* out) {
    *out << id.uuidString();
}
inline void PrintTo(const Date& date, std::ostream* out) {
    *out << date.iso8601();
}

namespace testsupport {

// Stands still until the test moves it.
struct ManualClock {
    std::shared_ptr<Date> now = std::make_shared<Date>(Date::fromCivil(2025, 3, 1, 9, 30, 0));
    Date operator()() const { return *now; }
    void advance(double seconds) const {
        *now = now->addingMicroseconds(static_cast<std::int64_t>(seconds * 1'000'000));
    }
};

inline Uuid sheetId(std::uint8_t number) {
    return numberedId(number);
}

inline Sheet makeSheet(std::uint8_t number, std::string name, std::string text, Date updatedAt,
                       std::vector<std::int64_t> lockedLines = {}) {
    return Sheet{sheetId(number), std::move(name), std::move(text), updatedAt, std::move(lockedLines)};
}

// The sheet selected in the store; the tests' commands address it.
inline Uuid selected(const DocumentStore& store) {
    return store.currentSheetID().value_or(Uuid());
}
inline bool canUndo(const DocumentStore& store) {
    return store.canUndo(selected(store));
}
inline bool canRedo(const DocumentStore& store) {
    return store.canRedo(selected(store));
}

inline std::vector<std::string> namesOf(const std::vector<Sheet>& sheets) {
    std::vector<std::string> names;
    for (const Sheet& sheet : sheets)
        names.push_back(sheet.name);
    return names;
}

class DocumentStoreTest : public ::testing::Test {
protected:
    DocumentStoreTest()
        : settings(defaults.open()), keyLayouts(defaults.open(), clock),
          storagePath(folder.filePath("Vell/document.json")) {
        // The settings object has just put the stored (default) language in force.
        scope.setLanguage(AppLanguage::english);
    }

    DocumentSaver::Services services() { return DocumentSaver::Services{clock}; }
    OpenedDocument open() { return open(services()); }
    OpenedDocument open(DocumentSaver::Services saving) { return evaluated(storagePath, std::move(saving)); }
    OpenedDocument openInMemory() { return evaluated(std::nullopt, services()); }
    // The evaluations of the store, kept as `evaluations` until the next store is opened.
    OpenedDocument evaluated(std::optional<QString> path, DocumentSaver::Services saving) {
        OpenedDocument document =
            OpenedDocument::open(std::move(path), settings, keyLayouts, clock, std::move(saving));
        evaluations = std::make_unique<SheetEvaluations>(*document.store, settings, evaluationServices);
        return document;
    }
    // The answers of that sheet of the store opened last (the selected one when none is named).
    const std::vector<LineResult>& results(std::optional<Uuid> sheetID = std::nullopt) const {
        return evaluations->results(sheetID);
    }

    // Documents of sheets 1, 2, 3 ... with the given texts, the first one selected.
    static VellDocument documentOf(std::vector<Sheet> sheets) {
        VellDocument document;
        document.selectedSheetID = sheets.empty() ? std::nullopt : std::optional<Uuid>(sheets.front().id);
        document.sheets = std::move(sheets);
        return document;
    }
    VellDocument sheetsWithTexts(const std::vector<std::string>& texts) const {
        std::vector<Sheet> sheets;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const std::string name(1, static_cast<char>('A' + i));
            sheets.push_back(makeSheet(static_cast<std::uint8_t>(i + 1), name, texts[i], clock()));
        }
        return documentOf(std::move(sheets));
    }

    void writeFile(const QByteArray& bytes) const {
        QDir().mkpath(QFileInfo(storagePath).absolutePath());
        QFile file(storagePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    void writeDocument(const VellDocument& document) const {
        writeFile(QByteArray::fromStdString(document.encode()));
    }
    QByteArray readFile() const {
        QFile file(storagePath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool fileExists() const { return QFile::exists(storagePath); }
    VellDocument documentOnDisk() const { return VellDocument::decode(readFile().toStdString()); }

    // Writes a pending save at once, as quitting does; true when there was one to write.
    static bool flushPendingSave(OpenedDocument& document) {
        QSignalSpy saves(document.saver.get(), &DocumentSaver::saved);
        document.saver->applicationWillTerminate();
        return saves.count() > 0;
    }
    // Waits for the next debounced save of the document.
    static bool waitForSave(OpenedDocument& document, int timeout = 3000) {
        QSignalSpy spy(document.saver.get(), &DocumentSaver::saved);
        return spy.wait(timeout);
    }

    EngineSettingsScope scope;
    TempDefaults defaults;
    ManualClock clock;
    AppSettings settings;
    KeyLayoutStore keyLayouts;
    QTemporaryDir folder;
    QString storagePath;
    SheetEvaluations::Services evaluationServices;
    std::unique_ptr<SheetEvaluations> evaluations;
};

// Also keeps every caret position the store asks the editors to show, in order, with its sheet.
class DocumentStoreCaretTest : public DocumentStoreTest {
protected:
    OpenedDocument open() {
        auto store = DocumentStoreTest::open();
        QObject::connect(store.get(), &DocumentStore::caretRequested, &context,
                         [this](const Uuid& sheet, std::int64_t caret) {
                             carets.push_back(caret);
                             caretSheets.push_back(sheet);
                         });
        return store;
    }

    QObject context;
    std::vector<qint64> carets;
    std::vector<Uuid> caretSheets;
};

} // namespace testsupport
} // namespace vell
