// The shared copy in a sync folder: where it lives, reading and writing it, the sync tools' conflict
// copies and the change reports of the watch.

#include "DocumentStoreFixture.h"
#include "Stores/AppSettings.h"
#include "Stores/CloudSync.h"
#include "Support/EngineSettingsScope.h"
#include "Support/Files.h"
#include "Support/TempDefaults.h"
#include "Support/WarningLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace vell {
namespace {

using testsupport::contentsOf;

using namespace std::chrono_literals;

constexpr int patience = 10'000; // ms: generous for a loaded machine; a passing wait ends far sooner

void writeInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// As a sync tool delivers a file: written beside it, then renamed over it.
void replaceByRename(const QString& path, const QByteArray& bytes) {
    const QString aside = QFileInfo(path).dir().filePath(QStringLiteral(".incoming.tmp"));
    writeInPlace(aside, bytes);
    std::filesystem::rename(aside.toStdString(), path.toStdString());
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

class CloudSyncTest : public ::testing::Test {
protected:
    CloudSyncTest() : folder(root.filePath("Vell")), file(root.filePath("Vell/document.json")) {
        QDir(root.path()).mkdir("Vell");
    }

    std::unique_ptr<CloudSync> watch(std::chrono::milliseconds poll = CloudSync::defaultPollInterval) {
        return std::make_unique<CloudSync>(
            file, [this] { ++reports; }, poll);
    }
    bool reported(int before) {
        return QTest::qWaitFor([&] { return reports > before; }, patience);
    }
    // Lets the reports of the last change run out, so the next change is seen on its own.
    void settle() {
        int seen = -1;
        while (seen != reports) {
            seen = reports;
            QTest::qWait(200);
        }
    }

    QTemporaryDir root;
    QString folder;
    QString file;
    int reports = 0;
};

TEST(CloudSyncLocation, IsTheDocumentInAVellFolderOfAnExistingAbsoluteSyncFolder) {
    QTemporaryDir root;
    const QString notAFolder = root.filePath("plain.txt");
    writeInPlace(notAFolder, "x");
    const QString missing = root.filePath("unmounted/drive");

    struct Case {
        const char* what;
        std::optional<QString> folder;
    };
    for (const Case& refused : {Case{"absent", std::nullopt}, Case{"empty", QString()},
                                Case{"relative", QStringLiteral("Sync")}, Case{"missing", missing}}) {
        SCOPED_TRACE(refused.what);
        EXPECT_EQ(CloudSync::resolveDocumentURL(refused.folder), std::nullopt);
    }
    // A file where the folder belongs is for the watch to find and tell of; nothing is made.
    EXPECT_EQ(CloudSync::resolveDocumentURL(notAFolder), notAFolder + "/Vell/document.json");
    // A folder that is missing (a drive not mounted) is never created.
    EXPECT_FALSE(QFileInfo::exists(root.filePath("unmounted")));
    EXPECT_EQ(entriesOf(root.path()), QStringList{"plain.txt"});

    const auto location = CloudSync::resolveDocumentURL(root.path() + "/");
    ASSERT_TRUE(location);
    EXPECT_EQ(QFileInfo(*location).absoluteFilePath(), QDir(root.path()).filePath("Vell/document.json"));
    EXPECT_TRUE(QFileInfo(root.filePath("Vell")).isDir());
    EXPECT_FALSE(QFileInfo::exists(*location)) << "the file itself is left to the first push";

    // An existing folder and its files stay as they are.
    writeInPlace(*location, "kept");
    EXPECT_EQ(CloudSync::resolveDocumentURL(root.path()), location);
    EXPECT_EQ(contentsOf(*location), "kept");
}

TEST(CloudSyncPreference, SyncFolderIsReadAtCreationWrittenAtOnceAndRemovedWhenNone) {
    testsupport::EngineSettingsScope scope;
    testsupport::TempDefaults defaults;
    EXPECT_EQ(AppSettings(defaults.open()).syncFolder(), std::nullopt);

    defaults.writeFile("[General]\nvell.syncFolder=/home/ann/Sync\n");
    AppSettings settings(defaults.open());
    EXPECT_EQ(settings.syncFolder(), QStringLiteral("/home/ann/Sync"));

    QSignalSpy changed(&settings, &AppSettings::syncFolderChanged);
    settings.setSyncFolder(QStringLiteral("/mnt/share/Nextcloud"));
    EXPECT_EQ(defaults.stored("vell.syncFolder").toString(), QStringLiteral("/mnt/share/Nextcloud"));
    settings.setSyncFolder(std::nullopt);
    EXPECT_FALSE(defaults.contains("vell.syncFolder"));
    EXPECT_EQ(settings.syncFolder(), std::nullopt);
    EXPECT_EQ(changed.count(), 2);
}

TEST(CloudSyncNames, ConflictCopiesOfEverySyncToolAreRecognised) {
    for (const char* name : {
             "document.sync-conflict-20250301-101500-ABCDEF7.json", // Syncthing
             "document (conflicted copy 2025-03-01 101500).json",   // Nextcloud
             "document_conflict-20250301-101500.json",              // ownCloud
             "document (Ann's conflicted copy 2025-03-01).json",    // Dropbox
             "document (Case Conflict).json",                       // Dropbox, names differing in case
             "document.json.CONFLICT",                              // any case
         }) {
        EXPECT_TRUE(CloudSync::isConflictVersionName(QString::fromUtf8(name))) << name;
    }
    for (const char* name : {
             "document.json",                                        // the document itself
             ".document.sync-conflict-20250301-101500-ABCDEF7.json", // hidden: a tool's partial download
             ".syncthing.document.sync-conflict-1.json.tmp",         // Syncthing's temporary file
             "conflict-document.json",                               // does not start with "document"
             "notes (conflicted copy 2025-03-01).json",              // another file's conflict copy
             "Document (conflicted copy).json",                      // another name than the document's
             "document.json.Ab12Cd",                                 // a save in progress
             "document (1).json",                                    // a copy without conflict
         }) {
        EXPECT_FALSE(CloudSync::isConflictVersionName(QString::fromUtf8(name))) << name;
    }
}

TEST_F(CloudSyncTest, ReadsWhatWasWrittenAndReplacesTheFileWhole) {
    auto cloud = watch();
    EXPECT_EQ(cloud->read(), std::nullopt) << "no file yet";

    EXPECT_TRUE(cloud->write("{\"sheets\": [1, 2, 3, 4, 5]}"));
    EXPECT_EQ(cloud->read(), QByteArray("{\"sheets\": [1, 2, 3, 4, 5]}"));
    EXPECT_TRUE(cloud->write("{}"));
    EXPECT_EQ(cloud->read(), QByteArray("{}"));
    EXPECT_EQ(entriesOf(folder), QStringList{"document.json"}) << "nothing left beside it";

    // A folder removed by hand is made again inside the sync folder.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_TRUE(cloud->write("again"));
    EXPECT_EQ(contentsOf(file), "again");
    EXPECT_FALSE(cloud->turnedOff());
}

TEST_F(CloudSyncTest, AWriteThatFailsLeavesTheOldFileAndNothingBesideIt) {
    auto cloud = watch();
    ASSERT_TRUE(cloud->write("old"));
    // A file size limit makes the write fail after the new file was begun, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto formerHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = cloud->write(QByteArray(64, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, formerHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(contentsOf(file), "old");
    EXPECT_EQ(entriesOf(folder), QStringList{"document.json"});
    EXPECT_FALSE(cloud->turnedOff()) << "a failure is no sign of anything foreign";
}

TEST_F(CloudSyncTest, NeverCreatesAMissingSyncFolderWhenWriting) {
    QTemporaryDir other;
    const QString unmounted = other.filePath("drive");
    CloudSync cloud(unmounted + "/Vell/document.json", [] {});
    EXPECT_FALSE(cloud.write("bytes"));
    EXPECT_FALSE(QFileInfo::exists(unmounted));
    EXPECT_EQ(cloud.read(), std::nullopt);
}

TEST_F(CloudSyncTest, BackgroundWritesLandInTheOrderTheyWereQueued) {
    auto cloud = watch();
    QSignalSpy written(cloud.get(), &CloudSync::written);
    constexpr int count = 30;
    for (int i = 1; i <= count; ++i)
        cloud->writeInBackground(QByteArray("version ") + QByteArray::number(i));
    ASSERT_TRUE(QTest::qWaitFor([&] { return written.count() == count; }, patience));
    EXPECT_EQ(contentsOf(file), "version 30");
}

TEST_F(CloudSyncTest, DestroyingWaitsForQueuedWrites) {
    auto cloud = watch();
    for (int i = 1; i <= 10; ++i)
        cloud->writeInBackground(QByteArray("version ") + QByteArray::number(i));
    cloud.reset();
    EXPECT_EQ(contentsOf(file), "version 10");
}

TEST_F(CloudSyncTest, ConflictVersionsComeInNameOrderAndOnlyResolvingDeletesOne) {
    writeInPlace(file, "main");
    writeInPlace(folder + "/document.sync-conflict-20250301-101500-ABCDEF7.json", "syncthing");
    writeInPlace(folder + "/document (conflicted copy 2025-03-01 101500).json", "nextcloud");
    writeInPlace(folder + "/notes (conflicted copy).json", "not ours");
    writeInPlace(folder + "/.document.sync-conflict-partial.json", "hidden");

    auto cloud = watch();
    const auto versions = cloud->conflictVersions();
    ASSERT_EQ(versions.size(), 2U);
    EXPECT_EQ(QFileInfo(versions[0].path).fileName(), "document (conflicted copy 2025-03-01 101500).json");
    EXPECT_EQ(versions[0].bytes, "nextcloud");
    EXPECT_EQ(QFileInfo(versions[1].path).fileName(), "document.sync-conflict-20250301-101500-ABCDEF7.json");
    EXPECT_EQ(versions[1].bytes, "syncthing");
    EXPECT_EQ(entriesOf(folder).size(), 5) << "reading removes nothing";

    // A version rewritten since it was read holds something not taken in: it stays.
    writeInPlace(versions[1].path, "syncthing, rewritten");
    EXPECT_FALSE(cloud->resolve(versions[1]));
    EXPECT_TRUE(QFileInfo::exists(versions[1].path));

    EXPECT_TRUE(cloud->resolve(versions[0]));
    EXPECT_FALSE(QFileInfo::exists(versions[0].path));
    EXPECT_EQ(entriesOf(folder).size(), 4);
    EXPECT_EQ(cloud->read(), QByteArray("main"));
}

TEST_F(CloudSyncTest, ReportsAnInPlaceWrite) {
    writeInPlace(file, "one");
    auto cloud = watch();
    writeInPlace(file, "two");
    EXPECT_TRUE(reported(0));
}

TEST_F(CloudSyncTest, ReportsAReplaceByRenameAndAnInPlaceWriteAfterIt) {
    writeInPlace(file, "one");
    auto cloud = watch();
    replaceByRename(file, "two");
    ASSERT_TRUE(reported(0));
    settle();

    // The replace took the old file out of the watch; the new one must be watched in its place.
    const int before = reports;
    writeInPlace(file, "three, written in place");
    EXPECT_TRUE(reported(before));
}

TEST_F(CloudSyncTest, ReportsTheFirstFileAndANewConflictVersion) {
    auto cloud = watch();
    writeInPlace(file, "first");
    ASSERT_TRUE(reported(0));
    settle();

    const int before = reports;
    replaceByRename(folder + "/document (Ann's conflicted copy 2025-03-01).json", "theirs");
    EXPECT_TRUE(reported(before));
}

TEST_F(CloudSyncTest, ThePollFindsChangesTheWatchCannotSeeAndIsQuietOtherwise) {
    // Without its folder nothing can be watched; only the poll can notice the folder and file coming.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    auto cloud = watch(50ms);
    QTest::qWait(400);
    EXPECT_EQ(reports, 0) << "an unchanged folder is not reported";

    ASSERT_TRUE(QDir(root.path()).mkdir("Vell"));
    writeInPlace(file, "from a mount without file events");
    ASSERT_TRUE(reported(0));
    settle();

    // From then on the file is watched too.
    const int before = reports;
    writeInPlace(file, "changed again");
    EXPECT_TRUE(reported(before));
}

TEST_F(CloudSyncTest, ReportsNothingOnceDestroyed) {
    writeInPlace(file, "one");
    auto cloud = watch(50ms);
    cloud.reset();
    writeInPlace(file, "two");
    replaceByRename(folder + "/document_conflict-1.json", "theirs");
    QTest::qWait(300);
    EXPECT_EQ(reports, 0);
}

namespace fs = std::filesystem;

// Every name in a folder tree with its kind, a link's target and a file's content: what must stay as it is.
std::map<std::string, std::string> treeOf(const QString& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder.toStdString())) {
        const std::string name = entry.path().lexically_relative(folder.toStdString()).string();
        const fs::file_status status = entry.symlink_status();
        if (fs::is_symlink(status))
            tree[name] = "link to " + fs::read_symlink(entry.path()).string();
        else if (fs::is_regular_file(status))
            tree[name] = "file " + contentsOf(QString::fromStdString(entry.path().string())).toStdString();
        else if (fs::is_directory(status))
            tree[name] = "folder";
        else
            tree[name] = "special";
    }
    return tree;
}

