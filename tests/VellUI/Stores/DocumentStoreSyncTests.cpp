// Two computers in one process: each with its own local folder, preferences and store, both pointed at
// one sync folder, as the user's file-sync tool would keep it between them.

#include "DocumentStoreFixture.h"
#include "Stores/SheetEvaluations.h"
#include "Support/Files.h"
#include "Support/WarningLog.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vell {
namespace {

using namespace std::chrono_literals;
using testsupport::contentsOf;
using testsupport::makeSheet;
using testsupport::ManualClock;
using testsupport::namesOf;
using testsupport::sheetId;
using testsupport::writeFile;

constexpr int storePatience = 15'000; // ms: generous for a loaded machine; a passing wait ends far sooner

bool eventually(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, storePatience);
}

std::optional<VellDocument> decoded(const QByteArray& bytes) {
    try {
        return VellDocument::decode(bytes.toStdString());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<Uuid> idsOf(const std::vector<Sheet>& sheets) {
    std::vector<Uuid> ids;
    for (const Sheet& sheet : sheets)
        ids.push_back(sheet.id);
    return ids;
}

const Sheet* sheetWithId(const DocumentStore& store, std::uint8_t number) {
    return store.sheet(sheetId(number));
}

std::string textOf(const DocumentStore& store, std::uint8_t number) {
    const Sheet* sheet = sheetWithId(store, number);
    return sheet ? sheet->text : "<no such sheet>";
}

// One computer: its preferences, keypad layouts and local folder.
struct Computer {
    Computer(const QString& syncFolder, ManualClock clock)
        : clock(clock), settings(defaults.open()), keyLayouts(defaults.open(), clock),
          storagePath(local.filePath("Vell/document.json")) {
        settings.setSyncFolder(syncFolder);
    }

    DocumentStore& start() {
        document = OpenedDocument::open(storagePath, settings, keyLayouts, clock,
                                        DocumentSaver::Services{clock, 1s});
        return *document.store;
    }
    // Started and watching the shared copy.
    DocumentStore& startAttached() {
        start();
        EXPECT_TRUE(eventually([this] { return saver().cloud() != nullptr; }));
        return *document.store;
    }
    DocumentSaver& saver() const { return *document.saver; }
    void writeLocalDocument(const VellDocument& document) const {
        QDir().mkpath(QFileInfo(storagePath).absolutePath());
        writeFile(storagePath, QByteArray::fromStdString(document.encode()));
    }
    std::optional<VellDocument> localDocument() const { return decoded(contentsOf(storagePath)); }

    ManualClock clock;
    testsupport::TempDefaults defaults;
    AppSettings settings;
    KeyLayoutStore keyLayouts;
    QTemporaryDir local;
    QString storagePath;
    OpenedDocument document;
};

class DocumentStoreSyncTest : public ::testing::Test {
protected:
    DocumentStoreSyncTest()
        : cloudFolder(sync.filePath("Vell")), cloudPath(sync.filePath("Vell/document.json")),
          first(sync.path(), clock), second(sync.path(), clock) {
        scope.setLanguage(AppLanguage::english);
    }

    std::optional<VellDocument> cloudDocument() const { return decoded(contentsOf(cloudPath)); }
    void writeCloud(const QString& name, const QByteArray& bytes) const {
        writeFile(QDir(cloudFolder).filePath(name), bytes);
    }

    // Three sheets, the first one selected.
    VellDocument threeSheets() const {
        VellDocument document;
        document.sheets = {makeSheet(1, "Rent", "1200", clock()), makeSheet(2, "Food", "300", clock()),
                           makeSheet(3, "Fuel", "80", clock())};
        document.selectedSheetID = sheetId(1);
        return document;
    }

    // The first computer holds the three sheets and has pushed them; the second has taken them on its
    // first start. Both are watching.
    void startBothOnThreeSheets() { startOnThreeSheets(first, second); }

    // Another computer's copy in the sync folder: the three sheets, the second one edited just now.
    void writeTheirsWithSecondSheet(std::string text) {
        VellDocument theirs = threeSheets();
        theirs.sheets[1].text = std::move(text);
        theirs.sheets[1].updatedAt = clock();
        writeFile(cloudPath, QByteArray::fromStdString(theirs.encode()));
    }
    void startOnThreeSheets(Computer& one, Computer& two) {
        one.writeLocalDocument(threeSheets());
        DocumentStore& a = one.startAttached();
        // Becoming active pushes a document the shared copy does not hold yet.
        one.saver().applicationDidBecomeActive();
        ASSERT_TRUE(eventually([this] { return cloudDocument().has_value(); }));
        DocumentStore& b = two.startAttached();
        ASSERT_TRUE(eventually([&] { return idsOf(b.sheets()) == idsOf(a.sheets()); }));
        clock.advance(60);
        one.clock.advance(one.clock.now == clock.now ? 0 : 60);
        two.clock.advance(two.clock.now == clock.now ? 0 : 60);
    }
    // A computer whose clock is that many seconds off the first one's.
    std::unique_ptr<Computer> computerOff(std::int64_t seconds) {
        ManualClock own;
        *own.now = clock().addingSeconds(seconds);
        return std::make_unique<Computer>(sync.path(), own);
    }

    testsupport::EngineSettingsScope scope;
    ManualClock clock;
    QTemporaryDir sync;
    QString cloudFolder;
    QString cloudPath;
    Computer first;
    Computer second;
};

TEST_F(DocumentStoreSyncTest, AnEditOnOneComputerReachesTheOther) {
    startBothOnThreeSheets();
    DocumentStore& a = *first.document.store;
    DocumentStore& b = *second.document.store;

    a.setText(*a.currentSheetID(), "1250");
    EXPECT_TRUE(eventually([&] { return textOf(b, 1) == "1250"; }));
    // Taken in without an undo step, and written to the second computer's own file.
    EXPECT_TRUE(eventually(
        [&] { return second.localDocument() && second.localDocument()->sheets[0].text == "1250"; }));

    clock.advance(5);
    b.setText(*b.currentSheetID(), "1300");
    EXPECT_TRUE(eventually([&] { return textOf(a, 1) == "1300"; }));
}

TEST_F(DocumentStoreSyncTest, EditsToDifferentSheetsOnBothComputersBothSurvive) {
    startBothOnThreeSheets();
    DocumentStore& a = *first.document.store;
    DocumentStore& b = *second.document.store;

    // Neither has seen the other's edit when making its own.
    a.setCurrentSheetID(sheetId(2));
    a.setText(*a.currentSheetID(), "320");
    b.setCurrentSheetID(sheetId(3));
    b.setText(*b.currentSheetID(), "95");

    for (DocumentStore* store : {&a, &b}) {
        EXPECT_TRUE(eventually([&] { return textOf(*store, 2) == "320" && textOf(*store, 3) == "95"; }));
        EXPECT_EQ(textOf(*store, 1), "1200");
    }
    EXPECT_TRUE(eventually([&] {
        const auto shared = cloudDocument();
        return shared && shared->sheets.size() == 3 && shared->sheets[1].text == "320" &&
               shared->sheets[2].text == "95";
    }));
    // Each kept its own selection.
    EXPECT_EQ(a.currentSheetID(), sheetId(2));
    EXPECT_EQ(b.currentSheetID(), sheetId(3));
}

TEST_F(DocumentStoreSyncTest, ADeletionTravels) {
    startBothOnThreeSheets();
    DocumentStore& a = *first.document.store;
    DocumentStore& b = *second.document.store;

    a.deleteSheet(sheetId(2));
    EXPECT_TRUE(eventually([&] { return sheetWithId(b, 2) == nullptr; }));
    EXPECT_EQ(idsOf(b.sheets()), (std::vector<Uuid>{sheetId(1), sheetId(3)}));
    EXPECT_TRUE(b.document().deletedSheets.contains(sheetId(2).uuidString()));
}

TEST_F(DocumentStoreSyncTest, ASecondComputersFirstStartReplacesItsStarterDocument) {
    first.writeLocalDocument(threeSheets());
    DocumentStore& a = first.startAttached();
    first.saver().applicationDidBecomeActive();
    ASSERT_TRUE(eventually([this] { return cloudDocument().has_value(); }));

    DocumentStore& b = second.start();
    EXPECT_TRUE(b.usingStarterDocument());
    const std::vector<Uuid> starterIds = idsOf(b.sheets());

    ASSERT_TRUE(eventually([&] { return idsOf(b.sheets()) == idsOf(a.sheets()); }));
    EXPECT_FALSE(b.usingStarterDocument());
    EXPECT_EQ(b.currentSheetID(), sheetId(1));
    for (const Uuid& id : starterIds)
        EXPECT_EQ(b.sheet(id), nullptr) << "the untouched starter sheets are not merged in";
    EXPECT_EQ(SheetEvaluations(b, second.settings).results(std::nullopt).size(), 1U);
    ASSERT_TRUE(second.localDocument());
    EXPECT_EQ(idsOf(second.localDocument()->sheets), idsOf(a.sheets()));
}

TEST_F(DocumentStoreSyncTest, AConflictVersionIsMergedAndDeletedButOneThatDoesNotDecodeIsKept) {
    first.writeLocalDocument(threeSheets());
    DocumentStore& a = first.startAttached();
    first.saver().applicationDidBecomeActive();
    ASSERT_TRUE(eventually([this] { return cloudDocument().has_value(); }));

    // Another computer's edit that the sync tool kept aside, and a half-downloaded one.
    clock.advance(60);
    VellDocument theirs = threeSheets();
    theirs.sheets[2].text = "85";
    theirs.sheets[2].updatedAt = clock();
    theirs.sheets.push_back(makeSheet(4, "Gifts", "50", clock()));
    const QString conflict = "document.sync-conflict-20250301-103000-ABCDEF7.json";
    const QString torn = "document (conflicted copy 2025-03-01 103000).json";
    writeCloud(torn, QByteArray::fromStdString(theirs.encode()).left(40));
    writeCloud(conflict, QByteArray::fromStdString(theirs.encode()));

    EXPECT_TRUE(eventually([&] { return !QFile::exists(QDir(cloudFolder).filePath(conflict)); }));
    EXPECT_EQ(textOf(a, 3), "85");
    EXPECT_EQ(textOf(a, 4), "50");
    EXPECT_TRUE(QFile::exists(QDir(cloudFolder).filePath(torn))) << "it may be the only copy of an edit";
    // Safe in the local file and in the shared copy before the version went.
    ASSERT_TRUE(first.localDocument());
    EXPECT_EQ(first.localDocument()->sheets.size(), 4U);
    EXPECT_TRUE(eventually([this] { return cloudDocument() && cloudDocument()->sheets.size() == 4; }));
}

TEST_F(DocumentStoreSyncTest, AConflictVersionStaysUntilTheMergedDocumentIsInTheLocalFile) {
    first.writeLocalDocument(threeSheets());
    DocumentStore& a = first.startAttached();
    first.saver().applicationDidBecomeActive();
    ASSERT_TRUE(eventually([this] { return cloudDocument().has_value(); }));
    // The local folder can no longer be written: a file stands where it was.
    const QString localFolder = QFileInfo(first.storagePath).absolutePath();
    ASSERT_TRUE(QDir(localFolder).removeRecursively());
    writeFile(localFolder, "not a folder");

    clock.advance(60);
    VellDocument theirs = threeSheets();
    theirs.sheets.push_back(makeSheet(4, "Gifts", "50", clock()));
    const QString conflict = "document.sync-conflict-20250301-103000-ABCDEF7.json";
    writeCloud(conflict, QByteArray::fromStdString(theirs.encode()));
    ASSERT_TRUE(eventually([&] { return textOf(a, 4) == "50"; }));
    QTest::qWait(300);
    EXPECT_TRUE(QFile::exists(QDir(cloudFolder).filePath(conflict)));

    // Once the file can be written, the next merge writes it and only then lets the version go.
    QFile::remove(localFolder);
    first.saver().applicationDidBecomeActive();
    EXPECT_TRUE(eventually([&] { return !QFile::exists(QDir(cloudFolder).filePath(conflict)); }));
    ASSERT_TRUE(first.localDocument());
    EXPECT_EQ(first.localDocument()->sheets.size(), 4U);
}

TEST_F(DocumentStoreSyncTest, AnUndecodableSharedCopyIsLeftOutAndReplacedByTheNextPush) {
    startBothOnThreeSheets();
    DocumentStore& a = *first.document.store;
    const VellDocument before = a.document();

    writeFile(cloudPath, "{\"sheets\": [ half a file");
    first.saver().mergeFromCloud();
    EXPECT_EQ(a.document(), before);
    EXPECT_EQ(contentsOf(cloudPath), "{\"sheets\": [ half a file") << "a merge of nothing pushes nothing";

    a.setText(*a.currentSheetID(), "1210");
    EXPECT_TRUE(eventually([this] { return cloudDocument() && cloudDocument()->sheets[0].text == "1210"; }));
    EXPECT_TRUE(eventually([&] { return textOf(*second.document.store, 1) == "1210"; }));
}

TEST_F(DocumentStoreSyncTest, BecomingActiveMergesAtOnce) {
    startBothOnThreeSheets();
    second.document.reset();
    DocumentStore& a = *first.document.store;

    writeTheirsWithSecondSheet("310");
    first.saver().applicationDidBecomeActive();
    // Read away from the UI thread; waiting for the writes lands it, without the watch's delay.
    first.saver().finishWrites();
    EXPECT_EQ(textOf(a, 2), "310");
}

TEST_F(DocumentStoreSyncTest, ComputersShowingDifferentSheetsDoNotPushToEachOtherEndlessly) {
    startBothOnThreeSheets();
    DocumentStore& a = *first.document.store;
    DocumentStore& b = *second.document.store;

    a.setCurrentSheetID(sheetId(2));
    a.setText(*a.currentSheetID(), "330");
    ASSERT_TRUE(eventually([&] { return textOf(b, 2) == "330"; }));
    ASSERT_EQ(b.currentSheetID(), sheetId(1));

    // The two copies now differ only in the selected sheet: nothing more is worth writing.
    QSignalSpy writesOfA(first.saver().cloud(), &CloudSync::written);
    QSignalSpy writesOfB(second.saver().cloud(), &CloudSync::written);
    // Endless pushing shows within a merge delay and a write; this waits several times as long.
    QTest::qWait(1500);
    first.saver().applicationDidBecomeActive();
    second.saver().applicationDidBecomeActive();
    QTest::qWait(800);
    EXPECT_EQ(writesOfA.count(), 0);
    EXPECT_EQ(writesOfB.count(), 0);
    EXPECT_EQ(a.currentSheetID(), sheetId(2));
    EXPECT_EQ(b.currentSheetID(), sheetId(1));
}

// An edit or a deletion on a computer whose clock runs an hour behind still wins over the version it
// replaces, on both computers, and keeps its undo step.
TEST_F(DocumentStoreSyncTest, AComputerWhoseClockIsBehindStillWins) {
    second.document.reset();
    first.document.reset();
    auto slow = computerOff(-3600);
    Computer fresh(sync.path(), clock);
    startOnThreeSheets(fresh, *slow);
    DocumentStore& a = *fresh.document.store;
    DocumentStore& b = *slow->document.store;

    a.setText(*a.currentSheetID(), "1250");
    a.setCurrentSheetID(sheetId(2));
    a.setText(*a.currentSheetID(), "310");
    ASSERT_TRUE(eventually([&] { return textOf(b, 1) == "1250" && textOf(b, 2) == "310"; }));

    b.setText(*b.currentSheetID(), "1300");
    b.deleteSheet(sheetId(2));
    EXPECT_TRUE(eventually([&] { return textOf(a, 1) == "1300" && sheetWithId(a, 2) == nullptr; }));
    QTest::qWait(1500);
    EXPECT_EQ(textOf(b, 1), "1300") << "not reverted by the older clock's view";
    EXPECT_EQ(sheetWithId(b, 2), nullptr);
    EXPECT_EQ(textOf(a, 1), "1300");
    EXPECT_EQ(sheetWithId(a, 2), nullptr) << "the deletion does not come back";
    EXPECT_TRUE(b.canUndo(sheetId(1))) << "the edit's undo step is kept";
    b.setCurrentSheetID(sheetId(1));
    b.undo(*b.currentSheetID());
    EXPECT_EQ(textOf(b, 1), "1250");
}

// A sheet dated in 2099 by a computer with a wrong clock does not revert every later edit.
TEST_F(DocumentStoreSyncTest, ASheetDatedFarInTheFutureCanStillBeEdited) {
    second.document.reset();
    first.document.reset();
    auto future = computerOff(0);
    *future->clock.now = Date::fromCivil(2099, 1, 1);
    Computer fresh(sync.path(), clock);
    startOnThreeSheets(fresh, *future);
    DocumentStore& a = *fresh.document.store;
    DocumentStore& b = *future->document.store;

    b.setText(*b.currentSheetID(), "1250");
    ASSERT_TRUE(eventually([&] { return textOf(a, 1) == "1250"; }));
    a.setText(*a.currentSheetID(), "1400");
    EXPECT_TRUE(eventually([&] { return textOf(b, 1) == "1400"; }));
    QTest::qWait(1500);
    EXPECT_EQ(textOf(a, 1), "1400");
    EXPECT_EQ(textOf(b, 1), "1400");
}

// One sheet, and the order of the sheets, changed on both computers within the same second: both end
// with the same document and stop writing to each other.
TEST_F(DocumentStoreSyncTest, ChangesWithinTheSameSecondSettleTheSameWayOnBothComputers) {
    startBothOnThreeSheets();
    DocumentStore& a = *first.document.store;
    DocumentStore& b = *second.document.store;

    a.setText(*a.currentSheetID(), "1250");
    a.moveSheet(sheetId(1), std::int64_t{1});
    b.setText(*b.currentSheetID(), "1300");
    b.moveSheet(sheetId(3), std::int64_t{-1});
    ASSERT_TRUE(
        eventually([&] { return textOf(a, 1) == textOf(b, 1) && idsOf(a.sheets()) == idsOf(b.sheets()); }));

    QSignalSpy writesOfA(first.saver().cloud(), &CloudSync::written);
    QSignalSpy writesOfB(second.saver().cloud(), &CloudSync::written);
    // Pushing to each other shows within a merge delay and a write; this waits several times as long.
    QTest::qWait(2500);
    EXPECT_LE(writesOfA.count() + writesOfB.count(), 1) << "at most the last push still on its way";
    const int settled = writesOfA.count() + writesOfB.count();
    QTest::qWait(1500);
    EXPECT_EQ(writesOfA.count() + writesOfB.count(), settled);
    EXPECT_EQ(textOf(a, 1), textOf(b, 1));
    EXPECT_EQ(idsOf(a.sheets()), idsOf(b.sheets()));
}

// The sync folder was away (a drive not mounted) when an edit was pushed; when it is back, still without
// the shared copy, becoming active pushes the edit.
TEST_F(DocumentStoreSyncTest, AnEditMadeWhileTheSyncFolderWasAwayIsPushedWhenItReturns) {
    startBothOnThreeSheets();
    second.document.reset();
    DocumentStore& a = *first.document.store;
    const QString away = sync.path() + ".away";
    ASSERT_TRUE(QDir().rename(sync.path(), away));

    QSignalSpy writes(first.saver().cloud(), &CloudSync::written);
    a.setText(*a.currentSheetID(), "1250");
    ASSERT_TRUE(writes.wait(storePatience)) << "the push was tried";
    // It comes back before the sync tool has brought the shared copy down again.
    ASSERT_TRUE(QDir(away).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(sync.path()));

    first.saver().applicationDidBecomeActive();
    EXPECT_TRUE(eventually([this] { return cloudDocument() && cloudDocument()->sheets[0].text == "1250"; }));
}

// Another computer's copy arrived, and this computer saves before its merge ran: the copy is merged first,
// not overwritten.
TEST_F(DocumentStoreSyncTest, APushNeverOverwritesACopyNobodyHasRead) {
    startBothOnThreeSheets();
    second.document.reset();
    DocumentStore& a = *first.document.store;

    VellDocument theirs = threeSheets();
    theirs.sheets.push_back(makeSheet(4, "Gifts", "50", clock()));
    writeFile(cloudPath, QByteArray::fromStdString(theirs.encode()));
    a.setText(*a.currentSheetID(), "1250");
    first.saver().applicationWillTerminate();

    EXPECT_TRUE(eventually([this] {
        const auto shared = cloudDocument();
        return shared && shared->sheets.size() == 4 && shared->sheets[0].text == "1250";
    }));
    EXPECT_EQ(textOf(a, 4), "50");
}

// What the store last agreed on with the shared copy, as kept beside the local file.
std::optional<VellDocument> keptBase(const Computer& computer, const char* which) {
    const QString path = QFileInfo(computer.storagePath).dir().filePath("sync-base.json");
    try {
        const nlohmann::json object = nlohmann::json::parse(contentsOf(path).toStdString());
        if (!object.contains(which)) return std::nullopt;
        return VellDocument::fromJson(object.at(which));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Waits without handling events: only what runs beside the main thread can bring it about.
bool meanwhile(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(storePatience);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(5);
    }
    return true;
}

// Quitting right after an edit: the edit is in the shared copy, and the base kept for the next start is
// that very copy, before quitting returns.
TEST_F(DocumentStoreSyncTest, QuittingRightAfterAnEditLeavesTheSharedCopyAndItsBaseInStep) {
    startBothOnThreeSheets();
    second.document.reset();
    DocumentStore& a = *first.document.store;

    a.setText(*a.currentSheetID(), "1250");
    first.saver().applicationWillTerminate();
    const auto shared = cloudDocument();
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->sheets[0].text, "1250");
    const auto written = keptBase(first, "written");
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, *shared);
    EXPECT_TRUE(keptBase(first, "read")) << "what was agreed before stays";
}

// Another computer edits the same sheet again as soon as this computer's edit reached it; this computer
// merges before its event loop ran again. Its own edit is already the base: the other's wins, without a
// conflicting copy.
TEST_F(DocumentStoreSyncTest, AMergeRightAfterAPushFoldsAgainstThatPush) {
    startBothOnThreeSheets();
    second.document.reset();
    DocumentStore& a = *first.document.store;

    a.setText(*a.currentSheetID(), "1250");
    first.saver().saveNow();
    first.saver().finishWrites();
    ASSERT_TRUE(meanwhile([this] {
        const auto shared = cloudDocument();
        return shared && shared->sheets[0].text == "1250";
    }));
    clock.advance(5);
    VellDocument theirs = *cloudDocument();
    theirs.sheets[0].text = "1300";
    theirs.sheets[0].updatedAt = clock();
    writeFile(cloudPath, QByteArray::fromStdString(theirs.encode()));

    first.saver().mergeFromCloud();
    first.saver().finishWrites();
    EXPECT_EQ(textOf(a, 1), "1300");
    EXPECT_EQ(namesOf(a.sheets()), (std::vector<std::string>{"Rent", "Food", "Fuel"}));
}

// A merge is read and decoded away from the UI thread: the document changes only when the result lands,
// and it lands in the document as it stands then, with what was typed meanwhile.
TEST_F(DocumentStoreSyncTest, AMergeLandsInTheDocumentAsItStandsWhenItLands) {
    startBothOnThreeSheets();
    second.document.reset();
    DocumentStore& a = *first.document.store;

    writeTheirsWithSecondSheet("310");
    first.saver().syncNow();
    EXPECT_EQ(textOf(a, 2), "300") << "read and decoded on the way, not on the caller's thread";
    a.setText(*a.currentSheetID(), "1250");

    ASSERT_TRUE(eventually([&] { return textOf(a, 2) == "310"; }));
    EXPECT_EQ(textOf(a, 1), "1250") << "what was typed meanwhile stays";
    EXPECT_TRUE(eventually([this] {
        const auto shared = cloudDocument();
        return shared && shared->sheets[0].text == "1250" && shared->sheets[1].text == "310";
    }));
    EXPECT_FALSE(first.saver().notices().message(StorageNotices::Topic::sync));
}

// A file past the size of any document Vell makes, put into the sync folder by a peer: it is refused
// from its size alone, away from the UI thread, logged and shown once, and not looked at again until it
// changes. Typing is saved all along; the refused copy is not written over, since nobody here has read it.
TEST_F(DocumentStoreSyncTest, AHugeSharedCopyIsRefusedShownAndNotTriedAgainUntilItChanges) {
    startBothOnThreeSheets();
    second.document.reset();
    DocumentStore& a = *first.document.store;
    const VellDocument agreed = *cloudDocument();
    const qint64 huge = SharedCopy::maxDocumentBytes + 1;
    {
        QFile file(cloudPath);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(huge)) << "sparse: it takes no room";
    }

    testsupport::WarningLog log;
    a.setText(*a.currentSheetID(), "1250");
    first.saver().syncNow();
    EXPECT_FALSE(first.saver().notices().message(StorageNotices::Topic::sync))
        << "found away from the UI thread";
    ASSERT_TRUE(
        eventually([&] { return first.saver().notices().message(StorageNotices::Topic::sync).has_value(); }));
    const QString notice = *first.saver().notices().message(StorageNotices::Topic::sync);
    EXPECT_TRUE(notice.contains(cloudPath)) << notice.toStdString();
    EXPECT_TRUE(notice.contains("too large")) << notice.toStdString();
    ASSERT_TRUE(
        eventually([&] { return first.localDocument() && first.localDocument()->sheets[0].text == "1250"; }));
    const auto refusals = [&] {
        return std::count_if(log.lines().begin(), log.lines().end(),
                             [&](const QString& line) { return line.contains(cloudPath); });
    };
    EXPECT_EQ(refusals(), 1);

    for (int activation = 0; activation < 3; ++activation) {
        first.saver().syncNow();
        QTest::qWait(100);
    }
    EXPECT_EQ(refusals(), 1) << "not tried again while it is unchanged";
    EXPECT_EQ(QFileInfo(cloudPath).size(), huge) << "nobody here has read it: it is not written over";
    EXPECT_TRUE(first.saver().notices().message(StorageNotices::Topic::sync));

    // Replaced by a sound copy, it is merged, the typing goes out and the notice goes.
    clock.advance(5);
    VellDocument theirs = agreed;
    theirs.sheets[2].text = "90";
    theirs.sheets[2].updatedAt = clock();
    writeFile(cloudPath, QByteArray::fromStdString(theirs.encode()));
    EXPECT_TRUE(eventually([this] {
        const auto shared = cloudDocument();
        return shared && shared->sheets[0].text == "1250" && shared->sheets[2].text == "90";
    }));
    EXPECT_EQ(textOf(a, 3), "90");
    EXPECT_TRUE(eventually([&] { return !first.saver().notices().message(StorageNotices::Topic::sync); }));
}

