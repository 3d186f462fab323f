// The writer thread: writes follow each other in the order the documents were handed over, a document
// overtaken before its write began is skipped, and the last resort of a process that ends writes what
// was handed over last, or keeps it in the fallback when the file cannot take it.

#include "Document/DocumentPieces.h"
#include "Document/VellDocument.h"
#include "Stores/DocumentFile.h"
#include "Stores/DocumentWriter.h"
#include "Support/NumberedId.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vell {
namespace {

VellDocument documentWithText(const std::string& text) {
    VellDocument document;
    document.sheets.push_back(
        Sheet{testsupport::numberedId(0), "A", text, Date::fromCivil(2025, 3, 1, 9, 30, 0), {}});
    document.selectedSheetID = document.sheets.front().id;
    return document;
}

std::shared_ptr<const DocumentPieces> piecesOf(const VellDocument& document) {
    std::vector<SheetPiece> sheets;
    for (const Sheet& sheet : document.sheets)
        sheets.push_back(DocumentPieces::encodeSheet(sheet));
    return std::make_shared<const DocumentPieces>(document, std::move(sheets));
}

class DocumentWriterTest : public ::testing::Test {
protected:
    std::string fileContents() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

    QTemporaryDir folder;
    QString path = folder.filePath("document.json");
    DocumentFile file{path, Date::now};
};

TEST_F(DocumentWriterTest, WritesFollowTheOrderOfTheDocumentsAndEndWithTheNewest) {
    std::vector<std::uint64_t> finished;
    std::vector<std::string> written;
    DocumentWriter writer(file, [&](std::uint64_t generation, std::shared_ptr<const std::string> bytes, int) {
        finished.push_back(generation);
        ASSERT_TRUE(bytes);
        written.push_back(*bytes);
    });
    // Faster than the disk: most are overtaken before their write begins.
    for (std::uint64_t i = 1; i <= 200; ++i) {
        writer.stage(i, piecesOf(documentWithText(std::to_string(i))));
        writer.write();
    }
    writer.finish();
    ASSERT_FALSE(finished.empty());
    for (std::size_t i = 1; i < finished.size(); ++i)
        EXPECT_LT(finished[i - 1], finished[i]) << "never an older document after a newer one";
    EXPECT_EQ(finished.back(), 200u);
    EXPECT_EQ(written.back(), documentWithText("200").encode());
    EXPECT_EQ(fileContents(), documentWithText("200").encode());
}

TEST_F(DocumentWriterTest, TheLastResortWritesWhatWasHandedOverLast) {
    std::vector<std::uint64_t> finished;
    DocumentWriter writer(file, [&](std::uint64_t generation, auto, int) { finished.push_back(generation); });
    writer.stage(1, piecesOf(documentWithText("saved")));
    writer.write();
    writer.finish();
    ASSERT_EQ(fileContents(), documentWithText("saved").encode());

    // Typed, handed over, but no write asked for yet.
    writer.stage(2, piecesOf(documentWithText("typed last")));
    DocumentWriter::writeStagedEverywhere();
    EXPECT_EQ(fileContents(), documentWithText("typed last").encode());

    // Written already: not again.
    QFile::remove(path);
    DocumentWriter::writeStagedEverywhere();
    EXPECT_FALSE(QFile::exists(path));
}

// The file cannot be written (its folder is a regular file): a write says why, and when the process ends
// the newest document goes to the fallback, once, whether the main thread or the last resort asks first.
TEST_F(DocumentWriterTest, WhatTheFileCannotTakeGoesToTheFallbackOnce) {
    QFile blocker(folder.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    DocumentFile blocked(folder.filePath("blocker/document.json"), Date::now);
    std::vector<int> errors;
    std::vector<std::string> kept;
    bool fallbackTakes = true;
    DocumentWriter writer(
        blocked,
        [&](std::uint64_t, auto bytes, int errorNumber) { errors.push_back(bytes ? 0 : errorNumber); },
        [&](std::string_view bytes) {
            kept.emplace_back(bytes);
            return fallbackTakes;
        });
    writer.stage(1, piecesOf(documentWithText("typed")));
    writer.write();
    writer.finish();
    EXPECT_EQ(errors, std::vector<int>{ENOTDIR});
    EXPECT_TRUE(kept.empty()) << "nothing goes elsewhere while the process runs on";

    EXPECT_TRUE(writer.keepStagedElsewhere());
    EXPECT_TRUE(writer.keepStagedElsewhere());
    DocumentWriter::writeStagedEverywhere();
    EXPECT_EQ(kept, std::vector<std::string>{documentWithText("typed").encode()}) << "once";

    // Typed after that: the last resort keeps it; a fallback that cannot take it says so.
    writer.stage(2, piecesOf(documentWithText("typed last")));
    DocumentWriter::writeStagedEverywhere();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept.back(), documentWithText("typed last").encode());
    writer.stage(3, piecesOf(documentWithText("not kept")));
    fallbackTakes = false;
    EXPECT_FALSE(writer.keepStagedElsewhere());
}

TEST_F(DocumentWriterTest, NothingGoesElsewhereWhenTheFileHoldsTheNewest) {
    int fallbacks = 0;
    DocumentWriter writer(file, {}, [&](std::string_view) { return ++fallbacks > 0; });
    writer.stage(1, piecesOf(documentWithText("saved")));
    writer.write();
    writer.finish();
    EXPECT_TRUE(writer.keepStagedElsewhere());
    DocumentWriter::writeStagedEverywhere();
    EXPECT_EQ(fallbacks, 0);
}

} // namespace
} // namespace vell
