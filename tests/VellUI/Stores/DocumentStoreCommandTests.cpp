// The sheet commands of the document store: select, add, rename, delete, duplicate and move.

#include "DocumentStoreFixture.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::DocumentStoreTest;
using testsupport::makeSheet;
using testsupport::namesOf;
using testsupport::sheetId;

class DocumentStoreCommandTest : public DocumentStoreTest {
protected:
    // Sheets A, B, C ... with the texts "1", "2", "3" ..., A selected, all stamped an hour ago.
    OpenedDocument openWith(std::size_t count) {
        std::vector<std::string> texts;
        for (std::size_t i = 1; i <= count; ++i)
            texts.push_back(std::string(1, static_cast<char>('0' + i)));
        VellDocument document = sheetsWithTexts(texts);
        for (Sheet& sheet : document.sheets)
            sheet.updatedAt = stamped;
        writeDocument(document);
        clock.advance(3600);
        return open();
    }

    // True when the command left the document as it was and asked for no save.
    bool leftAlone(OpenedDocument& document, const VellDocument& before) {
        return !flushPendingSave(document) && document->document() == before;
    }

    const Date stamped = clock();
};

TEST_F(DocumentStoreCommandTest, SelectingASheetEvaluatesItAndSavesTheSelection) {
    auto store = openWith(3);
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
    store->setText(*store->currentSheetID(), "1 + 1");
    store->undo(*store->currentSheetID()); // A can redo now
    EXPECT_TRUE(store->canRedo(*store->currentSheetID()));

    store->setCurrentSheetID(sheetId(3));
    EXPECT_EQ(store->currentSheetID(), sheetId(3));
    EXPECT_EQ(results().front().outcome.debugDescription(), "value 3");
    EXPECT_FALSE(store->canRedo(*store->currentSheetID())) << "the flags describe the newly selected sheet";
    EXPECT_TRUE(store->histories().contains(sheetId(3)));
    ASSERT_TRUE(flushPendingSave(*store));
    EXPECT_EQ(documentOnDisk().selectedSheetID, sheetId(3));

    const int counted = evaluated.count();
    const VellDocument before = store->document();
    for (const std::optional<Uuid>& id :
         {std::optional<Uuid>(), std::optional(sheetId(3)), std::optional(sheetId(9))}) {
        store->setCurrentSheetID(id);
        EXPECT_TRUE(leftAlone(*store, before));
    }
    EXPECT_EQ(evaluated.count(), counted);
}

TEST_F(DocumentStoreCommandTest, AddingAppendsANumberedEmptySheetAndSelectsIt) {
    for (const auto& [language, name] :
         {std::pair{AppLanguage::english, "Sheet 4"}, {AppLanguage::japanese, "シート 4"}}) {
        scope.setLanguage(language);
        auto store = openWith(3);
        store->addSheet();
        ASSERT_EQ(store->sheets().size(), 4u);
        const Sheet& added = store->sheets().back();
        EXPECT_EQ(added.name, name);
        EXPECT_EQ(added.text, "");
        EXPECT_EQ(added.updatedAt, clock());
        EXPECT_EQ(store->currentSheetID(), added.id);
        EXPECT_EQ(results().size(), 1u);
        EXPECT_TRUE(store->histories().contains(added.id));
        // A new place in the order: another computer's order without it must not win over it.
        EXPECT_EQ(store->document().sheetOrderUpdatedAt, clock());
        ASSERT_TRUE(flushPendingSave(*store));
        EXPECT_EQ(documentOnDisk().sheets.size(), 4u);
    }
}

TEST_F(DocumentStoreCommandTest, NumbersOfNewSheetsFollowTheCountNotTheNames) {
    auto store = openWith(3);
    store->deleteSheet(sheetId(2));
    store->addSheet();
    EXPECT_EQ(namesOf(store->sheets()), (std::vector<std::string>{"A", "C", "Sheet 3"}));
}

TEST_F(DocumentStoreCommandTest, RenamingStoresTheNameAsGivenAndStampsTheSheet) {
    auto store = openWith(2);
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
    for (const std::string name : {" Budget ", ""}) {
        clock.advance(5);
        store->renameSheet(sheetId(2), name);
        EXPECT_EQ(store->sheets()[1].name, name);
        EXPECT_EQ(store->sheets()[1].updatedAt, clock());
    }
    EXPECT_EQ(evaluated.count(), 0) << "renaming evaluates nothing";
    ASSERT_TRUE(flushPendingSave(*store));
    EXPECT_EQ(documentOnDisk().sheets[1].name, "");

    const VellDocument before = store->document();
    store->renameSheet(sheetId(9), "X");
    EXPECT_TRUE(leftAlone(*store, before));
}

TEST_F(DocumentStoreCommandTest, DeletingRemovesTheSheetWithATombstoneAndMovesTheSelection) {
    struct Case {
        const char* what;
        Uuid selected;
        Uuid deleted;
        std::vector<std::string> names;
        Uuid selectedAfter;
    };
    const Case cases[] = {
        {"the selected first sheet hands over to the next", sheetId(1), sheetId(1), {"B", "C"}, sheetId(2)},
        {"the selected middle sheet hands over to the one before",
         sheetId(2),
         sheetId(2),
         {"A", "C"},
         sheetId(1)},
        {"an unselected sheet keeps the selection", sheetId(3), sheetId(1), {"B", "C"}, sheetId(3)},
    };
    for (const Case& c : cases) {
        auto store = openWith(3);
        store->setCurrentSheetID(c.selected);
        store->setText(*store->currentSheetID(), "9");
        clock.advance(5);
        store->deleteSheet(c.deleted);
        EXPECT_EQ(namesOf(store->sheets()), c.names) << c.what;
        EXPECT_EQ(store->currentSheetID(), c.selectedAfter) << c.what;
        EXPECT_FALSE(store->histories().contains(c.deleted)) << c.what;
        EXPECT_TRUE(store->histories().contains(c.selectedAfter)) << c.what;
        EXPECT_EQ(store->document().deletedSheets.at(c.deleted.uuidString()), clock()) << c.what;
        EXPECT_EQ(store->canUndo(*store->currentSheetID()), c.selected != c.deleted) << c.what;
        ASSERT_TRUE(flushPendingSave(*store));
        EXPECT_EQ(documentOnDisk().deletedSheets.count(c.deleted.uuidString()), 1u) << c.what;
    }
}

