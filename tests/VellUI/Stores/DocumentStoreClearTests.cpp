// Clearing a sheet after confirmation, and erasing all content.

#include "DocumentStoreFixture.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::DocumentStoreCaretTest;
using testsupport::makeSheet;
using testsupport::sheetId;
using Locks = std::vector<std::int64_t>;

class DocumentStoreClearTest : public DocumentStoreCaretTest {
protected:
    // "Rent" with that text and those locks, then "B" with "2".
    OpenedDocument openWith(std::string text, Locks locks = {}) {
        writeDocument(documentOf({makeSheet(1, "Rent", std::move(text), loaded, std::move(locks)),
                                  makeSheet(2, "B", "2", loaded)}));
        clock.advance(60);
        return open();
    }

    const Date loaded = clock();
};

TEST_F(DocumentStoreClearTest, TheConfirmationIsAskedOnlyWhenThereIsSomethingToClear) {
    struct Case {
        const char* what;
        std::string text;
        Locks locks;
        bool asks;
    };
    const Case cases[] = {
        {"an empty sheet", "", {}, false},
        {"locked lines without text", "", {0}, true},
        {"text", "1 + 1", {}, true},
    };
    for (const Case& c : cases) {
        auto store = openWith(c.text, c.locks);
        QSignalSpy prompts(store.get(), &DocumentStore::clearSheetPromptChanged);
        store->requestClearSheet(*store->currentSheetID());
        EXPECT_EQ(store->clearSheetPrompt(), c.asks ? std::optional<std::string>("Rent") : std::nullopt)
            << c.what;
        EXPECT_EQ(prompts.count(), c.asks ? 1 : 0) << c.what;
    }
}

TEST_F(DocumentStoreClearTest, ClearingIsOneUndoStepThatBringsTextAndLocksBack) {
    auto store = openWith("1\n2", {1});
    store->requestClearSheet(sheetId(1));
    ASSERT_TRUE(store->clearSheetPrompt());

    store->confirmClearSheet();
    const Sheet& sheet = store->sheets().front();
    EXPECT_FALSE(store->clearSheetPrompt());
    EXPECT_EQ(sheet.text, "");
    EXPECT_EQ(sheet.lockedLines, Locks{});
    EXPECT_EQ(sheet.updatedAt, clock());
    EXPECT_EQ(sheet.name, "Rent");
    EXPECT_EQ(sheet.id, sheetId(1));
    EXPECT_EQ(carets, (std::vector<qint64>{0}));
    EXPECT_EQ(results().size(), 1u);
    EXPECT_TRUE(store->canUndo(*store->currentSheetID()));
    ASSERT_TRUE(flushPendingSave(*store));
    EXPECT_EQ(documentOnDisk().sheets.front().text, "");

    store->undo(*store->currentSheetID());
    EXPECT_EQ(store->sheets().front().text, "1\n2");
    EXPECT_EQ(store->sheets().front().lockedLines, (Locks{1}));
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
}

TEST_F(DocumentStoreClearTest, ASelectionThatMovedMeanwhileClearsNothing) {
    auto store = openWith("1");
    store->requestClearSheet(*store->currentSheetID());
    store->setCurrentSheetID(sheetId(2));
    store->confirmClearSheet();
    EXPECT_FALSE(store->clearSheetPrompt());
    EXPECT_EQ(store->sheets()[0].text, "1");
    EXPECT_EQ(store->sheets()[1].text, "2");
    EXPECT_TRUE(carets.empty());

    // Without a pending question, the selected sheet is cleared.
    store->confirmClearSheet();
    EXPECT_EQ(store->sheets()[1].text, "");
}

TEST_F(DocumentStoreClearTest, TheSheetAskedAboutIsClearedWhateverIsSelected) {
    auto store = openWith("1");
    store->requestClearSheet(sheetId(2));
    EXPECT_EQ(store->clearSheetPrompt(), std::optional<std::string>("B"));
    store->confirmClearSheet();
    EXPECT_EQ(store->sheets()[0].text, "1");
    EXPECT_EQ(store->sheets()[1].text, "");
    EXPECT_EQ(caretSheets, std::vector<Uuid>{sheetId(2)});
    EXPECT_EQ(store->currentSheetID(), sheetId(1));
    EXPECT_TRUE(store->canUndo(sheetId(2)));
}

TEST_F(DocumentStoreClearTest, CancellingLeavesTheDocumentAlone) {
    auto store = openWith("1");
    store->requestClearSheet(*store->currentSheetID());
    const VellDocument before = store->document();
    store->setClearSheetPrompt(std::nullopt);
    EXPECT_FALSE(store->clearSheetPrompt());
    EXPECT_FALSE(flushPendingSave(*store));
    EXPECT_EQ(store->document(), before);
}

TEST_F(DocumentStoreClearTest, ErasingLeavesOneEmptySheetAndTombstonesAndSavesAtOnce) {
    for (const auto& [language, name] :
         {std::pair{AppLanguage::english, "New Sheet"}, {AppLanguage::japanese, "新しいシート"}}) {
        scope.setLanguage(language);
        auto store = openWith("1");
        store->setText(*store->currentSheetID(), "1 + 1");
        store->deleteSheet(sheetId(2));
        const std::string olderTombstone = sheetId(2).uuidString();
        clock.advance(5);

        store->clearAllContent();
        ASSERT_EQ(store->sheets().size(), 1u);
        const Sheet& sheet = store->sheets().front();
        EXPECT_EQ(sheet.name, name);
        EXPECT_EQ(sheet.text, "");
        EXPECT_NE(sheet.id, sheetId(1));
        EXPECT_EQ(store->currentSheetID(), sheet.id);
        EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
        EXPECT_FALSE(store->canRedo(*store->currentSheetID()));
        EXPECT_EQ(store->document().deletedSheets.at(sheetId(1).uuidString()), clock());
        EXPECT_EQ(store->document().deletedSheets.at(olderTombstone), clock().addingSeconds(-5));
        EXPECT_TRUE(store->histories().empty());
        EXPECT_EQ(results().size(), 1u);

        // Written without the delay.
        store.saver->finishWrites();
        EXPECT_EQ(documentOnDisk(), store->document());
    }
}

} // namespace
} // namespace vell
