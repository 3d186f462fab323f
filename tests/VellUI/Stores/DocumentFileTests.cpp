// The local document file on its own: reading, replacing it whole, and setting aside what cannot be read.

#include "Document/VellDocument.h"
#include "Stores/DocumentFile.h"
#include "Support/EngineSettingsScope.h"
#include "Support/Files.h"
#include "Support/WarningLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtGlobal>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vell {
namespace {

using testsupport::contentsOf;
using testsupport::writeFile;

const Date moment = Date::fromCivil(2025, 3, 1, 9, 30, 0);

using testsupport::EngineSettingsScope;
using testsupport::WarningLog;

VellDocument oneSheet(const std::string& text) {
    VellDocument document;
    document.sheets.push_back(Sheet{Uuid::random(), "A", text, moment, {}});
    document.selectedSheetID = document.sheets.front().id;
    return document;
}

class DocumentFileTest : public ::testing::Test {
protected:
    QStringList filesInFolder() const {
        return QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir folder;
    QString path = folder.filePath("Vell/document.json");
    DocumentFile file{path, [] { return moment; }};
};

TEST_F(DocumentFileTest, WhatIsSavedLoadsBack) {
    EXPECT_FALSE(file.load()) << "no file yet";
    const VellDocument document = oneSheet("1 + 2");
    const auto bytes = file.save(document);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(contentsOf(path).toStdString(), *bytes);
    EXPECT_EQ(DocumentFile(path, [] { return moment; }).load(), document);
    EXPECT_EQ(filesInFolder(), QStringList{"document.json"}) << "no temporary file is left behind";
}

TEST_F(DocumentFileTest, AFileThatCannotBeReadIsSetAsideOnceAtTheFirstWrite) {
    writeFile(path, "{ \"sheets\": 3 }");
    WarningLog log;
    EXPECT_FALSE(file.load());
    // Why, and where to find it, goes to the log.
    ASSERT_EQ(WarningLog::lines().size(), 1u);
    EXPECT_TRUE(WarningLog::lines()[0].contains(path) &&
                WarningLog::lines()[0].contains("sheets: expected an array"))
        << WarningLog::lines()[0].toStdString();
    EXPECT_EQ(contentsOf(path), "{ \"sheets\": 3 }") << "loading touches nothing";

    ASSERT_TRUE(file.save(oneSheet("7")));
    const QString aside = "document.unreadable-2025-03-01T093000Z.json";
    EXPECT_EQ(filesInFolder(), (QStringList{"document.json", aside}));
    ASSERT_EQ(WarningLog::lines().size(), 2u);
    EXPECT_TRUE(WarningLog::lines()[1].contains(aside)) << WarningLog::lines()[1].toStdString();
    EXPECT_EQ(contentsOf(QDir(QFileInfo(path).absolutePath()).filePath(aside)), "{ \"sheets\": 3 }");

    ASSERT_TRUE(file.save(oneSheet("8")));
    EXPECT_EQ(filesInFolder().size(), 2);
}

// One bad value no longer costs the whole document: it is read as well as it can be, every repair is
// logged, and the file as it was is set aside before the first write.
TEST_F(DocumentFileTest, OneBadValueIsMendedLoggedAndTheOriginalKeptAside) {
    const QByteArray original =
        "{\"sheets\": [\n"
        "  {\"id\": \"00000000-0000-0000-0000-000000000001\", \"name\": \"A\xff\",\n"
        "   \"text\": \"1 + 2\", \"updatedAt\": \"2024-05-01T10:00:00.250Z\",\n"
        "   \"lockedLines\": [1.0, 0]},\n"
        "  {\"id\": \"00000000-0000-0000-0000-000000000002\", \"name\": \"B\", \"text\": \"3\",\n"
        "   \"updatedAt\": \"2024-02-30T10:00:00Z\"}]}";
    writeFile(path, original);
    WarningLog log;
    const auto document = file.load();
    ASSERT_TRUE(document);
    ASSERT_EQ(document->sheets.size(), 2u);
    EXPECT_EQ(document->sheets[0].name, "A\uFFFD");
    EXPECT_EQ(document->sheets[0].updatedAt, Date::fromCivil(2024, 5, 1, 10, 0, 0));
    EXPECT_EQ(document->sheets[0].lockedLines, std::vector<std::int64_t>{0});
    EXPECT_EQ(document->sheets[1].updatedAt, Date::distantPast);
    ASSERT_EQ(WarningLog::lines().size(), 4u);
    EXPECT_TRUE(WarningLog::lines()[1].contains("sheets[0].updatedAt"))
        << WarningLog::lines()[1].toStdString();
    EXPECT_TRUE(WarningLog::lines()[2].contains("sheets[0].lockedLines[0]"));
    EXPECT_TRUE(WarningLog::lines()[3].contains("sheets[1].updatedAt"));

    ASSERT_TRUE(file.save(*document));
    EXPECT_EQ(
        contentsOf(
            QDir(QFileInfo(path).absolutePath()).filePath("document.unreadable-2025-03-01T093000Z.json")),
        original);
}

// A raw NUL byte in a sheet's text, or a member nested too deeply to be kept, no longer makes the whole
// document unreadable: the sheets are read, the log says what was mended or dropped, and the file as it
// was is set aside before the first write.
TEST_F(DocumentFileTest, ARawNulOrADroppedMemberIsLoggedAndTheOriginalKeptAside) {
    const QByteArray head =
        "{\"sheets\": [{\"id\": \"00000000-0000-0000-0000-000000000001\", \"name\": \"A\", ";
    struct Case {
        QByteArray original;
        std::string text;
        QString logged;
    };
    const Case cases[] = {
        {head + QByteArray("\"text\": \"1 +\0 2\"}]}", 19), "1 +\uFFFD 2", "U+FFFD"},
        {head + "\"text\": \"3\", \"later\": " + QByteArray(500, '[') + QByteArray(500, ']') + "}]}", "3",
         "sheets[0].later"},
    };
    for (const Case& c : cases) {
        QTemporaryDir caseFolder;
        const QString casePath = caseFolder.filePath("Vell/document.json");
        writeFile(casePath, c.original);
        DocumentFile caseFile(casePath, [] { return moment; });
        WarningLog log;
        const auto document = caseFile.load();
        ASSERT_TRUE(document) << c.text;
        EXPECT_EQ(document->sheets.at(0).text, c.text);
        ASSERT_EQ(WarningLog::lines().size(), 1u);
        EXPECT_TRUE(WarningLog::lines()[0].contains(casePath) && WarningLog::lines()[0].contains(c.logged))
            << WarningLog::lines()[0].toStdString();

        ASSERT_TRUE(caseFile.save(*document));
        EXPECT_EQ(contentsOf(QDir(QFileInfo(casePath).absolutePath())
                                 .filePath("document.unreadable-2025-03-01T093000Z.json")),
                  c.original);
    }
}

// What the log says when the file is set aside: a file read with repairs was repaired, and its original is
// kept under the name given; only a file that could not be read is said to be so. In both languages.
TEST(DocumentFileSetAside, TheLogSaysWhetherTheFileWasRepairedOrCouldNotBeRead) {
    const QByteArray repairable = "{\"sheets\": [{\"id\": \"00000000-0000-0000-0000-000000000001\", "
                                  "\"name\": \"A\xff\", \"text\": \"1\"}]}";
    const QByteArray unreadable = "{ \"sheets\": 3 }";
    const QString aside = "document.unreadable-2025-03-01T093000Z.json";
    struct Case {
        QByteArray original;
        AppLanguage language;
        QString said;
    };
    const Case cases[] = {
        {repairable, AppLanguage::english,
         "Vell: %1 was repaired when it was read; the original is kept as " + aside},
        {repairable, AppLanguage::japanese,
         "Vell: %1 は修復して読み込みました。元のファイルは " + aside + " として残してあります"},
        {unreadable, AppLanguage::english, "Vell: %1 could not be read and was set aside as " + aside},
        {unreadable, AppLanguage::japanese,
         "Vell: %1 は読めなかったため、" + aside + " としてよけておきました"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said.toStdString());
        EngineSettingsScope scope(c.language);
        QTemporaryDir folder;
        const QString path = folder.filePath("Vell/document.json");
        writeFile(path, c.original);
        DocumentFile file(path, [] { return moment; });
        const bool repaired = file.load().has_value();
        EXPECT_EQ(repaired, c.original == repairable);
        WarningLog log;
        ASSERT_TRUE(file.save(oneSheet("1")));
        ASSERT_EQ(WarningLog::lines().size(), 1u);
        EXPECT_EQ(WarningLog::lines()[0].toStdString(), c.said.arg(path).toStdString());
        EXPECT_EQ(contentsOf(QDir(QFileInfo(path).absolutePath()).filePath(aside)), c.original);
    }
}

// A pipe at the document's place would block the start in its open; it is set aside like a damaged file.
TEST_F(DocumentFileTest, APipeIsNotReadAndIsSetAside) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_EQ(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    EXPECT_FALSE(file.load());
    ASSERT_TRUE(file.save(oneSheet("1")));
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(filesInFolder().size(), 1) << "only the document is a regular file";
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::System | QDir::Files).size(), 2)
        << "the pipe stands aside";
}