TEST_F(DocumentStoreCommandTest, DeletingTheLastSheetOrAnUnknownOneDoesNothing) {
    {
        auto store = openWith(1);
        const VellDocument before = store->document();
        store->deleteSheet(sheetId(1));
        EXPECT_TRUE(leftAlone(*store, before));
    }
    auto store = openWith(2);
    const VellDocument before = store->document();
    store->deleteSheet(sheetId(9));
    EXPECT_TRUE(leftAlone(*store, before));
}

TEST_F(DocumentStoreCommandTest, DuplicatingInsertsACopyAfterTheSheetWithNothingToUndo) {
    VellDocument document =
        documentOf({makeSheet(1, "A", "1", stamped), makeSheet(2, "Rent", "5\n6", stamped, {1}),
                    makeSheet(3, "C", "3", stamped)});
    writeDocument(document);
    auto store = open();
    store->setCurrentSheetID(sheetId(2));
    store->setText(*store->currentSheetID(), "5\n6\n7");
    EXPECT_TRUE(store->canUndo(*store->currentSheetID()));

    scope.setLanguage(AppLanguage::japanese);
    store->duplicateSheet(sheetId(2));
    ASSERT_EQ(store->sheets().size(), 4u);
    const Sheet& copy = store->sheets()[2];
    EXPECT_EQ(namesOf(store->sheets()), (std::vector<std::string>{"A", "Rent", "Rent のコピー", "C"}));
    EXPECT_NE(copy.id, sheetId(2));
    EXPECT_EQ(copy.text, "5\n6\n7");
    EXPECT_EQ(copy.lockedLines, (std::vector<std::int64_t>{1}));
    EXPECT_EQ(copy.updatedAt, clock());
    EXPECT_EQ(store->currentSheetID(), copy.id);
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
    EXPECT_EQ(results().size(), 3u);

    scope.setLanguage(AppLanguage::english);
    store->duplicateSheet(sheetId(1));
    EXPECT_EQ(store->sheets()[1].name, "A Copy");

    const VellDocument before = store->document();
    ASSERT_TRUE(flushPendingSave(*store));
    store->duplicateSheet(sheetId(9));
    EXPECT_TRUE(leftAlone(*store, before));
}

TEST_F(DocumentStoreCommandTest, MovingOntoAnotherSheetTakesItsPlace) {
    struct Case {
        std::uint8_t moved;
        std::uint8_t onto;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {1, 3, {"B", "C", "A", "D"}},
        {4, 2, {"A", "D", "B", "C"}},
        {2, 1, {"B", "A", "C", "D"}},
    };
    for (const Case& c : cases) {
        auto store = openWith(4);
        const std::vector<LineResult> shown = results();
        store->moveSheet(sheetId(c.moved), sheetId(c.onto));
        EXPECT_EQ(namesOf(store->sheets()), c.names) << int(c.moved) << " onto " << int(c.onto);
        EXPECT_EQ(store->document().sheetOrderUpdatedAt, clock());
        EXPECT_EQ(store->currentSheetID(), sheetId(1));
        EXPECT_EQ(store->sheets()[0].updatedAt, stamped) << "moving stamps no sheet";
        EXPECT_EQ(results(), shown);
        ASSERT_TRUE(flushPendingSave(*store));
        EXPECT_EQ(namesOf(documentOnDisk().sheets), c.names);
    }
    auto store = openWith(4);
    const VellDocument before = store->document();
    for (const auto& [moved, onto] : {std::pair{2, 2}, {2, 9}, {9, 2}}) {
        store->moveSheet(sheetId(static_cast<std::uint8_t>(moved)), sheetId(static_cast<std::uint8_t>(onto)));
        EXPECT_TRUE(leftAlone(*store, before)) << moved << " onto " << onto;
    }
}

TEST_F(DocumentStoreCommandTest, MovingByAnOffsetExchangesTwoSheets) {
    struct Case {
        std::uint8_t moved;
        std::int64_t by;
        std::vector<std::string> names; // empty: nothing happens
    };
    const Case cases[] = {
        {1, 1, {"B", "A", "C", "D"}},
        {3, -1, {"A", "C", "B", "D"}},
        {1, 2, {"C", "B", "A", "D"}},
        {1, -1, {}},
        {4, 1, {}},
        {2, 3, {}},
        {2, -2, {}},
        {2, INT64_MAX, {}},
        {2, INT64_MIN, {}},
        {9, 1, {}},
    };
    for (const Case& c : cases) {
        auto store = openWith(4);
        const VellDocument before = store->document();
        store->moveSheet(sheetId(c.moved), c.by);
        if (c.names.empty()) {
            EXPECT_TRUE(leftAlone(*store, before)) << int(c.moved) << " by " << c.by;
            continue;
        }
        EXPECT_EQ(namesOf(store->sheets()), c.names) << int(c.moved) << " by " << c.by;
        EXPECT_EQ(store->document().sheetOrderUpdatedAt, clock());
        ASSERT_TRUE(flushPendingSave(*store));
    }
}

} // namespace
} // namespace vell