// A peer's link, pipe or folder named like a conflict copy arrives on every computer: that one entry is
// left alone and logged, and syncing goes on.
TEST_F(DocumentStoreSyncTest, ALinkPipeOrFolderNamedLikeAConflictCopyIsSkippedWhileSyncingGoesOn) {
    namespace fs = std::filesystem;
    const QString name = "document (conflict 9).json";
    const std::function<void(const QString&)> arrangements[] = {
        [](const QString& path) { fs::create_symlink("/etc/hostname", path.toStdString()); },
        [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
        [](const QString& path) { ASSERT_TRUE(QDir().mkpath(path)); },
    };
    int arrangement = 0;
    for (const auto& arrange : arrangements) {
        SCOPED_TRACE(arrangement++);
        first.document.reset();
        second.document.reset();
        for (const QString& folder : {QFileInfo(first.storagePath).absolutePath(),
                                      QFileInfo(second.storagePath).absolutePath(), cloudFolder})
            QDir(folder).removeRecursively();
        startBothOnThreeSheets();
        DocumentStore& a = *first.document.store;
        DocumentStore& b = *second.document.store;
        const QString entry = QDir(cloudFolder).filePath(name);
        testsupport::WarningLog log;
        arrange(entry);

        a.setText(*a.currentSheetID(), "1250");
        EXPECT_TRUE(eventually([&] { return textOf(b, 1) == "1250"; }));
        clock.advance(5);
        b.setCurrentSheetID(sheetId(2));
        b.setText(*b.currentSheetID(), "320");
        EXPECT_TRUE(eventually([&] { return textOf(a, 2) == "320"; }));
        first.saver().syncNow();
        second.saver().syncNow();
        QTest::qWait(300);

        const auto mentions = std::count_if(log.lines().begin(), log.lines().end(),
                                            [&](const QString& line) { return line.contains(entry); });
        EXPECT_GE(mentions, 1);
        EXPECT_LE(mentions, 2) << "once for each computer";
        EXPECT_TRUE(fs::exists(fs::symlink_status(entry.toStdString()))) << "left where it is";
        EXPECT_FALSE(first.saver().notices().message(StorageNotices::Topic::sync));
    }
}

// Where the sync folder, its Vell folder or the shared copy is not a real folder or regular file, syncing
// stops, the window says so with the path, and becoming active tries again.
TEST_F(DocumentStoreSyncTest, SomethingForeignWhereVellsFilesBelongIsShownAndTriedAgainAtActivation) {
    namespace fs = std::filesystem;
    QTemporaryDir outside;
    const QString victim = QDir(outside.path()).filePath("victim.json");
    struct Case {
        QString path;
        std::function<void()> arrange;
        std::function<void()> putRight;
    };
    const QString away = sync.path() + ".away";
    const Case cases[] = {
        {cloudPath,
         [&] { QFile::remove(cloudPath), fs::create_symlink(victim.toStdString(), cloudPath.toStdString()); },
         [&] { QFile::remove(cloudPath); }},
        {cloudFolder,
         [&] {
             QDir(cloudFolder).removeRecursively();
             writeFile(cloudFolder, "a file");
         },
         [&] { QFile::remove(cloudFolder); }},
        {sync.path(),
         [&] {
             QDir().rename(sync.path(), away);
             writeFile(sync.path(), "a file");
         },
         [&] {
             QFile::remove(sync.path());
             QDir().rename(away, sync.path());
         }},
    };
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.path.toStdString());
            scope.setLanguage(AppLanguage::english);
            first.document.reset();
            second.document.reset();
            for (const QString& folder : {QFileInfo(first.storagePath).absolutePath(),
                                          QFileInfo(second.storagePath).absolutePath(), cloudFolder})
                QDir(folder).removeRecursively();
            startBothOnThreeSheets();
            second.document.reset();
            DocumentStore& a = *first.document.store;
            writeFile(victim, "the user's own");
            scope.setLanguage(language);
            c.arrange();

            a.setText(*a.currentSheetID(), "1250");
            first.saver().syncNow();
            ASSERT_TRUE(eventually(
                [&] { return first.saver().notices().message(StorageNotices::Topic::sync).has_value(); }));
            const QString notice = *first.saver().notices().message(StorageNotices::Topic::sync);
            EXPECT_TRUE(notice.contains(c.path)) << notice.toStdString();
            EXPECT_TRUE(notice.contains(language == AppLanguage::english ? "Syncing" : "同期"))
                << notice.toStdString();
            EXPECT_EQ(contentsOf(victim), "the user's own");

            c.putRight();
            first.saver().syncNow();
            EXPECT_TRUE(
                eventually([this] { return cloudDocument() && cloudDocument()->sheets[0].text == "1250"; }));
            EXPECT_TRUE(
                eventually([&] { return !first.saver().notices().message(StorageNotices::Topic::sync); }));
            clock.advance(5);
        }
    }
}