void makeFifo(const QString& path) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
}
void makeLink(const QString& target, const QString& link) {
    fs::create_symlink(target.toStdString(), link.toStdString());
}

// What a sync peer, or anyone who can write the sync folder, may leave where Vell's own folder or the
// shared copy belong. None of it is followed, read, written or deleted; syncing stops, says why, and looks
// again only when asked to (when the application becomes active).
TEST(CloudSyncSafety, ALinkOrSpecialFileWhereVellsFolderOrCopyBelongsIsLeftAloneAndStopsSyncing) {
    testsupport::EngineSettingsScope scope(AppLanguage::english);
    const QByteArray victim = "{\"sheets\": [], \"victim\": true}";
    struct Case {
        const char* what;
        // Relative to the sync folder: the entry that is not what it should be.
        const char* entry;
        std::function<void(const QDir& sync, const QDir& outside)> arrange;
    };
    const Case cases[] = {
        {"the shared copy is a link to a file outside", "Vell/document.json",
         [](const QDir& sync, const QDir& outside) {
             makeLink(outside.filePath("victim.json"), sync.filePath("Vell/document.json"));
         }},
        {"the shared copy is a link to nothing yet", "Vell/document.json",
         [](const QDir& sync, const QDir& outside) {
             makeLink(outside.filePath("made-through-the-link.json"), sync.filePath("Vell/document.json"));
         }},
        {"the shared copy is a folder", "Vell/document.json",
         [](const QDir& sync, const QDir&) { sync.mkpath("Vell/document.json"); }},
        {"the shared copy is a pipe", "Vell/document.json",
         [](const QDir& sync, const QDir&) { makeFifo(sync.filePath("Vell/document.json")); }},
        {"the Vell folder is a link to a folder outside", "Vell",
         [](const QDir& sync, const QDir& outside) {
             ASSERT_TRUE(sync.rmdir("Vell"));
             makeLink(outside.path(), sync.filePath("Vell"));
         }},
        {"the Vell folder is a file", "Vell",
         [](const QDir& sync, const QDir&) {
             ASSERT_TRUE(sync.rmdir("Vell"));
             writeInPlace(sync.filePath("Vell"), "a file");
         }},
    };
    for (const Case& hostile : cases) {
        SCOPED_TRACE(hostile.what);
        QTemporaryDir syncRoot;
        QTemporaryDir outsideRoot;
        const QDir sync(syncRoot.path());
        const QDir outside(outsideRoot.path());
        writeInPlace(outside.filePath("victim.json"), victim);
        writeInPlace(outside.filePath("document.json"), victim);
        writeInPlace(outside.filePath("document (conflicted copy).json"), victim);
        ASSERT_TRUE(sync.mkdir("Vell"));
        hostile.arrange(sync, outside);
        const auto outsideBefore = treeOf(outside.path());
        const auto syncBefore = treeOf(sync.path());

        testsupport::WarningLog log;
        int reports = 0;
        auto cloud = std::make_unique<CloudSync>(
            sync.filePath("Vell/document.json"), [&reports] { ++reports; }, 50ms);
        EXPECT_NE(cloud->read(), victim);
        for (const auto& version : cloud->conflictVersions())
            EXPECT_NE(version.bytes, victim) << version.path.toStdString();
        EXPECT_FALSE(cloud->resolve({sync.filePath(hostile.entry), victim}));
        EXPECT_FALSE(cloud->write("pushed"));
        QSignalSpy written(cloud.get(), &CloudSync::written);
        bool succeeded = true;
        cloud->writeInBackground("pushed in the background", [&succeeded](bool ok) { succeeded = ok; });
        ASSERT_TRUE(written.wait(patience));
        EXPECT_FALSE(succeeded);

        EXPECT_TRUE(cloud->turnedOff());
        EXPECT_EQ(treeOf(outside.path()), outsideBefore) << "nothing outside the sync folder is touched";
        EXPECT_EQ(treeOf(sync.path()), syncBefore) << "the entry and everything beside it stay as they are";
        const QString entryPath = sync.filePath(hostile.entry);
        EXPECT_EQ(log.lines().size(), 1U) << "logged once";
        for (const QString& line : log.lines())
            EXPECT_TRUE(line.contains(entryPath)) << line.toStdString();
        ASSERT_TRUE(cloud->problem());
        EXPECT_TRUE(cloud->problem()->contains(entryPath)) << cloud->problem()->toStdString();

        // Looked at again while it is still there: still off, and not logged again.
        cloud->retry();
        EXPECT_EQ(cloud->read(), std::nullopt);
        EXPECT_TRUE(cloud->turnedOff());
        EXPECT_EQ(log.lines().size(), 1U);

        // Put right again, it still syncs nothing until it is asked to look again: no reads, writes or
        // reports.
        const int before = reports;
        fs::remove_all(entryPath.toStdString());
        ASSERT_TRUE(sync.mkpath("Vell"));
        writeInPlace(sync.filePath("Vell/document.json"), "sound");
        EXPECT_EQ(cloud->read(), std::nullopt);
        EXPECT_TRUE(cloud->conflictVersions().empty());
        EXPECT_FALSE(cloud->write("after"));
        EXPECT_EQ(contentsOf(sync.filePath("Vell/document.json")), "sound");
        QTest::qWait(300);
        EXPECT_EQ(reports, before);
        EXPECT_EQ(log.lines().size(), 1U);

        cloud->retry();
        EXPECT_EQ(cloud->read(), QByteArray("sound"));
        EXPECT_FALSE(cloud->turnedOff());
        EXPECT_FALSE(cloud->problem());
        EXPECT_TRUE(cloud->write("after"));
        writeInPlace(sync.filePath("Vell/document.json"), "changed");
        EXPECT_TRUE(QTest::qWaitFor([&] { return reports > before; }, patience)) << "watched again";
    }
}

