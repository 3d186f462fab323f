#include "Document/VellDocument.h"
#include "DocumentTestSupport.h"

namespace vell {
namespace {

using namespace testsupport;
using namespace std::string_literals;

const Date cleanupDate = date("2024-06-01T12:00:00Z");

TEST(DuplicateCleanup, KeepsTheOldestThenTheSmallestIdAndTombstonesTheRest) {
    struct Case {
        const char* what;
        std::vector<Sheet> sheets;
        Uuid survivor;
    };
    const Case cases[] = {
        {"the oldest survives, not the newest",
         {sheet(1, "A", "x", at("10:00:00")), sheet(2, "A", "x", at("09:00:00")),
          sheet(3, "A", "x", at("09:00:00"))},
         uuid(2)},
        {"on equal dates the smaller id survives, wherever it stands",
         {sheet(9, "A", "x", at("09:00:00")), sheet(4, "A", "x", at("09:00:00")),
          sheet(7, "A", "x", at("10:00:00"))},
         uuid(4)},
        {"two empty sheets with one name are duplicates",
         {sheet(5, "A", "", at("09:00:00")), sheet(6, "A", "", at("09:00:00"))},
         uuid(5)},
        {"canonically equivalent names and texts are duplicates",
         {sheet(8, "caf\u00e9", "\u00e9", at("10:00:00")), sheet(2, "cafe\u0301", "e\u0301", at("11:00:00"))},
         uuid(8)},
    };
    for (const Case& c : cases) {
        VellDocument document = documentOf(c.sheets);
        const std::vector<Uuid> removed = document.removeDuplicateSheets(cleanupDate);
        EXPECT_EQ(idsOf(document), std::vector<Uuid>{c.survivor}) << c.what;
        std::vector<Uuid> expectedRemoved;
        for (const Sheet& sheet : c.sheets)
            if (sheet.id != c.survivor) expectedRemoved.push_back(sheet.id);
        EXPECT_EQ(removed, expectedRemoved) << c.what;
        EXPECT_EQ(document.deletedSheets.size(), expectedRemoved.size()) << c.what;
        for (const Uuid& id : expectedRemoved)
            EXPECT_EQ(document.deletedSheets[id.uuidString()], cleanupDate) << c.what;
    }
}

TEST(DuplicateCleanup, SheetsThatDifferInNameOrTextStay) {
    VellDocument document =
        documentOf({sheet(1, "A", "x", at("09:00:00")), sheet(2, "B", "x", at("09:00:00")),
                    sheet(3, "A", "y", at("09:00:00")), sheet(4, "A\0x"s, "", at("09:00:00")),
                    sheet(5, "A", "\0x"s, at("09:00:00"))},
                   uuid(99));
    const VellDocument before = document;
    EXPECT_TRUE(document.removeDuplicateSheets(cleanupDate).empty());
    EXPECT_EQ(document, before); // the selection that names no sheet is left alone too
}

TEST(DuplicateCleanup, EveryComputerKeepsTheSameSheetWhateverItHasSelected) {
    // Two computers merged each other's starter sheets; each shows its own copy.
    const std::vector<Sheet> sheets = {sheet(1, "Units", "u", at("09:00:05")),
                                       sheet(2, "Units", "u", at("09:00:01")),
                                       sheet(3, "Other", "o", at("09:00:00"))};
    VellDocument first = documentOf(sheets, uuid(1));
    VellDocument second = documentOf(sheets, uuid(2));
    EXPECT_EQ(first.removeDuplicateSheets(cleanupDate), std::vector<Uuid>{uuid(1)});
    EXPECT_EQ(second.removeDuplicateSheets(cleanupDate), std::vector<Uuid>{uuid(1)});
    EXPECT_EQ(first, second);
    // The computer whose selected sheet went keeps seeing the same name and text.
    EXPECT_EQ(first.selectedSheetID, uuid(2));

    // When the two results meet, the survivor lives on.
    const VellDocument met = first.merged(second, cleanupDate).merged(documentOf(sheets), cleanupDate);
    EXPECT_EQ(idsOf(met), (std::vector<Uuid>{uuid(2), uuid(3)}));
}

TEST(DuplicateCleanup, TwoSheetsWithOneIdLoseOnlyTheCopyAndNoTombstone) {
    VellDocument document =
        documentOf({sheet(1, "A", "x", at("09:00:00")), sheet(1, "A", "x", at("09:00:00"))}, uuid(1));
    const std::vector<Uuid> removed = document.removeDuplicateSheets(cleanupDate);
    EXPECT_EQ(removed, std::vector<Uuid>{uuid(1)}); // something was removed: the caller saves
    ASSERT_EQ(document.sheets.size(), 1u);
    EXPECT_EQ(document.sheets[0].id, uuid(1));
    EXPECT_TRUE(document.deletedSheets.empty());
    EXPECT_EQ(document.selectedSheetID, uuid(1));

    // Nothing deletes the sheet on another copy either.
    const VellDocument other = documentOf({sheet(1, "A", "x", at("09:00:00"))});
    EXPECT_EQ(idsOf(other.merged(document, cleanupDate)), std::vector<Uuid>{uuid(1)});
}

TEST(DuplicateCleanup, AnIdStillCarriedByAnotherSheetGetsNoTombstone) {
    // Sheet 5 is a duplicate of sheet 2 and goes; another sheet with id 5 and other content stays.
    VellDocument document =
        documentOf({sheet(2, "A", "x", at("08:00:00")), sheet(5, "A", "x", at("09:00:00")),
                    sheet(5, "B", "y", at("09:00:00"))},
                   uuid(5));
    EXPECT_EQ(document.removeDuplicateSheets(cleanupDate), std::vector<Uuid>{uuid(5)});
    EXPECT_EQ(idsOf(document), (std::vector<Uuid>{uuid(2), uuid(5)}));
    EXPECT_EQ(document.sheets[1].name, "B");
    EXPECT_TRUE(document.deletedSheets.empty());
    EXPECT_EQ(document.selectedSheetID, uuid(5));
}

TEST(DuplicateCleanup, ARemovedSheetsOldTombstoneIsRenewed) {
    VellDocument document =
        documentOf({sheet(1, "A", "x", at("09:00:00")), sheet(2, "A", "x", at("10:00:00"))});
    document.deletedSheets[uuid(2).uuidString()] = date("2024-01-01T00:00:00Z");
    document.deletedSheets["not-an-id"] = date("2024-01-01T00:00:00Z");
    document.removeDuplicateSheets(cleanupDate);
    EXPECT_EQ(document.deletedSheets[uuid(2).uuidString()], cleanupDate);
    EXPECT_EQ(document.deletedSheets["not-an-id"], date("2024-01-01T00:00:00Z"));
}

// A removed sheet dated ahead of the clock would outlive a tombstone dated cleanupDate on the other
// computers.
TEST(DuplicateCleanup, ATombstoneIsNewerThanTheSheetItRemoves) {
    const Date future = date("2099-01-01T00:00:00Z");
    VellDocument document = documentOf({sheet(1, "A", "x", at("09:00:00")), sheet(2, "A", "x", future)});
    document.removeDuplicateSheets(cleanupDate);
    EXPECT_EQ(document.deletedSheets.at(uuid(2).uuidString()), future.addingSeconds(1));
}

// An id repeated with another name or text is two sheets; the later one gets a fresh id. An exact copy
// stays for the duplicate clean-up.
TEST(DuplicateCleanup, AnIdRepeatedWithOtherContentIsMadeUnique) {
    VellDocument document =
        documentOf({sheet(1, "A", "x", at("09:00:00")), sheet(1, "A", "y", at("09:00:00")),
                    sheet(1, "A", "x", at("10:00:00")), sheet(2, "B", "", at("09:00:00"))},
                   uuid(1));
    const auto renewed = document.separateRepeatedIds();
    ASSERT_EQ(renewed.size(), 1u);
    EXPECT_EQ(renewed[0].first, uuid(1));
    EXPECT_EQ(document.sheets[1].id, renewed[0].second);
    EXPECT_NE(renewed[0].second, uuid(1));
    EXPECT_NE(renewed[0].second, uuid(2));
    EXPECT_EQ(document.sheets[0].id, uuid(1));
    EXPECT_EQ(document.sheets[2].id, uuid(1)) << "an exact copy keeps its id";
    EXPECT_EQ(document.selectedSheetID, uuid(1));
    EXPECT_TRUE(document.separateRepeatedIds().empty()) << "nothing left to separate";

    document.removeDuplicateSheets(cleanupDate);
    EXPECT_EQ(document.sheets.size(), 3u);
}

} // namespace
} // namespace vell