// A sync folder that is a file when Vell starts is shown too, and looked at again at each activation.
TEST_F(DocumentStoreSyncTest, ASyncFolderThatIsAFileAtStartIsShownAndTriedAgainAtActivation) {
    first.document.reset();
    second.document.reset();
    const QString away = sync.path() + ".away";
    ASSERT_TRUE(QDir().rename(sync.path(), away));
    writeFile(sync.path(), "a file");
    first.writeLocalDocument(threeSheets());
    first.startAttached();
    ASSERT_TRUE(
        eventually([&] { return first.saver().notices().message(StorageNotices::Topic::sync).has_value(); }));
    EXPECT_TRUE(first.saver().notices().message(StorageNotices::Topic::sync)->contains(sync.path()));

    ASSERT_TRUE(QFile::remove(sync.path()));
    ASSERT_TRUE(QDir().rename(away, sync.path()));
    first.saver().applicationDidBecomeActive();
    EXPECT_TRUE(eventually([this] { return cloudDocument() && cloudDocument()->sheets.size() == 3; }));
    EXPECT_TRUE(eventually([&] { return !first.saver().notices().message(StorageNotices::Topic::sync); }));
}

// A sync-base.json that is not Vell's own (a pipe, a link, a file past twice the largest document) is no
// base: it is neither waited on nor followed nor read whole, the merge keeps both versions of what
// differs, and the base is then written in its place, never through a link.
TEST_F(DocumentStoreSyncTest, AHostileSyncBaseIsNoBaseAndIsReplacedNotWrittenThrough) {
    namespace fs = std::filesystem;
    QTemporaryDir outside;
    const QString victim = QDir(outside.path()).filePath("victim.json");
    const std::function<void(const QString&)> arrangements[] = {
        [](const QString& base) { ASSERT_EQ(::mkfifo(QFile::encodeName(base).constData(), 0600), 0); },
        [&](const QString& base) { fs::create_symlink(victim.toStdString(), base.toStdString()); },
        [](const QString& base) {
            QFile file(base);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_TRUE(file.resize(3 * SharedCopy::maxDocumentBytes));
        },
        [](const QString& base) { fs::create_symlink("/dev/zero", base.toStdString()); },
    };
    int arrangement = 0;
    for (const auto& arrange : arrangements) {
        SCOPED_TRACE(arrangement++);
        QTemporaryDir otherSync;
        const QString shared = QDir(otherSync.path()).filePath("Vell/document.json");
        VellDocument theirs = threeSheets();
        theirs.sheets[0].text = "1300";
        writeFile(shared, QByteArray::fromStdString(theirs.encode()));
        Computer computer(otherSync.path(), clock);
        computer.writeLocalDocument(threeSheets());
        const QString base = QFileInfo(computer.storagePath).dir().filePath("sync-base.json");
        writeFile(victim, "the user's own");
        arrange(base);

        // Whoever opens the pipe to read it would wait for a writer: this one comes, and tells.
        std::atomic<bool> stop{false}, someoneWaited{false};
        std::thread writer([&] {
            while (!stop) {
                const int fd =
                    ::open(QFile::encodeName(base).constData(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW);
                struct stat status {};
                if (fd >= 0) {
                    if (::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode)) someoneWaited = true;
                    ::close(fd);
                }
                QThread::msleep(5);
            }
        });
        DocumentStore& store = computer.startAttached();
        const bool merged = eventually([&] { return store.sheets().size() == 4; });
        stop = true;
        writer.join();
        ASSERT_TRUE(merged) << "no base: both versions of the sheet are kept";
        EXPECT_FALSE(someoneWaited);
        EXPECT_EQ(textOf(store, 1), "1300");
        EXPECT_EQ(store.sheets()[1].text, "1200");

        store.setText(*store.currentSheetID(), "1400");
        EXPECT_TRUE(eventually([&] {
            const auto copy = decoded(contentsOf(shared));
            return copy && copy->sheets[0].text == "1400";
        }));
        EXPECT_TRUE(eventually([&] { return fs::is_regular_file(fs::symlink_status(base.toStdString())); }));
        EXPECT_TRUE(eventually([&] { return keptBase(computer, "written").has_value(); }));
        EXPECT_EQ(contentsOf(victim), "the user's own");
        computer.document.reset();
    }
}