// A peer's link, pipe or folder under a conflict version's name is passed over, logged once; the shared
// copy and the sound versions beside it are synced as ever.
TEST(CloudSyncSafety, AConflictVersionThatIsNotARegularFileIsPassedOverAndSyncingGoesOn) {
    testsupport::EngineSettingsScope scope(AppLanguage::english);
    const QByteArray victim = "{\"sheets\": [], \"victim\": true}";
    struct Case {
        const char* what;
        const char* entry;
        std::function<void(const QString& entry, const QDir& outside)> arrange;
    };
    const Case cases[] = {
        {"a link to a file outside", "Vell/document (conflict 9).json",
         [](const QString& entry, const QDir& outside) { makeLink(outside.filePath("victim.json"), entry); }},
        {"a pipe", "Vell/document.sync-conflict-20250301-101500-ABCDEF7.json",
         [](const QString& entry, const QDir&) { makeFifo(entry); }},
        {"a folder", "Vell/document_conflict-20250301-101500.json",
         [](const QString& entry, const QDir&) { QDir().mkpath(entry); }},
    };
    for (const Case& hostile : cases) {
        SCOPED_TRACE(hostile.what);
        QTemporaryDir syncRoot;
        QTemporaryDir outsideRoot;
        const QDir sync(syncRoot.path());
        const QDir outside(outsideRoot.path());
        writeInPlace(outside.filePath("victim.json"), victim);
        ASSERT_TRUE(sync.mkdir("Vell"));
        writeInPlace(sync.filePath("Vell/document.json"), "shared");
        writeInPlace(sync.filePath("Vell/document (conflicted copy 2025-03-01).json"), "sound version");
        const QString entry = sync.filePath(hostile.entry);
        hostile.arrange(entry, outside);
        const auto outsideBefore = treeOf(outside.path());

        testsupport::WarningLog log;
        CloudSync cloud(sync.filePath("Vell/document.json"), [] {});
        for (int look = 0; look < 2; ++look) {
            const auto versions = cloud.conflictVersions();
            ASSERT_EQ(versions.size(), 1U);
            EXPECT_EQ(versions.front().bytes, "sound version");
        }
        EXPECT_EQ(cloud.read(), QByteArray("shared"));
        EXPECT_FALSE(cloud.resolve({entry, victim}));
        EXPECT_TRUE(cloud.write("pushed"));
        EXPECT_FALSE(cloud.turnedOff());
        EXPECT_FALSE(cloud.problem()) << "nothing keeps syncing from going on";
        ASSERT_EQ(log.lines().size(), 1U) << "logged once";
        EXPECT_TRUE(log.lines().front().contains(entry)) << log.lines().front().toStdString();
        EXPECT_TRUE(fs::exists(fs::symlink_status(entry.toStdString()))) << "left where it is";
        EXPECT_EQ(treeOf(outside.path()), outsideBefore);
    }
}

