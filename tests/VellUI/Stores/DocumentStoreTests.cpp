// Creation, loading, repair and saving of the document store.

#include "DocumentStoreFixture.h"
#include "Support/WarningLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QtGlobal>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::DocumentStoreTest;
using testsupport::makeSheet;
using testsupport::namesOf;
using testsupport::sheetId;

using testsupport::WarningLog;

// The fixture speaks English.
const QString saveFailurePrefix = QStringLiteral("Vell: The document could not be saved: ");

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

TEST_F(DocumentStoreTest, FreshStartShowsTheStarterDocumentAndWritesNothingUntilAChange) {
    auto store = open();
    EXPECT_TRUE(store->usingStarterDocument());
    EXPECT_EQ(namesOf(store->sheets()), namesOf(VellDocument::starter(clock).sheets));
    ASSERT_TRUE(store->currentSheetID());
    EXPECT_EQ(store->currentSheetID(), store->sheets().front().id);
    EXPECT_EQ(results().size(), SheetHistory::newlineCount(store->currentSheet().text) + 1);
    EXPECT_TRUE(store->histories().contains(*store->currentSheetID()));

    // Nothing is pending: even the flush at quitting writes nothing.
    store.saver->applicationWillTerminate();
    EXPECT_FALSE(fileExists());

    store->setText(*store->currentSheetID(), "1 + 2");
    EXPECT_FALSE(store->usingStarterDocument());
    ASSERT_TRUE(waitForSave(*store));
    EXPECT_EQ(documentOnDisk(), store->document());
    EXPECT_EQ(documentOnDisk().sheets.front().text, "1 + 2");
}

TEST_F(DocumentStoreTest, ABurstOfEditsIsSavedOnceAfterTheLastEdit) {
    writeDocument(sheetsWithTexts({""}));
    auto store = open();
    QSignalSpy saves(store.saver.get(), &DocumentSaver::saved);
    QElapsedTimer sinceLastEdit;
    std::string text;
    for (int i = 0; i < 6; ++i) {
        text += "1";
        store->setText(*store->currentSheetID(), text);
        sinceLastEdit.start();
        QTest::qWait(60);
    }
    ASSERT_TRUE(saves.wait(3000));
    EXPECT_GE(sinceLastEdit.elapsed(), DocumentSaver::saveDelayMilliseconds - 5);
    EXPECT_EQ(documentOnDisk().sheets.front().text, "111111");
    QTest::qWait(DocumentSaver::saveDelayMilliseconds + 200);
    EXPECT_EQ(saves.count(), 1);
}

TEST_F(DocumentStoreTest, QuittingOrLeavingTheApplicationWritesAPendingSaveAtOnce) {
    std::vector<OpenedDocument> stores;
    std::vector<std::unique_ptr<QSignalSpy>> saves;
    for (const auto leave :
         {&DocumentSaver::applicationWillTerminate, &DocumentSaver::applicationWillResignActive,
          &DocumentSaver::applicationDidBecomeActive}) {
        QFile::remove(storagePath);
        auto& store = stores.emplace_back(open());
        store->setText(*store->currentSheetID(), "42");
        ((*store.saver).*leave)();
        // Asked for at once; the write runs in the background.
        store.saver->finishWrites();
        ASSERT_TRUE(fileExists());
        EXPECT_EQ(documentOnDisk().sheets.front().text, "42");
        saves.push_back(std::make_unique<QSignalSpy>(store.saver.get(), &DocumentSaver::saved));
    }
    // The flush took the pending save along.
    QTest::qWait(DocumentSaver::saveDelayMilliseconds + 200);
    for (const auto& spy : saves)
        EXPECT_EQ(spy->count(), 0);
}