TEST_F(DocumentStoreSyncTest, ASyncFolderWhoseCopyWouldBeTheLocalFileSyncsNothing) {
    Computer alone(sync.path(), clock);
    alone.settings.setSyncFolder(alone.local.path());
    DocumentStore& store = alone.start();
    QSignalSpy saves(&alone.saver(), &DocumentSaver::saved);
    store.setText(*store.currentSheetID(), "5");
    ASSERT_TRUE(saves.wait(storePatience));
    QTest::qWait(300);
    EXPECT_EQ(alone.saver().cloud(), nullptr);
}

// Links make two paths one file: a local file that is a link into the sync folder, a shared copy that
// is a link to the local file (also before the local file exists), or a second name of the same file.
TEST_F(DocumentStoreSyncTest, ASharedCopyThatIsTheLocalFileUnderAnotherNameSyncsNothing) {
    namespace fs = std::filesystem;
    const std::function<void(const Computer&, const QString&)> arrangements[] = {
        [](const Computer& computer, const QString& shared) {
            computer.writeLocalDocument(VellDocument::starter());
            QFile::rename(computer.storagePath, shared);
            fs::create_symlink(shared.toStdString(), computer.storagePath.toStdString());
        },
        [](const Computer& computer, const QString& shared) {
            computer.writeLocalDocument(VellDocument::starter());
            fs::create_symlink(computer.storagePath.toStdString(), shared.toStdString());
        },
        [](const Computer& computer, const QString& shared) {
            QDir().mkpath(QFileInfo(computer.storagePath).absolutePath());
            fs::create_symlink(computer.storagePath.toStdString(), shared.toStdString());
        },
        [](const Computer& computer, const QString& shared) {
            computer.writeLocalDocument(VellDocument::starter());
            fs::create_hard_link(computer.storagePath.toStdString(), shared.toStdString());
        },
    };
    int arrangement = 0;
    for (const auto& arrange : arrangements) {
        QTemporaryDir otherSync;
        const QString shared = QDir(otherSync.path()).filePath("Vell/document.json");
        QDir().mkpath(QFileInfo(shared).absolutePath());
        Computer alone(otherSync.path(), clock);
        arrange(alone, shared);
        DocumentStore& store = alone.start();
        QSignalSpy saves(&alone.saver(), &DocumentSaver::saved);
        store.setText(*store.currentSheetID(), "5");
        ASSERT_TRUE(saves.wait(storePatience)) << arrangement;
        QTest::qWait(300);
        EXPECT_EQ(alone.saver().cloud(), nullptr) << arrangement;
        ++arrangement;
    }
}