TEST_F(DocumentFileTest, AWriteBelowAFileFailsWithAReason) {
    writeFile(folder.filePath("blocker"), "x");
    DocumentFile blocked(folder.filePath("blocker/document.json"), [] { return moment; });
    QString error;
    EXPECT_FALSE(blocked.write("{}", error));
    EXPECT_FALSE(error.isEmpty());
}

// The data folder is the user's own: a link made there still leads the document where the user wants it,
// and the file keeps the permissions the user gave it.
TEST(DocumentFileReplace, KeepsTheUsersLinksAndPermissions) {
    namespace fs = std::filesystem;
    enum class Link {
        toAFile,
        toAFileNotMadeYet,
        ofTheFolder
    };
    const struct {
        const char* what;
        Link link;
    } cases[] = {
        {"the document links to a file", Link::toAFile},
        {"the document links to a file not made yet", Link::toAFileNotMadeYet},
        {"the folder links to another", Link::ofTheFolder},
    };
    for (const auto& c : cases) {
        QTemporaryDir root;
        const QString data = root.filePath("Vell");
        const QString path = QDir(data).filePath("document.json");
        const QString elsewhere = root.filePath("elsewhere");
        QDir().mkpath(elsewhere);
        QString written = QDir(elsewhere).filePath("mine.json");
        switch (c.link) {
        case Link::toAFile:
            writeFile(written, "{}");
            [[fallthrough]];
        case Link::toAFileNotMadeYet:
            QDir().mkpath(data);
            fs::create_symlink(written.toStdString(), path.toStdString());
            break;
        case Link::ofTheFolder:
            fs::create_directory_symlink(elsewhere.toStdString(), data.toStdString());
            written = QDir(elsewhere).filePath("document.json");
            break;
        }
        DocumentFile file(path, [] { return moment; });
        ASSERT_TRUE(file.save(oneSheet("1"))) << c.what;
        const auto bytes = file.save(oneSheet("2"));
        ASSERT_TRUE(bytes) << c.what;
        EXPECT_TRUE(QFileInfo(c.link == Link::ofTheFolder ? data : path).isSymLink()) << c.what;
        EXPECT_EQ(contentsOf(written).toStdString(), *bytes) << c.what;
        EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QFileInfo(written).fileName()})
            << c.what << ": nothing is left beside it";
    }

    QTemporaryDir root;
    const QString path = root.filePath("Vell/document.json");
    writeFile(path, "{}");
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path, mode));
    ASSERT_TRUE(DocumentFile(path, [] { return moment; }).save(oneSheet("3")));
    EXPECT_EQ(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), mode);
}

