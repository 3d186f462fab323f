#include "Document/VellDocument.h"
#include "DocumentTestSupport.h"

namespace vell {
namespace {

using namespace testsupport;
using testsupport::EngineSettingsScope;

const Date now = date("2024-06-01T12:00:00Z");

std::vector<Uuid> ids(std::initializer_list<int> numbers) {
    std::vector<Uuid> out;
    for (int number : numbers)
        out.push_back(uuid(static_cast<std::uint8_t>(number)));
    return out;
}

// Within one second (the file keeps no more) the version whose encoding sorts later wins, on both sides,
// so that two computers settle a tie the same way.
TEST(DocumentMerge, TheNewerVersionWinsAtTheOrderSidesPlaceAndATieSettlesTheSameEverywhere) {
    struct Case {
        Date ours;
        Date theirs;
        const char* winner;
    };
    const Case cases[] = {
        {at("10:00:00"), at("11:00:00"), "theirs"},
        {at("11:00:00"), at("10:00:00"), "ours"},
        {at("10:00:00"), at("10:00:00"), "theirs"},
        {at("10:00:00").addingMicroseconds(1), at("10:00:00"), "theirs"},
        {at("10:00:00"), at("10:00:00").addingMicroseconds(1), "theirs"},
    };
    for (const Case& c : cases) {
        const VellDocument a =
            documentOf({sheet(1, "One", "", at("08:00:00")), sheet(2, "Two", "ours", c.ours)});
        const VellDocument b =
            documentOf({sheet(2, "Two", "theirs", c.theirs), sheet(1, "One", "", at("08:00:00"))});
        const VellDocument result = a.merged(b, now);
        EXPECT_EQ(idsOf(result), ids({1, 2}));
        EXPECT_EQ(result.sheets[1].text, c.winner);
        EXPECT_EQ(b.merged(a, now).sheets[0].text, c.winner) << "the other side keeps the same version";
    }
}

TEST(DocumentMerge, OrderComesFromTheCopyThatMovedASheetLast) {
    const VellDocument a = documentOf({sheet(1, "1", "", at("08:00:00")), sheet(2, "2", "", at("08:00:00")),
                                       sheet(3, "3", "", at("08:00:00"))});
    const VellDocument b = documentOf({sheet(3, "3", "", at("08:00:00")), sheet(1, "1", "", at("08:00:00")),
                                       sheet(4, "4", "", at("08:00:00"))});
    struct Case {
        std::optional<Date> ours;
        std::optional<Date> theirs;
        std::vector<Uuid> order;
        std::optional<Date> orderDate;
    };
    const Case cases[] = {
        {std::nullopt, at("09:00:00"), ids({3, 1, 4, 2}), at("09:00:00")},
        {at("08:00:00"), at("09:00:00"), ids({3, 1, 4, 2}), at("09:00:00")},
        {at("09:00:00"), at("08:00:00"), ids({1, 2, 3, 4}), at("09:00:00")},
        // Moved within the same second: the later list of ids, on both sides.
        {at("09:00:00"), at("09:00:00"), ids({3, 1, 4, 2}), at("09:00:00")},
        {std::nullopt, std::nullopt, ids({1, 2, 3, 4}), std::nullopt},
    };
    for (const Case& c : cases) {
        VellDocument ours = a, theirs = b;
        ours.sheetOrderUpdatedAt = c.ours;
        theirs.sheetOrderUpdatedAt = c.theirs;
        const VellDocument result = ours.merged(theirs, now);
        EXPECT_EQ(idsOf(result), c.order);
        EXPECT_EQ(result.sheetOrderUpdatedAt, c.orderDate);
        if (c.ours && c.ours == c.theirs) {
            EXPECT_EQ(idsOf(theirs.merged(ours, now)), c.order);
        }
    }
}

TEST(DocumentMerge, TombstonesWinUnlessTheSheetChangedAfterwards) {
    struct Case {
        Date changedOnTheirs;
        bool survives;
    };
    const Case cases[] = {
        {at("11:00:00"), false},
        {at("12:00:00"), false}, // a tombstone at the same moment wins
        {at("13:00:00"), true},
    };
    for (const Case& c : cases) {
        VellDocument a = documentOf({sheet(1, "Kept", "", at("08:00:00"))});
        a.deletedSheets[uuid(2).uuidString()] = at("12:00:00");
        const VellDocument b =
            documentOf({sheet(1, "Kept", "", at("08:00:00")), sheet(2, "Gone?", "", c.changedOnTheirs)});
        for (const VellDocument& result : {a.merged(b, now), b.merged(a, now)}) {
            EXPECT_EQ(idsOf(result), c.survives ? ids({1, 2}) : ids({1}));
            EXPECT_EQ(result.deletedSheets.contains(uuid(2).uuidString()), !c.survives);
        }
    }
}

TEST(DocumentMerge, TombstonesJoinKeepingTheLaterDate) {
    VellDocument a = documentOf({sheet(1, "A", "", at("08:00:00"))});
    VellDocument b = a;
    a.deletedSheets = {{uuid(2).uuidString(), at("09:00:00")}, {uuid(3).uuidString(), at("10:00:00")}};
    b.deletedSheets = {{uuid(2).uuidString(), at("11:00:00")}, {uuid(4).uuidString(), at("07:00:00")}};
    const VellDocument result = a.merged(b, now);
    EXPECT_EQ(result.deletedSheets, (std::map<std::string, Date>{{uuid(2).uuidString(), at("11:00:00")},
                                                                 {uuid(3).uuidString(), at("10:00:00")},
                                                                 {uuid(4).uuidString(), at("07:00:00")}}));
}

TEST(DocumentMerge, ARevivedSheetLosesItsTombstoneInWhateverCaseItsKeyIsWritten) {
    VellDocument a = documentOf({sheet(1, "A", "", at("08:00:00"))});
    const std::string lower = "00000000-0000-0000-0000-00000000000a";
    a.deletedSheets[lower] = at("09:00:00");
    const VellDocument b = documentOf({sheet(10, "Revived", "", at("10:00:00"))});
    const VellDocument result = a.merged(b, now);
    EXPECT_EQ(idsOf(result), ids({1, 10}));
    EXPECT_TRUE(result.deletedSheets.empty());
}

TEST(DocumentMerge, TombstonesExpireAfterSixtyDays) {
    const Date limit = now.addingSeconds(-5'184'000);
    VellDocument a = documentOf({sheet(1, "A", "", at("08:00:00"))});
    a.deletedSheets = {
        {uuid(2).uuidString(), limit},
        {uuid(3).uuidString(), limit.addingSeconds(1)},
        {"not a uuid (old)", limit.addingSeconds(-1)},
        {"not a uuid (young)", limit.addingSeconds(1)},
    };
    const VellDocument result = a.merged(documentOf({}), now);
    EXPECT_EQ(result.deletedSheets,
              (std::map<std::string, Date>{{uuid(3).uuidString(), limit.addingSeconds(1)},
                                           {"not a uuid (young)", limit.addingSeconds(1)}}));
}

TEST(DocumentMerge, KeypadLayoutsComeFromTheCopyThatChangedThemLast) {
    const KeyLayouts ours = {{"units", {{"length", {"m"}}}}};
    const KeyLayouts theirs = {{"units", {{"length", {"km"}}}}};
    struct Case {
        std::optional<Date> ourDate;
        std::optional<Date> theirDate;
        bool takesTheirs;
    };
    const Case cases[] = {
        {at("09:00:00"), at("10:00:00"), true},  {std::nullopt, at("10:00:00"), true},
        {at("10:00:00"), at("09:00:00"), false}, {at("10:00:00"), at("10:00:00"), false},
        {std::nullopt, std::nullopt, false},     {at("10:00:00"), std::nullopt, false},
    };
    for (const Case& c : cases) {
        VellDocument a = documentOf({sheet(1, "A", "", at("08:00:00"))});
        VellDocument b = a;
        a.keyLayouts = ours;
        a.keyLayoutsUpdatedAt = c.ourDate;
        b.keyLayouts = theirs;
        b.keyLayoutsUpdatedAt = c.theirDate;
        const VellDocument result = a.merged(b, now);
        EXPECT_EQ(result.keyLayouts, c.takesTheirs ? theirs : ours);
        EXPECT_EQ(result.keyLayoutsUpdatedAt, c.takesTheirs ? c.theirDate : c.ourDate);
        // A tie settles on the same layouts from either side.
        if (c.ourDate == c.theirDate) {
            EXPECT_EQ(b.merged(a, now).keyLayouts, ours);
        }
    }
}

TEST(DocumentMerge, TwoEmptyCopiesGiveOneNewSelectedSheet) {
    EngineSettingsScope scope;
    for (const auto& [language, name] :
         {std::pair{AppLanguage::japanese, "新しいシート"}, std::pair{AppLanguage::english, "New Sheet"}}) {
        scope.setLanguage(language);
        const VellDocument result = documentOf({}, uuid(1)).merged(documentOf({}), now);
        ASSERT_EQ(result.sheets.size(), 1u);
        EXPECT_EQ(result.sheets[0].name, name);
        EXPECT_EQ(result.sheets[0].text, "");
        EXPECT_EQ(result.sheets[0].updatedAt, now);
        EXPECT_TRUE(result.sheets[0].lockedLines.empty());
        EXPECT_EQ(result.selectedSheetID, result.sheets[0].id);
    }
}

TEST(DocumentMerge, SelectionComesFromThisCopyAndFallsBackToTheFirstSheet) {
    VellDocument a =
        documentOf({sheet(1, "A", "", at("08:00:00")), sheet(2, "B", "", at("08:00:00"))}, uuid(2));
    const VellDocument b =
        documentOf({sheet(1, "A", "", at("08:00:00")), sheet(2, "B", "", at("08:00:00"))}, uuid(1));
    EXPECT_EQ(a.merged(b, now).selectedSheetID, uuid(2));
    EXPECT_EQ(b.merged(a, now).selectedSheetID, uuid(1));

    VellDocument deletedThere = b;
    deletedThere.deletedSheets[uuid(2).uuidString()] = at("09:00:00");
    EXPECT_EQ(a.merged(deletedThere, now).selectedSheetID, uuid(1));

    a.selectedSheetID.reset();
    EXPECT_EQ(a.merged(b, now).selectedSheetID, uuid(1));
}

TEST(DocumentMerge, ADocumentMergedWithItselfOnlyLosesExpiredTombstones) {
    VellDocument document =
        documentOf({sheet(3, "C", "c", at("08:00:00"), {0}), sheet(1, "A", "a", at("09:00:00"))}, uuid(1));
    document.keyLayouts = {{"functions", {{"trig", {"sin", "blank:X"}}}}};
    document.keyLayoutsUpdatedAt = at("07:00:00");
    document.sheetOrderUpdatedAt = at("07:30:00");
    document.deletedSheets = {{uuid(7).uuidString(), date("2024-01-01T00:00:00Z")},
                              {uuid(8).uuidString(), date("2024-05-31T00:00:00Z")}};
    VellDocument expected = document;
    expected.deletedSheets.erase(uuid(7).uuidString());
    EXPECT_EQ(document.merged(document, now), expected);
}

TEST(DocumentMerge, AnIdRepeatedInOneCopyIsListedOnceAtItsFirstPlace) {
    const VellDocument a =
        documentOf({sheet(1, "A", "first", at("08:00:00")), sheet(2, "B", "", at("08:00:00")),
                    sheet(1, "A", "newer", at("09:00:00"))});
    const VellDocument b =
        documentOf({sheet(3, "C", "", at("08:00:00")), sheet(3, "C", "same age", at("08:00:00"))});
    const VellDocument result = a.merged(b, now);
    EXPECT_EQ(idsOf(result), ids({1, 2, 3}));
    EXPECT_EQ(result.sheets[0].text, "newer");
    EXPECT_EQ(result.sheets[2].text, "same age") << "a tie goes to the later encoding";
}

TEST(DocumentMerge, LeavesBothCopiesAsTheyWere) {
    VellDocument a = documentOf({sheet(1, "A", "", at("08:00:00"))});
    a.deletedSheets[uuid(9).uuidString()] = date("2020-01-01T00:00:00Z");
    const VellDocument b = documentOf({sheet(2, "B", "", at("08:00:00"))});
    const VellDocument aBefore = a, bBefore = b;
    (void)a.merged(b, now);
    EXPECT_EQ(a, aBefore);
    EXPECT_EQ(b, bBefore);
}

} // namespace
} // namespace vell
