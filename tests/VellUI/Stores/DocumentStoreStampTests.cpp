// The dates the store's commands stamp never go backwards, whatever this computer's clock says: a sheet,
// a deletion or the order dated ahead of the clock (by another computer, or an earlier change within the
// same second) is stamped at least a second later.

#include "DocumentStoreFixture.h"

#include <functional>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::DocumentStoreTest;
using testsupport::makeSheet;
using testsupport::sheetId;

TEST_F(DocumentStoreTest, StampsAreAtLeastASecondAfterWhatTheyReplace) {
    const Date future = Date::fromCivil(2099, 1, 1);
    const Date next = future.addingSeconds(1);
    struct Case {
        const char* what;
        std::function<void(DocumentStore&)> command;
        std::function<Date(const DocumentStore&)> stamp;
    };
    const auto dateOf = [](std::uint8_t number) {
        return [number](const DocumentStore& store) { return store.sheet(sheetId(number))->updatedAt; };
    };
    const auto tombstoneOf = [](std::uint8_t number) {
        return [number](const DocumentStore& store) {
            return store.document().deletedSheets.at(sheetId(number).uuidString());
        };
    };
    const auto orderDate = [](const DocumentStore& store) { return *store.document().sheetOrderUpdatedAt; };
    const Case cases[] = {
        {"typing", [](DocumentStore& store) { store.setText(*store.currentSheetID(), "2"); }, dateOf(1)},
        {"a lock", [](DocumentStore& store) { store.toggleLock(*store.currentSheetID(), 0); }, dateOf(1)},
        {"renaming", [](DocumentStore& store) { store.renameSheet(sheetId(2), "C"); }, dateOf(2)},
        {"clearing",
         [](DocumentStore& store) {
             store.requestClearSheet(*store.currentSheetID());
             store.confirmClearSheet();
         },
         dateOf(1)},
        {"deleting", [](DocumentStore& store) { store.deleteSheet(sheetId(2)); }, tombstoneOf(2)},
        {"erasing all", [](DocumentStore& store) { store.clearAllContent(); }, tombstoneOf(1)},
        {"moving onto", [](DocumentStore& store) { store.moveSheet(sheetId(1), sheetId(2)); }, orderDate},
        {"moving by", [](DocumentStore& store) { store.moveSheet(sheetId(2), std::int64_t{-1}); }, orderDate},
        {"moving several", [](DocumentStore& store) { store.moveSheets(std::vector<std::size_t>{0}, 2); },
         orderDate},
        {"adding", [](DocumentStore& store) { store.addSheet(); }, orderDate},
        {"duplicating", [](DocumentStore& store) { store.duplicateSheet(sheetId(2)); }, orderDate},
    };
    for (const Case& c : cases) {
        VellDocument file = documentOf({makeSheet(1, "A", "1", future), makeSheet(2, "B", "", future)});
        file.sheetOrderUpdatedAt = future;
        writeDocument(file);
        auto store = open();
        c.command(*store);
        EXPECT_EQ(c.stamp(*store), next) << c.what;
    }

    // Undo and redo are changes too; each is newer than the last.
    writeDocument(documentOf({makeSheet(1, "A", "1", future)}));
    auto store = open();
    store->setText(*store->currentSheetID(), "12");
    store->undo(*store->currentSheetID());
    EXPECT_EQ(store->currentSheet().updatedAt, future.addingSeconds(2));
    store->redo(*store->currentSheetID());
    EXPECT_EQ(store->currentSheet().updatedAt, future.addingSeconds(3));

    // A clock that runs ahead of the dates stamps its own time.
    clock.advance(90);
    writeDocument(documentOf({makeSheet(1, "A", "1", clock().addingSeconds(-60))}));
    auto onTime = open();
    onTime->setText(sheetId(1), "2");
    EXPECT_EQ(onTime->currentSheet().updatedAt, clock());
}

} // namespace
} // namespace vell