TEST_F(DocumentStoreTest, LoadsTheFileAndRepairsWhatItMust) {
    const Date earlier = clock().addingSeconds(-3600);
    struct Case {
        const char* what;
        VellDocument file;
        std::vector<std::string> names; // empty: the starter document
        std::optional<Uuid> selected;
        bool saves;
    };
    VellDocument selectsNothing =
        documentOf({makeSheet(1, "A", "1", earlier), makeSheet(2, "B", "2", earlier)});
    selectsNothing.selectedSheetID = sheetId(9);
    VellDocument noSelection = selectsNothing;
    noSelection.selectedSheetID.reset();
    VellDocument selectsSecond = selectsNothing;
    selectsSecond.selectedSheetID = sheetId(2);
    // The selected sheet is the newer duplicate: the older one survives and takes the selection.
    VellDocument duplicates =
        documentOf({makeSheet(1, "A", "same", clock()), makeSheet(2, "B", "other", earlier),
                    makeSheet(3, "A", "same", earlier)});
    const Case cases[] = {
        {"a document without sheets", documentOf({}), {}, std::nullopt, false},
        {"a selection that names no sheet", selectsNothing, {"A", "B"}, sheetId(1), false},
        {"no selection", noSelection, {"A", "B"}, sheetId(1), false},
        {"a valid selection", selectsSecond, {"A", "B"}, sheetId(2), false},
        {"two sheets of one name and text", duplicates, {"B", "A"}, sheetId(3), true},
    };
    for (const Case& c : cases) {
        writeDocument(c.file);
        auto store = open();
        if (c.names.empty()) {
            EXPECT_TRUE(store->usingStarterDocument()) << c.what;
            EXPECT_EQ(namesOf(store->sheets()), namesOf(VellDocument::starter(clock).sheets)) << c.what;
        } else {
            EXPECT_FALSE(store->usingStarterDocument()) << c.what;
            EXPECT_EQ(namesOf(store->sheets()), c.names) << c.what;
            EXPECT_EQ(store->currentSheetID(), c.selected) << c.what;
        }
        EXPECT_EQ(flushPendingSave(*store), c.saves) << c.what;
        if (c.saves) {
            EXPECT_EQ(documentOnDisk().deletedSheets.count(sheetId(1).uuidString()), 1u) << c.what;
        }
    }
}

TEST_F(DocumentStoreTest, AnUnreadableFileIsMovedAsideOnceBeforeTheFirstSave) {
    const QByteArray damaged[] = {"{ \"sheets\": [ { \"id\": ", "{\"sheets\": 3}", "\xff\xfe"};
    for (const QByteArray& bytes : damaged) {
        QDir(QFileInfo(storagePath).absolutePath()).removeRecursively();
        writeFile(bytes);
        auto store = open();
        EXPECT_TRUE(store->usingStarterDocument());
        EXPECT_EQ(readFile(), bytes) << "nothing touches the file before a save";

        const QString aside =
            "document.unreadable-" + QString::fromStdString(clock().iso8601()).remove(':') + ".json";
        store->setText(*store->currentSheetID(), "7");
        ASSERT_TRUE(waitForSave(*store));
        const QString folder = QFileInfo(storagePath).absolutePath();
        EXPECT_EQ(filesIn(folder), (QStringList{"document.json", aside}));
        QFile kept(QDir(folder).filePath(aside));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bytes);
        EXPECT_EQ(documentOnDisk().sheets.front().text, "7");

        // Once only: later saves overwrite the new file as usual.
        clock.advance(60);
        store->setText(*store->currentSheetID(), "8");
        ASSERT_TRUE(flushPendingSave(*store));
        EXPECT_EQ(filesIn(folder).size(), 2);
        EXPECT_EQ(documentOnDisk().sheets.front().text, "8");
    }
}

// A file written by a later version keeps what this one does not know through a save.
TEST_F(DocumentStoreTest, MembersThisVersionDoesNotKnowSurviveTheFirstSave) {
    writeFile(R"({"sheets": [{"id": "00000000-0000-4000-8000-000000000001", "name": "A", "text": "1",
                  "colour": "red"}], "format": {"version": 2}})");
    auto store = open();
    store->setText(*store->currentSheetID(), "2");
    ASSERT_TRUE(flushPendingSave(*store));
    const QByteArray saved = readFile();
    EXPECT_TRUE(saved.contains("\"colour\": \"red\"")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\"format\": {")) << saved.toStdString();
    EXPECT_EQ(documentOnDisk().sheets.front().text, "2");
}