// The user's file-sync tool between the sync folders of two computers. While it runs it brings each
// change of the shared copy and of the conflict versions in one folder over to the other; where both
// folders changed the shared copy since it last brought them together, the later write wins in both and
// the other is kept beside it as a conflict version, as such tools do. Paused, it leaves both alone.
class SyncTool {
public:
    SyncTool(const QString& one, const QString& two)
        : folders_{QDir(one).filePath("Vell"), QDir(two).filePath("Vell")} {
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
        timer_.start();
    }
    void pause() { timer_.stop(); }
    void resume() { timer_.start(); }
    // Conflict versions it has made.
    int conflicts() const { return conflicts_; }

private:
    static std::optional<QByteArray> read(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        return file.readAll();
    }
    void put(std::size_t side, const QString& name, const std::optional<QByteArray>& bytes) {
        const QString path = QDir(folders_[side]).filePath(name);
        if (!bytes) {
            QFile::remove(path);
            return;
        }
        QDir().mkpath(folders_[side]);
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(*bytes);
            file.commit();
        }
    }
    void step() {
        std::set<QString> names;
        for (const QString& folder : folders_)
            for (const QString& name : QDir(folder).entryList(QDir::Files))
                if (name == "document.json" || CloudSync::isConflictVersionName(name)) names.insert(name);
        for (const auto& [name, bytes] : synced_)
            names.insert(name);
        for (const QString& name : names) {
            const std::array<QString, 2> paths{QDir(folders_[0]).filePath(name),
                                               QDir(folders_[1]).filePath(name)};
            const std::array<std::optional<QByteArray>, 2> held{read(paths[0]), read(paths[1])};
            const auto found = synced_.find(name);
            const std::optional<QByteArray> last =
                found == synced_.end() ? std::nullopt : std::optional<QByteArray>(found->second);
            std::optional<QByteArray> agreed = held[0];
            if (held[0] != held[1]) {
                const bool firstChanged = held[0] != last, secondChanged = held[1] != last;
                if (firstChanged && secondChanged && held[0] && held[1]) {
                    const std::size_t later =
                        QFileInfo(paths[0]).lastModified() > QFileInfo(paths[1]).lastModified() ? 0 : 1;
                    const QString kept = QStringLiteral("document.sync-conflict-%1.json").arg(++conflicts_);
                    put(0, kept, held[1 - later]);
                    put(1, kept, held[1 - later]);
                    synced_[kept] = *held[1 - later];
                    agreed = held[later];
                } else {
                    agreed = firstChanged && (held[0] || !secondChanged) ? held[0] : held[1];
                }
                put(0, name, agreed);
                put(1, name, agreed);
            }
            if (agreed)
                synced_[name] = *agreed;
            else
                synced_.erase(name);
        }
    }

    std::array<QString, 2> folders_;
    std::map<QString, QByteArray> synced_;
    int conflicts_ = 0;
    QTimer timer_;
};

