// Reordering several sheets at once, as the sidebar's list hands a move over.

#include "DocumentStoreFixture.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::DocumentStoreTest;
using testsupport::namesOf;
using testsupport::sheetId;

class DocumentStoreMoveSheetsTest : public DocumentStoreTest {
protected:
    // Sheets A B C D with the texts "1" to "4", B selected, all stamped an hour ago.
    OpenedDocument openABCD() {
        VellDocument document = sheetsWithTexts({"1", "2", "3", "4"});
        document.selectedSheetID = sheetId(2);
        writeDocument(document);
        clock.advance(3600);
        auto store = open();
        flushPendingSave(*store);
        return store;
    }
};

TEST_F(DocumentStoreMoveSheetsTest, MovesTheSheetsInTheirOrderToTheGapBeforeTheDestination) {
    struct Case {
        std::vector<std::size_t> offsets;
        std::size_t destination;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {{0}, 3, {"B", "C", "A", "D"}},
        {{3}, 1, {"A", "D", "B", "C"}},
        {{0, 2}, 4, {"B", "D", "A", "C"}},
        {{2, 0}, 4, {"B", "D", "A", "C"}},
        {{3, 1}, 0, {"B", "D", "A", "C"}},
        {{1, 2}, 2, {"A", "B", "C", "D"}},
        {{0}, 0, {"A", "B", "C", "D"}},
        {{0}, 1, {"A", "B", "C", "D"}},
        {{0, 1, 2, 3}, 2, {"A", "B", "C", "D"}},
        // Positions outside the list are passed over; a destination past the end is the end.
        {{1, 9}, 99, {"A", "C", "D", "B"}},
        {{}, 2, {"A", "B", "C", "D"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.offsets) + " to " + std::to_string(c.destination));
        auto store = openABCD();
        const std::vector<LineResult> shown = results();
        const std::vector<Sheet> before = store->sheets();
        QSignalSpy changes(store.get(), &DocumentStore::sheetListChanged);
        QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
        clock.advance(60);

        store->moveSheets(c.offsets, c.destination);

        EXPECT_EQ(namesOf(store->sheets()), c.names);
        EXPECT_EQ(store->document().sheetOrderUpdatedAt, clock());
        EXPECT_EQ(store->currentSheetID(), sheetId(2));
        EXPECT_EQ(results(), shown);
        EXPECT_EQ(evaluated.count(), 0);
        EXPECT_GE(changes.count(), 1);
        for (const Sheet& sheet : store->sheets())
            EXPECT_EQ(
                *store->sheet(sheet.id),
                *std::find_if(before.begin(), before.end(), [&](const Sheet& s) { return s.id == sheet.id; }))
                << "a sheet itself is not touched";
        ASSERT_TRUE(flushPendingSave(*store));
        EXPECT_EQ(namesOf(documentOnDisk().sheets), c.names);
    }
}

} // namespace
} // namespace vell