TEST_F(DocumentFileTest, TwoNamesOfOneFileAreTheSameFile) {
    namespace fs = std::filesystem;
    writeFile(path, "{}");
    const QString link = folder.filePath("link.json");
    const QString hard = folder.filePath("hard.json");
    fs::create_symlink(path.toStdString(), link.toStdString());
    fs::create_hard_link(path.toStdString(), hard.toStdString());
    EXPECT_TRUE(DocumentFile::sameFile(link, path));
    EXPECT_TRUE(DocumentFile::sameFile(hard, path));
    EXPECT_TRUE(DocumentFile::sameFile(folder.filePath("Vell/../Vell/document.json"), path));
    EXPECT_FALSE(DocumentFile::sameFile(folder.filePath("other.json"), path));
}

// A disk that fills up while the document is written leaves the previous document as it was, and the log
// names the cause in the interface's language.
TEST(DocumentFileOnAFullDisk, KeepsThePreviousDocumentAndLogsTheCause) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a small tmpfs";
    QTemporaryDir folder;
    const QString mountPoint = folder.filePath("disk");
    QDir().mkpath(mountPoint);
    const QByteArray point = mountPoint.toLocal8Bit();
    if (::mount("tmpfs", point.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "a tmpfs cannot be mounted here";
    struct Unmount {
        QByteArray point;
        ~Unmount() { ::umount2(point.constData(), MNT_DETACH); }
    } unmount{point};

    const QString path = QDir(mountPoint).filePath("Vell/document.json");
    DocumentFile file(path, [] { return moment; });
    ASSERT_TRUE(file.save(oneSheet("1 + 2")));
    const QByteArray good = contentsOf(path);

    // A document that fits in the write's buffer shows the full disk only when the buffer is written out.
    const struct {
        const char* what;
        bool fillTheDisk;
        std::size_t size;
        AppLanguage language;
        const char* line;
    } cases[] = {
        {"a document larger than the disk", false, 200'000, AppLanguage::japanese,
         "Vell: 保存に失敗しました ディスクの空き容量が足りません"},
        {"a small document on a disk other files filled", true, 100, AppLanguage::english,
         "Vell: The document could not be saved: No space left on device"},
    };
    const QString filler = QDir(mountPoint).filePath("filler");
    for (const auto& c : cases) {
        if (c.fillTheDisk) {
            QFile fill(filler);
            ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
            const QByteArray block(1024, 'x');
            while (fill.write(block) == block.size() && fill.flush()) {
            }
        }
        EngineSettingsScope scope(c.language);
        WarningLog log;
        EXPECT_FALSE(file.save(oneSheet(std::string(c.size, '7')))) << c.what;
        EXPECT_EQ(contentsOf(path), good) << c.what;
        ASSERT_EQ(WarningLog::lines().size(), 1u) << c.what;
        EXPECT_EQ(WarningLog::lines().front().toStdString(), c.line);
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"document.json"})
            << c.what << ": no temporary file is left to fill the disk";
        QFile::remove(filler);
    }

    // With room again, the next save goes through.
    EXPECT_TRUE(file.save(oneSheet("3")));
    const auto reloaded = DocumentFile(path, [] { return moment; }).load();
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(reloaded->sheets.front().text, "3");
}

// The usual causes of a failed save in words of the interface's own; any other as the system words it.
TEST(DocumentFileErrors, AreDescribedInTheInterfaceLanguage) {
    const struct {
        int error;
        const char* japanese;
        const char* english;
    } cases[] = {
        {ENOSPC, "ディスクの空き容量が足りません", "No space left on device"},
        {EDQUOT, "ディスクの使用量が上限に達しています", "Disk quota exceeded"},
        {EACCES, "アクセスが許可されていません", "Permission denied"},
        {EPERM, "この操作は許可されていません", "Operation not permitted"},
        {EROFS, "読み出し専用のファイルシステムです", "Read-only file system"},
        {EIO, "入出力エラーが起きました", "Input/output error"},
        {ENOTDIR, "Not a directory", "Not a directory"},
    };
    for (const auto& c : cases) {
        EngineSettingsScope scope(AppLanguage::japanese);
        EXPECT_EQ(DocumentFile::describeError(c.error).toStdString(), c.japanese) << c.english;
        scope.setLanguage(AppLanguage::english);
        EXPECT_EQ(DocumentFile::describeError(c.error).toStdString(), c.english);
    }
}

} // namespace
} // namespace vell
