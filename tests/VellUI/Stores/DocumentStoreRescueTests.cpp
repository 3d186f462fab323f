// A run that ends while its document cannot be saved keeps it in the rescue place; the next start takes
// that copy in as the sync takes in a conflict version, says so, and removes it once the document that
// holds it is safe on disk.

#include "DocumentStoreFixture.h"
#include "Stores/DocumentWriter.h"
#include "Stores/RescueCopy.h"
#include "Stores/StorageNotices.h"
#include "Support/Files.h"
#include "Support/WarningLog.h"

#include <QDir>
#include <QFile>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::DocumentStoreTest;
using testsupport::makeSheet;
using testsupport::WarningLog;

class DocumentStoreRescueTest : public DocumentStoreTest {
protected:
    DocumentSaver::Services rescuing() {
        DocumentSaver::Services services = this->services();
        services.rescueRoots = {rescueRoot.path()};
        return services;
    }
    OpenedDocument openRescuing() { return open(rescuing()); }
    RescueCopy rescue() const { return RescueCopy(storagePath, {rescueRoot.path()}); }
    // The search for copies runs in the background at start; its finding is taken in on this thread.
    static void waitForTheSearch() {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
    // From now on every write of the document fails: its folder is a regular file.
    void blockTheFolder() const {
        const QString folder = QFileInfo(storagePath).absolutePath();
        ASSERT_TRUE(QDir(folder).removeRecursively());
        testsupport::writeFile(folder, "in the way");
    }
    void unblockTheFolder() const { ASSERT_TRUE(QFile::remove(QFileInfo(storagePath).absolutePath())); }
    std::vector<VellDocument> rescued() const {
        std::vector<VellDocument> documents;
        for (const RescueCopy::Found& copy : rescue().find())
            documents.push_back(VellDocument::decode(copy.bytes.toStdString()));
        return documents;
    }
    std::optional<QString> notice(const OpenedDocument& document, StorageNotices::Topic topic) const {
        return document.saver->notices().message(topic);
    }

    QTemporaryDir rescueRoot;
};

TEST_F(DocumentStoreRescueTest, WhatCannotBeSavedWhenTheRunEndsIsKeptInTheRescuePlaceOnce) {
    writeDocument(sheetsWithTexts({"saved"}));
    auto store = openRescuing();
    blockTheFolder();
    store->setText(*store->currentSheetID(), "typed");
    EXPECT_FALSE(store.saver->saveAndWait());
    EXPECT_EQ(store.saver->saveFailure(), "Not a directory");

    WarningLog log;
    ASSERT_TRUE(store.saver->keepRescueCopy());
    ASSERT_EQ(rescued().size(), 1u);
    EXPECT_EQ(rescued().front().sheets.front().text, "typed");
    const QString folder = rescue().find().front().folder();
    ASSERT_EQ(WarningLog::lines().size(), 1u);
    EXPECT_EQ(WarningLog::lines().front(), "Vell: The document could not be saved, so a copy was kept in " +
                                               folder +
                                               "/document.json; the next start takes it back into "
                                               "the document");
    EXPECT_TRUE(store.saver->keepRescueCopy());
    EXPECT_EQ(rescued().size(), 1u) << "the same document is kept once";

    // Typed since, and the process must end at once: the last resort keeps it too.
    store->setText(*store->currentSheetID(), "typed more");
    DocumentWriter::writeStagedEverywhere();
    ASSERT_EQ(rescued().size(), 2u);
    EXPECT_EQ(rescued().back().sheets.front().text, "typed more");
}

TEST_F(DocumentStoreRescueTest, WithoutAPlaceThatTakesItTheLossIsLoggedAndReported) {
    rescueRoot.remove();
    writeDocument(sheetsWithTexts({"saved"}));
    auto store = openRescuing();
    blockTheFolder();
    store->setText(*store->currentSheetID(), "typed");
    store.saver->saveAndWait();
    WarningLog log;
    EXPECT_FALSE(store.saver->keepRescueCopy());
    ASSERT_EQ(WarningLog::lines().size(), 1u);
    EXPECT_TRUE(WarningLog::lines().front().startsWith(
        "Vell: The document could not be saved, and no copy could be kept anywhere: "));
}

// The copy is newer than the file: what was typed before the end comes back, and a sheet that differs on
// both sides keeps both versions, as a sync conflict does. The copy goes once the file holds the result.
TEST_F(DocumentStoreRescueTest, TheNextStartTakesTheCopyInSaysSoAndRemovesItOnceSaved) {
    const Date earlier = clock();
    writeDocument(documentOf({makeSheet(1, "A", "1", earlier), makeSheet(2, "B", "local edit", earlier)}));
    VellDocument kept = documentOf({makeSheet(1, "A", "1\n2 typed", earlier.addingSeconds(60)),
                                    makeSheet(2, "B", "edit before the end", earlier.addingSeconds(60))});
    ASSERT_TRUE(rescue().keep(kept.encode()));
    const QString folder = rescue().find().front().folder();

    WarningLog log;
    auto store = openRescuing();
    QSignalSpy takenIn(store.saver.get(), &DocumentSaver::rescueCopiesTakenIn);
    waitForTheSearch();
    ASSERT_EQ(takenIn.count(), 1);
    ASSERT_EQ(store->sheets().size(), 3u);
    EXPECT_EQ(store->sheets()[0].text, "1\n2 typed");
    EXPECT_EQ(store->sheets()[1].text, "edit before the end");
    EXPECT_EQ(store->sheets()[2].name, "B (conflicting copy)");
    EXPECT_EQ(store->sheets()[2].text, "local edit");
    const auto said = notice(*store, StorageNotices::Topic::recovered);
    ASSERT_TRUE(said);
    EXPECT_EQ(said->toStdString(),
              ("Vell could not save your document when it last ended and kept a copy in " + folder +
               ". That copy is back in the document now. A sheet that differed is kept twice, the copy's "
               "version as “B (conflicting copy)”.")
                  .toStdString());

    store.saver->finishWrites();
    EXPECT_EQ(documentOnDisk(), store->document());
    EXPECT_TRUE(rescue().find().empty());
    EXPECT_FALSE(QFileInfo::exists(folder));
    const std::vector<QString> lines = WarningLog::lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Vell: The copy kept in " + folder +
                            " when Vell could not save has been taken back into the document"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Vell: The copy in " + folder + ", now part of the saved document, was removed"),
              lines.end());