// Two computers, each with its own sync folder, and the sync tool between them.
class DocumentStoreApartTest : public ::testing::Test {
protected:
    DocumentStoreApartTest()
        : first(syncOfFirst.path(), clock), second(syncOfSecond.path(), clock),
          tool(syncOfFirst.path(), syncOfSecond.path()) {
        scope.setLanguage(AppLanguage::english);
    }

    std::optional<VellDocument> sharedCopyOf(const QTemporaryDir& sync) const {
        return decoded(contentsOf(QDir(sync.path()).filePath("Vell/document.json")));
    }
    // The first computer holds three sheets and has pushed them; the second has taken them.
    void startBoth() {
        VellDocument document;
        document.sheets = {makeSheet(1, "Rent", "1200", clock()), makeSheet(2, "Food", "300", clock()),
                           makeSheet(3, "Fuel", "80", clock())};
        document.selectedSheetID = sheetId(1);
        first.writeLocalDocument(document);
        first.startAttached();
        first.saver().applicationDidBecomeActive();
        second.startAttached();
        ASSERT_TRUE(eventually([&] { return idsOf(second.document->sheets()) == idsOf(document.sheets); }));
        clock.advance(60);
    }
    // What one computer did reached its own sync folder.
    bool pushed(const QTemporaryDir& sync, const std::function<bool(const VellDocument&)>& holds) const {
        return eventually([&] {
            const auto shared = sharedCopyOf(sync);
            return shared && holds(*shared);
        });
    }
    static bool hasText(const VellDocument& document, const std::string& text) {
        return std::any_of(document.sheets.begin(), document.sheets.end(),
                           [&](const Sheet& sheet) { return sheet.text == text; });
    }
    // Both stores hold one document, the selection aside.
    bool same() const {
        VellDocument a = first.document->document(), b = second.document->document();
        a.selectedSheetID = b.selectedSheetID;
        return a == b;
    }
    // No computer writes to its shared copy any more, also after becoming active.
    void expectSettled() {
        QSignalSpy writesOfFirst(first.saver().cloud(), &CloudSync::written);
        QSignalSpy writesOfSecond(second.saver().cloud(), &CloudSync::written);
        // Pushing to each other shows within a merge delay and a write; this waits several times as long.
        QTest::qWait(2500);
        EXPECT_LE(writesOfFirst.count() + writesOfSecond.count(), 2)
            << "at most the last pushes on their way";
        const int settled = writesOfFirst.count() + writesOfSecond.count();
        first.saver().applicationDidBecomeActive();
        second.saver().applicationDidBecomeActive();
        QTest::qWait(1500);
        EXPECT_EQ(writesOfFirst.count() + writesOfSecond.count(), settled)
            << "a second exchange writes nothing";
        EXPECT_TRUE(same());
    }

