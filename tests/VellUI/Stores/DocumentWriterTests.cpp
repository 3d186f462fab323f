// The writer thread: writes follow each other in the order the documents were handed over, a document
// overtaken before its write began is skipped, and the last resort of a process that ends writes what
// was handed over last.

#include "Document/DocumentPieces.h"
#include "Document/VellDocument.h"
#include "Stores/DocumentFile.h"
#include "Stores/DocumentWriter.h"
#include "Support/NumberedId.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>
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
    DocumentWriter writer(file, [&](std::uint64_t generation, std::shared_ptr<const std::string> bytes) {
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
    DocumentWriter writer(file, [&](std::uint64_t generation, auto) { finished.push_back(generation); });
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

} // namespace
} // namespace vell