    // Dismissed in one window, gone in all; the next start finds nothing.
    store.saver->notices().clear(StorageNotices::Topic::recovered);
    store.reset();
    store = openRescuing();
    waitForTheSearch();
    EXPECT_FALSE(notice(*store, StorageNotices::Topic::recovered));
    EXPECT_EQ(store->sheets().size(), 3u);
}

TEST_F(DocumentStoreRescueTest, TheCopyStaysUntilTheDocumentThatHoldsItIsOnDisk) {
    ASSERT_TRUE(rescue().keep(sheetsWithTexts({"kept at the end"}).encode()));
    blockTheFolder();
    auto store = openRescuing();
    waitForTheSearch();
    ASSERT_EQ(store->sheets().size(), 1u);
    EXPECT_EQ(store->sheets()[0].text, "kept at the end") << "in place of the starter document";
    EXPECT_TRUE(notice(*store, StorageNotices::Topic::recovered));
    EXPECT_FALSE(store.saver->saveAndWait());
    EXPECT_TRUE(notice(*store, StorageNotices::Topic::save));
    EXPECT_EQ(rescue().find().size(), 1u) << "not on disk yet";

    unblockTheFolder();
    EXPECT_TRUE(store.saver->saveAndWait());
    EXPECT_TRUE(rescue().find().empty());
    EXPECT_EQ(documentOnDisk().sheets.front().text, "kept at the end");
}

// A copy that does not read as a document is no one's work the start could restore: it stays where it is.
TEST_F(DocumentStoreRescueTest, ACopyThatCannotBeReadIsLeftWhereItIs) {
    writeDocument(sheetsWithTexts({"saved"}));
    ASSERT_TRUE(rescue().keep("not a document"));
    const QString path = rescue().find().front().folder() + "/document.json";
    WarningLog log;
    auto store = openRescuing();
    waitForTheSearch();
    EXPECT_EQ(store->sheets().front().text, "saved");
    EXPECT_FALSE(notice(*store, StorageNotices::Topic::recovered));
    EXPECT_EQ(rescue().find().size(), 1u);
    ASSERT_FALSE(WarningLog::lines().empty());
    EXPECT_TRUE(WarningLog::lines().front().startsWith("Vell: " + path +
                                                       " could not be read and is left where it is: "));
}

TEST_F(DocumentStoreRescueTest, TheNoticeSpeaksTheInterfaceLanguage) {
    writeDocument(sheetsWithTexts({"1"}));
    ASSERT_TRUE(rescue().keep(sheetsWithTexts({"1\n2"}).encode()));
    const QString folder = rescue().find().front().folder();
    auto store = openRescuing();
    waitForTheSearch();
    settings.setLanguage(AppLanguage::japanese);
    const auto said = notice(*store, StorageNotices::Topic::recovered);
    ASSERT_TRUE(said);
    EXPECT_EQ(said->toStdString(), ("前回の終了時に書類を保存できなかったため、" + folder +
                                    " に写しを残していました。その写しを書類に戻しました。")
                                       .toStdString());
}

} // namespace
} // namespace vell