    testsupport::EngineSettingsScope scope;
    ManualClock clock;
    QTemporaryDir syncOfFirst;
    QTemporaryDir syncOfSecond;
    Computer first;
    Computer second;
    SyncTool tool;
};

// Both computers add a line to the same sheet while the sync tool is paused: when it runs again, both
// lines are kept on both computers, the later edit in place and the other as a conflicting copy right
// after it. Also when the first computer was restarted in between, and when only one computer runs as the
// sync resumes (it alone must keep both; the other takes the result when it starts again).
TEST_F(DocumentStoreApartTest, OneSheetEditedOnBothComputersWhileApartKeepsBothTexts) {
    enum class Case {
        bothRunning,
        firstRestarted,
        onlyFirstRunning,
        onlySecondRunning
    };
    for (const Case c :
         {Case::bothRunning, Case::firstRestarted, Case::onlyFirstRunning, Case::onlySecondRunning}) {
        SCOPED_TRACE(static_cast<int>(c));
        first.document.reset();
        second.document.reset();
        tool.pause();
        for (const QString& folder :
             {QFileInfo(first.storagePath).absolutePath(), QFileInfo(second.storagePath).absolutePath(),
              QDir(syncOfFirst.path()).filePath("Vell"), QDir(syncOfSecond.path()).filePath("Vell")})
            QDir(folder).removeRecursively();
        tool.resume();
        startBoth();
        tool.pause();

        first.document->setText(*first.document->currentSheetID(), "1200\nfrom the first");
        ASSERT_TRUE(
            pushed(syncOfFirst, [](const VellDocument& d) { return hasText(d, "1200\nfrom the first"); }));
        if (c == Case::firstRestarted) {
            first.document.reset();
            first.startAttached();
            QTest::qWait(500);
        }
        clock.advance(5);
        second.document->setText(*second.document->currentSheetID(), "1200\nfrom the second");
        ASSERT_TRUE(
            pushed(syncOfSecond, [](const VellDocument& d) { return hasText(d, "1200\nfrom the second"); }));
        Computer* off = c == Case::onlyFirstRunning    ? &second
                        : c == Case::onlySecondRunning ? &first
                                                       : nullptr;
        if (off) off->document.reset();
        tool.resume();
        if (off) {
            const Computer& running = off == &first ? second : first;
            ASSERT_TRUE(eventually([&] { return running.document->sheets().size() == 4; }));
            ASSERT_TRUE(pushed(off == &first ? syncOfFirst : syncOfSecond,
                               [](const VellDocument& d) { return d.sheets.size() == 4; }));
            off->startAttached();
        }

        for (const Computer* computer : {&first, &second}) {
            const DocumentStore& store = *computer->document.store;
            ASSERT_TRUE(eventually([&] {
                return store.sheets().size() == 4 && textOf(store, 1) == "1200\nfrom the second";
            })) << testing::PrintToString(namesOf(store.sheets()));
            EXPECT_EQ(namesOf(store.sheets()),
                      (std::vector<std::string>{"Rent", "Rent (conflicting copy)", "Food", "Fuel"}));
            EXPECT_EQ(store.sheets()[1].text, "1200\nfrom the first");
        }
        ASSERT_TRUE(eventually([&] { return same(); }));
        for (const Computer* computer : {&first, &second}) {
            ASSERT_TRUE(computer->localDocument());
            EXPECT_TRUE(hasText(*computer->localDocument(), "1200\nfrom the first"));
            EXPECT_TRUE(hasText(*computer->localDocument(), "1200\nfrom the second"));
        }
        expectSettled();
        EXPECT_EQ(first.document->sheets().size(), 4u) << "the copy is made once";
    }
}