// A document without sheets shows the starter sheets but keeps its deletions and keypad layouts.
TEST_F(DocumentStoreTest, ADocumentWithoutSheetsKeepsItsTombstonesAndLayouts) {
    VellDocument file = documentOf({});
    file.deletedSheets[sheetId(7).uuidString()] = clock().addingSeconds(-60);
    file.keyLayouts = {{"units", {{"length", {"km", "m"}}}}};
    file.keyLayoutsUpdatedAt = clock().addingSeconds(-60);
    writeDocument(file);
    auto store = open();
    EXPECT_TRUE(store->usingStarterDocument());
    EXPECT_EQ(namesOf(store->sheets()), namesOf(VellDocument::starter(clock).sheets));
    EXPECT_EQ(store->document().deletedSheets, file.deletedSheets);
    EXPECT_EQ(store->document().keyLayouts, file.keyLayouts);

    store->setText(*store->currentSheetID(), "1");
    ASSERT_TRUE(flushPendingSave(*store));
    EXPECT_EQ(documentOnDisk().deletedSheets, file.deletedSheets);
    EXPECT_EQ(documentOnDisk().keyLayouts, file.keyLayouts);
}

// Two sheets of one id with different texts in a hand-edited file: both stay, and a command reaches
// only the one it means.
TEST_F(DocumentStoreTest, AnIdRepeatedWithOtherContentIsTwoSheets) {
    writeDocument(documentOf({makeSheet(1, "A", "1", clock()), makeSheet(1, "B", "2", clock())}));
    auto store = open();
    ASSERT_EQ(namesOf(store->sheets()), (std::vector<std::string>{"A", "B"}));
    const Uuid second = store->sheets()[1].id;
    EXPECT_NE(second, sheetId(1));
    store->setCurrentSheetID(second);
    store->setText(*store->currentSheetID(), "20");
    EXPECT_EQ(store->sheets()[0].text, "1");
    EXPECT_EQ(store->sheets()[1].text, "20");
}

// Locks past the end of a sheet are dropped on load and refused by the command.
TEST_F(DocumentStoreTest, LocksPastTheEndOfASheetAreDroppedAndRefused) {
    writeDocument(documentOf({makeSheet(1, "A", "1\n2", clock(), {0, 5, -1})}));
    auto store = open();
    EXPECT_EQ(store->currentSheet().lockedLines, std::vector<std::int64_t>{0});

    const VellDocument before = store->document();
    store->toggleLock(*store->currentSheetID(), 2);
    EXPECT_EQ(store->document(), before);
    EXPECT_FALSE(flushPendingSave(*store));
    store->toggleLock(*store->currentSheetID(), 1);
    EXPECT_EQ(store->currentSheet().lockedLines, (std::vector<std::int64_t>{0, 1}));
}

TEST_F(DocumentStoreTest, AMissingFileOrFolderIsNoDamage) {
    auto store = open();
    store->setText(*store->currentSheetID(), "7");
    ASSERT_TRUE(waitForSave(*store));
    EXPECT_EQ(filesIn(QFileInfo(storagePath).absolutePath()), QStringList{"document.json"});
}

TEST_F(DocumentStoreTest, AFailedSaveIsLoggedAndTheNextChangeTriesAgain) {
    // A folder that is a regular file: root may write anywhere, but not below a file.
    const QString blocker = folder.filePath("blocker");
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    storagePath = QDir(blocker).filePath("document.json");
    WarningLog log;
    auto store = open();
    QSignalSpy saves(store.saver.get(), &DocumentSaver::saved);
    store->setText(*store->currentSheetID(), "1");
    ASSERT_TRUE(QTest::qWaitFor([] { return !WarningLog::lines().empty(); }, 3000));
    ASSERT_EQ(WarningLog::lines().size(), 1u);
    EXPECT_TRUE(WarningLog::lines().front().startsWith(saveFailurePrefix))
        << WarningLog::lines().front().toStdString();
    EXPECT_GT(WarningLog::lines().front().size(), saveFailurePrefix.size());
    EXPECT_EQ(saves.count(), 0);
    EXPECT_EQ(store->currentSheet().text, "1");

    ASSERT_TRUE(QFile::remove(blocker));
    store->setText(*store->currentSheetID(), "12");
    ASSERT_TRUE(saves.wait(3000));
    EXPECT_EQ(documentOnDisk().sheets.front().text, "12");
    EXPECT_EQ(WarningLog::lines().size(), 1u);
}

