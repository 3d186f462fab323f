// The second place of a document that cannot be saved: a private folder of the user's own under a root
// that takes the write, on another file system than the document first; found again for the same
// document only, and never through anything another user or a link could have put in its place.

#include "Stores/RescueCopy.h"
#include "Support/EngineSettingsScope.h"
#include "Support/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vell {
namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 07777;
}

dev_t deviceOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_dev;
}

class RescueCopyTest : public ::testing::Test {
protected:
    QString documentPath() const { return data.filePath("Vell/document.json"); }
    RescueCopy rescue(std::vector<QString> roots) const {
        return RescueCopy(documentPath(), std::move(roots));
    }
    // The name a folder of this document's starts with, read off one made by keep().
    QString prefixOf(const QString& keptFile) const {
        const QString folder = QFileInfo(keptFile).dir().dirName();
        return folder.left(folder.size() - 6);
    }

    testsupport::EngineSettingsScope scope;
    QTemporaryDir data;
    QTemporaryDir root;
};

TEST_F(RescueCopyTest, ACopyIsKeptPrivatelyFoundForItsDocumentOnlyAndRemoved) {
    const RescueCopy copies = rescue({root.path()});
    const auto first = copies.keep("first");
    ASSERT_TRUE(first);
    const QString folder = QFileInfo(*first).absolutePath();
    EXPECT_EQ(QFileInfo(folder).dir().absolutePath(), QDir(root.path()).absolutePath());
    EXPECT_TRUE(QFileInfo(folder).fileName().startsWith("vell-rescue-"));
    EXPECT_EQ(QFileInfo(*first).fileName(), "document.json");
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(*first), 0600u);
    ::usleep(20'000);
    const auto second = copies.keep("second");
    ASSERT_TRUE(second);
    EXPECT_NE(QFileInfo(*second).absolutePath(), folder) << "a folder of its own each time";

    const auto found = copies.find();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].bytes, "first") << "oldest first";
    EXPECT_EQ(found[1].bytes, "second");
    EXPECT_EQ(found[0].folder(), folder);

    EXPECT_TRUE(RescueCopy(data.filePath("Other/document.json"), {root.path()}).find().empty())
        << "another document's copies are not this one's";

    EXPECT_TRUE(copies.remove(found[0]));
    EXPECT_FALSE(QFileInfo::exists(folder));
    ASSERT_EQ(copies.find().size(), 1u);
    EXPECT_FALSE(copies.remove(found[0])) << "gone already";
}

TEST_F(RescueCopyTest, RootsThatDoNotTakeTheWriteArePassedOver) {
    QTemporaryDir second;
    const QString notAFolder = root.filePath("file");
    testsupport::writeFile(notAFolder, "x");
    const auto kept = rescue({root.filePath("missing"), notAFolder, second.path()}).keep("kept");
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->startsWith(second.path()));

    QString error;
    EXPECT_FALSE(rescue({notAFolder}).keep("lost", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(rescue({}).keep("lost"));
}

// A disk that is full is full for every folder on it: a root on another file system comes first.
TEST_F(RescueCopyTest, ARootOnAnotherFileSystemComesFirst) {
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/vell-test-XXXXXX"));
    if (!elsewhere.isValid() || deviceOf(elsewhere.path()) == deviceOf(data.path()))
        GTEST_SKIP() << "no second file system to try";
    const auto kept = rescue({root.path(), elsewhere.path()}).keep("kept");
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->startsWith(elsewhere.path()));
    EXPECT_EQ(rescue({root.path(), elsewhere.path()}).find().size(), 1u);
}

// Anyone can write to the roots. What stands under this document's prefix is entered only when it is a real
// folder of this user's with mode 0700, and only a regular file of this user's, of a sane size, is read.
TEST_F(RescueCopyTest, WhatAnotherUserOrALinkCouldHavePutThereIsNeitherFollowedNorRead) {
    const RescueCopy copies = rescue({root.path()});
    const auto genuine = copies.keep("genuine");
    ASSERT_TRUE(genuine);
    const QString prefix = root.filePath(prefixOf(*genuine));
    const auto privateFolder = [&](const QString& suffix) {
        const QString folder = prefix + suffix;
        EXPECT_TRUE(QDir().mkdir(folder));
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        return folder;
    };
    // Another folder of the user's, with a copy that would be read if a link led there.
    QTemporaryDir aside;
    testsupport::writeFile(aside.filePath("document.json"), "through a link");
    ::chmod(QFile::encodeName(aside.path()).constData(), 0700);

    ASSERT_TRUE(QFile::link(aside.path(), prefix + "link01"));
    const QString open = prefix + "open01";
    ASSERT_TRUE(QDir().mkdir(open));
    ::chmod(QFile::encodeName(open).constData(), 0755);
    testsupport::writeFile(open + "/document.json", "world-readable folder");
    ASSERT_TRUE(QFile::link(aside.filePath("document.json"), privateFolder("file01") + "/document.json"));
    const QString fifo = privateFolder("fifo01") + "/document.json";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = privateFolder("huge01") + "/document.json";
    testsupport::writeFile(huge, "x");
    ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), RescueCopy::maximumBytes + 1), 0);
    privateFolder("none01");
    if (::geteuid() == 0) {
        const QString foreign = privateFolder("user01");
        testsupport::writeFile(foreign + "/document.json", "another user's");
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        const QString foreignFile = privateFolder("ufile1") + "/document.json";
        testsupport::writeFile(foreignFile, "another user's file");
        ASSERT_EQ(::chown(QFile::encodeName(foreignFile).constData(), 65534, 65534), 0);
    }

    const auto found = copies.find();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.front().bytes, "genuine");
    EXPECT_TRUE(QFileInfo::exists(aside.filePath("document.json")));
}

} // namespace
} // namespace vell