// Each computer adds a sheet while apart; neither has moved a sheet. Afterwards both hold one order and
// stop writing.
TEST_F(DocumentStoreApartTest, ASheetAddedOnEachComputerWhileApartEndsInOneOrder) {
    startBoth();
    DocumentStore& a = *first.document.store;
    DocumentStore& b = *second.document.store;
    tool.pause();

    a.addSheet();
    a.setText(*a.currentSheetID(), "added on the first");
    ASSERT_TRUE(pushed(syncOfFirst, [](const VellDocument& d) { return d.sheets.size() == 4; }));
    b.addSheet();
    b.setText(*b.currentSheetID(), "added on the second");
    ASSERT_TRUE(pushed(syncOfSecond, [](const VellDocument& d) { return d.sheets.size() == 4; }));
    tool.resume();

    ASSERT_TRUE(eventually([&] {
        return a.sheets().size() == 5 && b.sheets().size() == 5 && idsOf(a.sheets()) == idsOf(b.sheets());
    }));
    expectSettled();
    EXPECT_EQ(idsOf(a.sheets()), idsOf(b.sheets()));
}

// The second computer was off while the first changed a line; started again, it takes the change as it
// is: what it last exchanged survives the restart, so its own older text is not taken for an edit.
TEST_F(DocumentStoreApartTest, AnEditMadeWhileTheOtherComputerWasOffArrivesWithoutACopy) {
    startBoth();
    second.document.reset();
    first.document->setText(*first.document->currentSheetID(), "1250");
    ASSERT_TRUE(pushed(syncOfSecond, [](const VellDocument& d) { return hasText(d, "1250"); }));

    DocumentStore& b = second.startAttached();
    EXPECT_TRUE(eventually([&] { return textOf(b, 1) == "1250"; }));
    QTest::qWait(500);
    EXPECT_EQ(namesOf(b.sheets()), (std::vector<std::string>{"Rent", "Food", "Fuel"}));
}

} // namespace
} // namespace vell