// A shared copy or conflict version larger than any document Vell writes is refused from its size, read
// not at all, logged once and named in the problem; it is not looked at again until it changes, and a
// write that must not go over a copy nobody has read leaves it alone.
TEST(CloudSyncSafety, AFileLargerThanAnyDocumentIsRefusedUntilItChanges) {
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        testsupport::EngineSettingsScope scope(language);
        QTemporaryDir syncRoot;
        const QDir sync(syncRoot.path());
        ASSERT_TRUE(sync.mkdir("Vell"));
        const QString shared = sync.filePath("Vell/document.json");
        const QString version = sync.filePath("Vell/document (conflicted copy 2025-03-01).json");
        for (const QString& path : {shared, version}) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_TRUE(file.resize(SharedCopy::maxDocumentBytes + 1)) << "sparse: it takes no room";
        }

        testsupport::WarningLog log;
        CloudSync cloud(shared, [] {});
        for (int look = 0; look < 3; ++look) {
            const SharedCopy::Copy copy = cloud.readCopy();
            EXPECT_TRUE(copy.refused);
            EXPECT_FALSE(copy.bytes);
            EXPECT_TRUE(cloud.conflictVersions().empty());
        }
        QCoreApplication::processEvents();
        ASSERT_EQ(log.lines().size(), 2U) << "each logged once";
        ASSERT_TRUE(cloud.problem());
        EXPECT_TRUE(cloud.problem()->contains(shared)) << cloud.problem()->toStdString();
        EXPECT_TRUE(cloud.problem()->contains(language == AppLanguage::english ? "too large" : "大きすぎる"))
            << cloud.problem()->toStdString();

        std::optional<SharedCopy::Outcome> outcome;
        SharedCopy::Write write;
        write.bytes = std::make_shared<const std::string>("pushed");
        write.accepts = [](std::string_view) { return true; };
        write.done = [&outcome](SharedCopy::Outcome result) { outcome = result; };
        cloud.queueWrite(std::move(write));
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, patience));
        EXPECT_EQ(*outcome, SharedCopy::Outcome::refused);
        EXPECT_EQ(QFileInfo(shared).size(), SharedCopy::maxDocumentBytes + 1) << "left as it was";

        writeInPlace(shared, "sound");
        writeInPlace(version, "sound version");
        EXPECT_EQ(cloud.read(), QByteArray("sound"));
        EXPECT_EQ(cloud.conflictVersions().size(), 1U);
        EXPECT_FALSE(cloud.problem());
    }
}

