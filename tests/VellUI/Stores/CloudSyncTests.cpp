// The shared copy in a sync folder: where it lives, reading and writing it, the sync tools' conflict
// copies and the change reports of the watch.

#include "Stores/AppSettings.h"
#include "Stores/CloudSync.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace vell {
namespace {

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

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    for (const Case& refused :
         {Case{"absent", std::nullopt}, Case{"empty", QString()}, Case{"relative", QStringLiteral("Sync")},
          Case{"missing", missing}, Case{"a file", notAFolder}}) {
        SCOPED_TRACE(refused.what);
        EXPECT_EQ(CloudSync::resolveDocumentURL(refused.folder), std::nullopt);
    }
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

    QSignalSpy changed(&settings, &AppSettings::changed);
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
    QDir(folder).mkdir("document conflict folder");
    // One that cannot be read (a link to nothing) is left out, and left where it is.
    std::filesystem::create_symlink((folder + "/gone.json").toStdString(),
                                    (folder + "/document_conflict-unreadable.json").toStdString());

    auto cloud = watch();
    const auto versions = cloud->conflictVersions();
    ASSERT_EQ(versions.size(), 2U);
    EXPECT_EQ(QFileInfo(versions[0].path).fileName(), "document (conflicted copy 2025-03-01 101500).json");
    EXPECT_EQ(versions[0].bytes, "nextcloud");
    EXPECT_EQ(QFileInfo(versions[1].path).fileName(), "document.sync-conflict-20250301-101500-ABCDEF7.json");
    EXPECT_EQ(versions[1].bytes, "syncthing");
    EXPECT_EQ(entriesOf(folder).size(), 7) << "reading removes nothing";

    // A version rewritten since it was read holds something not taken in: it stays.
    writeInPlace(versions[1].path, "syncthing, rewritten");
    EXPECT_FALSE(cloud->resolve(versions[1]));
    EXPECT_TRUE(QFileInfo::exists(versions[1].path));

    EXPECT_TRUE(cloud->resolve(versions[0]));
    EXPECT_FALSE(QFileInfo::exists(versions[0].path));
    EXPECT_EQ(entriesOf(folder).size(), 6);
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

} // namespace
} // namespace vell
