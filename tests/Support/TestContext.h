#pragma once

// The application's context as the application makes it, on a preferences file and a document folder
// of the test's own: the settings in the given language with the current terms accepted, the
// appearance over them, the keypad layouts, the view switches and a document store. The engine
// settings are restored on leaving.

#include "Appearance/AppContext.h"
#include "Appearance/Appearance.h"
#include "Engine/L10n.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetEvaluations.h"
#include "Stores/SheetListModel.h"
#include "Stores/ViewSwitches.h"
#include "Support/EngineSettingsScope.h"
#include "Support/OpenedDocument.h"
#include "Support/TempDefaults.h"

#include <QByteArray>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <utility>

namespace vell::testsupport {

// The preferences file a test of windows starts from: the language, and the current terms accepted.
inline void writeStartingPreferences(const TempDefaults& defaults, AppLanguage language) {
    const std::string_view raw = AppLanguages::rawValue(language);
    defaults.writeFile(
        "[General]\nvell.language=" + QByteArray(raw.data(), static_cast<qsizetype>(raw.size())) +
        "\nvell.acceptedTermsVersion=" + QByteArray::number(AppSettings::currentTermsVersion) + "\n");
}

class TestContext {
public:
    // The store opens `document`; none: a new document in a temporary folder.
    explicit TestContext(AppLanguage language = AppLanguage::english,
                         std::optional<QString> document = std::nullopt) {
        writeStartingPreferences(defaults_, language);
        file_ = defaults_.open();
        settings_ = std::make_unique<AppSettings>(file_);
        appearance_ = std::make_unique<Appearance>(*settings_);
        keyLayouts_ = std::make_unique<KeyLayoutStore>(file_);
        switches_ = std::make_unique<ViewSwitches>(file_);
        document_ =
            OpenedDocument::open(document ? std::move(*document) : folder_.filePath("Vell/document.json"),
                                 *settings_, *keyLayouts_);
        evaluations_ = std::make_unique<SheetEvaluations>(*document_.store, *settings_);
        sheetList_ = std::make_unique<SheetListModel>(*document_.store);
        app_ = std::make_unique<const AppContext>(AppContext{*settings_, *appearance_, *keyLayouts_,
                                                             *switches_, *document_.store, *document_.saver,
                                                             *evaluations_, *sheetList_});
    }
    TestContext(const TestContext&) = delete;
    TestContext& operator=(const TestContext&) = delete;

    const AppContext& app() const { return *app_; }
    AppSettings& settings() const { return *settings_; }
    Appearance& appearance() const { return *appearance_; }
    KeyLayoutStore& keyLayouts() const { return *keyLayouts_; }
    ViewSwitches& switches() const { return *switches_; }
    DocumentStore& store() const { return *document_.store; }
    DocumentSaver& saver() const { return *document_.saver; }
    SheetEvaluations& evaluations() const { return *evaluations_; }
    SheetListModel& sheetList() const { return *sheetList_; }
    const TempDefaults& defaults() const { return defaults_; }

private:
    EngineSettingsScope engine_;
    TempDefaults defaults_;
    QTemporaryDir folder_;
    std::shared_ptr<QSettings> file_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<Appearance> appearance_;
    std::unique_ptr<KeyLayoutStore> keyLayouts_;
    std::unique_ptr<ViewSwitches> switches_;
    // Goes before the settings and layouts it listens to.
    OpenedDocument document_;
    std::unique_ptr<SheetEvaluations> evaluations_;
    std::unique_ptr<SheetListModel> sheetList_;
    std::unique_ptr<const AppContext> app_;
};

} // namespace vell::testsupport