TEST(CloudSyncSafety, TheLogLineIsInTheInterfaceLanguage) {
    struct Case {
        AppLanguage language;
        const char* says;
    };
    for (const Case& language : {Case{AppLanguage::japanese, "シンボリックリンク"},
                                 Case{AppLanguage::english, "is a symbolic link"}}) {
        testsupport::EngineSettingsScope scope(language.language);
        QTemporaryDir syncRoot;
        const QDir sync(syncRoot.path());
        ASSERT_TRUE(sync.mkdir("Vell"));
        makeLink(sync.filePath("elsewhere.json"), sync.filePath("Vell/document.json"));
        testsupport::WarningLog log;
        CloudSync cloud(sync.filePath("Vell/document.json"), [] {});
        EXPECT_EQ(cloud.read(), std::nullopt);
        ASSERT_EQ(log.lines().size(), 1U);
        EXPECT_TRUE(log.lines().front().contains(QString::fromUtf8(language.says)))
            << log.lines().front().toStdString();
        ASSERT_TRUE(cloud.problem());
        EXPECT_TRUE(cloud.problem()->contains(QString::fromUtf8(language.says)))
            << cloud.problem()->toStdString();
    }
}

// A store over a sync folder whose shared copy is a link to a file outside: the file's document is not
// taken in, and typing never writes it.
class CloudSyncStoreTest : public testsupport::DocumentStoreTest {};