TEST_F(DocumentStoreTest, WithoutAStorageLocationEverythingWorksInMemory) {
    auto store = openInMemory();
    EXPECT_TRUE(store->usingStarterDocument());
    QSignalSpy saves(store.saver.get(), &DocumentSaver::saved);
    store->setText(*store->currentSheetID(), "1 + 2");
    store->undo(*store->currentSheetID());
    store->addSheet();
    store.saver->applicationWillTerminate();
    store->clearAllContent();
    EXPECT_EQ(saves.count(), 0);
    EXPECT_EQ(store->sheets().size(), 1u);
}

TEST_F(DocumentStoreTest, KeypadLayoutsGoToWhicheverSideIsOlder) {
    const KeyLayouts documentLayouts{{"functions", {{"", {"sqrt", "abs"}}}}};
    const Date documentDate = clock().addingSeconds(-60);

    // The document's layouts are newer: the keypad store takes them.
    VellDocument file = sheetsWithTexts({"1"});
    file.keyLayouts = documentLayouts;
    file.keyLayoutsUpdatedAt = documentDate;
    writeDocument(file);
    {
        auto store = open();
        EXPECT_EQ(keyLayouts.layouts(), documentLayouts);
        EXPECT_EQ(keyLayouts.updatedAt(), documentDate);
    }

    // Now the keypad is newer: the document takes its layouts, and that alone is not saved.
    keyLayouts.addBlank(KeyLayoutStore::Kind::units);
    const KeyLayouts keypadLayouts = keyLayouts.layouts();
    {
        auto store = open();
        EXPECT_EQ(store->document().keyLayouts, keypadLayouts);
        EXPECT_EQ(store->document().keyLayoutsUpdatedAt, keyLayouts.updatedAt());
        EXPECT_FALSE(flushPendingSave(*store));

        // A change the user makes on the keypad reaches the document and is saved.
        clock.advance(5);
        keyLayouts.addBlank(KeyLayoutStore::Kind::functions);
        ASSERT_TRUE(waitForSave(*store));
        EXPECT_EQ(documentOnDisk().keyLayouts, keyLayouts.layouts());
        EXPECT_EQ(documentOnDisk().keyLayoutsUpdatedAt, clock());
    }

    // Equal dates (here both never set) change nothing.
    testsupport::TempDefaults otherDefaults;
    KeyLayoutStore fresh(otherDefaults.open(), clock);
    writeDocument(sheetsWithTexts({"1"}));
    OpenedDocument store = OpenedDocument::open(storagePath, settings, fresh, clock);
    EXPECT_TRUE(store->document().keyLayouts.empty());
    EXPECT_FALSE(store->document().keyLayoutsUpdatedAt);
    EXPECT_TRUE(fresh.layouts().empty());
}

TEST_F(DocumentStoreTest, ALanguageChangeRebuildsTheMessagesWithoutSaving) {
    writeDocument(sheetsWithTexts({"2 *"}));
    auto store = open();
    const std::string english = results().front().outcome.debugDescription();
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
    settings.setLanguage(AppLanguage::japanese);
    EXPECT_EQ(evaluated.count(), 1);
    EXPECT_NE(results().front().outcome.debugDescription(), english);
    EXPECT_FALSE(flushPendingSave(*store));
}

TEST_F(DocumentStoreTest, EveryEngineSettingReevaluatesTheSelectedSheetAtOnce) {
    writeDocument(sheetsWithTexts({"sin(90)"}));
    auto store = open();
    const std::string radians = results().front().outcome.debugDescription();
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);

    settings.setAngle(AngleSetting::degrees);
    EXPECT_NE(results().front().outcome.debugDescription(), radians);
    settings.setMaxFractionDigits(2);
    // Settings that no evaluation reads leave the answers alone.
    settings.setGroupsDigits(false);
    settings.setTextSize(TextSizeSetting::large);
    EXPECT_EQ(evaluated.count(), 2);
    EXPECT_FALSE(flushPendingSave(*store));
}

TEST_F(DocumentStoreTest, TheDefaultLocationIsInTheUsersDataFolder) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", folder.filePath("data").toUtf8());
    const auto location = DocumentSaver::defaultStorageURL();
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);
    ASSERT_TRUE(location);
    EXPECT_EQ(*location, folder.filePath("data/Vell/document.json"));
    EXPECT_TRUE(QFileInfo(folder.filePath("data/Vell")).isDir());
    EXPECT_FALSE(QFile::exists(*location));
}

} // namespace
} // namespace vell
