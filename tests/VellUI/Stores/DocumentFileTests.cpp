// The local document file on its own: reading, replacing it whole, and setting aside what cannot be read.

#include "Document/VellDocument.h"
#include "Stores/DocumentFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

namespace vell {
namespace {

const Date moment = Date::fromCivil(2025, 3, 1, 9, 30, 0);

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

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
    EXPECT_FALSE(file.load());
    EXPECT_EQ(contentsOf(path), "{ \"sheets\": 3 }") << "loading touches nothing";

    ASSERT_TRUE(file.save(oneSheet("7")));
    const QString aside = "document.unreadable-2025-03-01T093000Z.json";
    EXPECT_EQ(filesInFolder(), (QStringList{"document.json", aside}));
    EXPECT_EQ(contentsOf(QDir(QFileInfo(path).absolutePath()).filePath(aside)), "{ \"sheets\": 3 }");

    ASSERT_TRUE(file.save(oneSheet("8")));
    EXPECT_EQ(filesInFolder().size(), 2);
}

TEST_F(DocumentFileTest, AWriteBelowAFileFailsWithAReason) {
    writeFile(folder.filePath("blocker"), "x");
    DocumentFile blocked(folder.filePath("blocker/document.json"), [] { return moment; });
    QString error;
    EXPECT_FALSE(blocked.write("{}", error));
    EXPECT_FALSE(error.isEmpty());
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

} // namespace
} // namespace vell