TEST_F(CloudSyncStoreTest, ASharedCopyThatIsALinkIsNeitherMergedNorWritten) {
    QTemporaryDir syncRoot;
    QTemporaryDir outsideRoot;
    const QString target = QDir(outsideRoot.path()).filePath("victim.json");
    const QByteArray victim =
        QByteArray::fromStdString(documentOf({testsupport::makeSheet(9, "Outside", "42", clock())}).encode());
    writeInPlace(target, victim);
    ASSERT_TRUE(QDir(syncRoot.path()).mkdir("Vell"));
    makeLink(target, QDir(syncRoot.path()).filePath("Vell/document.json"));
    settings.setSyncFolder(syncRoot.path());
    writeDocument(sheetsWithTexts({"1"}));

    testsupport::WarningLog log;
    auto store = open(DocumentSaver::Services{clock, 50ms});
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.saver->cloud() != nullptr; }, patience));
    for (const char* text : {"1\n2", "1\n2\n3", "1\n2\n3\n4"}) {
        store->setText(*store->currentSheetID(), text);
        ASSERT_TRUE(flushPendingSave(*store));
        store.saver->syncNow();
        QTest::qWait(100);
    }
    store.reset();

    EXPECT_EQ(contentsOf(target), victim);
    EXPECT_TRUE(fs::is_symlink(QDir(syncRoot.path()).filePath("Vell/document.json").toStdString()));
    const VellDocument local = documentOnDisk();
    ASSERT_EQ(local.sheets.size(), 1U) << "the linked file's sheet is not taken in";
    EXPECT_EQ(local.sheets.front().text, "1\n2\n3\n4");
    EXPECT_EQ(log.lines().size(), 1U);
}

} // namespace
} // namespace vell
