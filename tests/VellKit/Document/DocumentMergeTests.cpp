#include "Document/CopyFold.h"
#include "Document/VellDocument.h"
#include "DocumentTestSupport.h"

#include <algorithm>
#include <array>

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

std::vector<std::string> namesOf(const VellDocument& document) {
    std::vector<std::string> names;
    for (const Sheet& sheet : document.sheets)
        names.push_back(sheet.name);
    return names;
}

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
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
        // Neither order was ever moved: both sides settle on the later list of ids, b's.
        const VellDocument result = a.merged(b, now);
        EXPECT_EQ(idsOf(result), ids({2, 1}));
        EXPECT_EQ(result.sheets[0].text, c.winner);
        EXPECT_EQ(b.merged(a, now), result) << "the other side keeps the same version";
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
        // Moved within the same second, or never: the later list of ids, on both sides.
        {at("09:00:00"), at("09:00:00"), ids({3, 1, 4, 2}), at("09:00:00")},
        {at("09:00:00").addingMicroseconds(1), at("09:00:00"), ids({3, 1, 4, 2}),
         at("09:00:00").addingMicroseconds(1)},
        {std::nullopt, std::nullopt, ids({3, 1, 4, 2}), std::nullopt},
    };
    for (const Case& c : cases) {
        VellDocument ours = a, theirs = b;
        ours.sheetOrderUpdatedAt = c.ours;
        theirs.sheetOrderUpdatedAt = c.theirs;
        const VellDocument result = ours.merged(theirs, now);
        EXPECT_EQ(idsOf(result), c.order);
        EXPECT_EQ(result.sheetOrderUpdatedAt, c.orderDate);
        EXPECT_EQ(idsOf(theirs.merged(ours, now)), c.order) << "the same from the other side";
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
    EXPECT_EQ(idsOf(result), ids({10, 1}));
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

// A sheet both copies changed since the base: the losing version is kept as a sheet of its own right
// after the winner when it holds something the winner does not, and only then.
TEST(DocumentMergeKeepingConflicts, ALosingVersionWithTextOfItsOwnIsKeptRightAfterTheWinner) {
    EngineSettingsScope scope(AppLanguage::english);
    const Sheet base = sheet(1, "Rent", "1200\n300", at("09:00:00"));
    struct Case {
        const char* what;
        Sheet ours; // loses: older, or within one second the earlier encoding
        Sheet theirs;
        bool baseKnown;
        bool kept;
    };
    const auto version = [](std::string name, std::string text, Date date) {
        return sheet(1, std::move(name), std::move(text), date);
    };
    const Case cases[] = {
        {"both added a line", version("Rent", "1200\n300\nours", at("10:00:00")),
         version("Rent", "1200\n300\ntheirs", at("11:00:00")), true, true},
        {"ours unchanged since the base", base, version("Rent", "1250", at("11:00:00")), true, false},
        {"ours changed a line, no base", version("Rent", "1250\n300", at("10:00:00")),
         version("Rent", "1200\n300\ntheirs", at("11:00:00")), false, true},
        {"all of ours is in theirs, no base", version("Rent", "1200\n300", at("10:00:00")),
         version("Rent", "1200\n300\ntheirs", at("11:00:00")), false, false},
        {"all of ours is in theirs", version("Rent", "1200\n300\nours", at("10:00:00")),
         version("Rent", "1200\n300\nours\nmore", at("11:00:00")), true, false},
        {"ours emptied the sheet", version("Rent", "", at("10:00:00")),
         version("Rent", "1250", at("11:00:00")), true, false},
        {"the same text on both", version("Rent", "1250", at("10:00:00")),
         version("Rent", "1250", at("11:00:00")), true, false},
        {"ours renamed it only", version("Housing", "1200\n300", at("10:00:00")),
         version("Rent", "1250\n300", at("11:00:00")), true, true},
        {"ours renamed it as theirs did", version("Housing", "1200\n300", at("10:00:00")),
         version("Housing", "1250\n300", at("11:00:00")), true, false},
        {"within one second", version("Rent", "1200\n300\nours", at("11:00:00")),
         version("Rent", "1200\n300\ntheirs", at("11:00:00").addingMicroseconds(5)), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const VellDocument ours = documentOf({c.ours, sheet(2, "Food", "", at("08:00:00"))}, uuid(1));
        const VellDocument theirs = documentOf({c.theirs, sheet(2, "Food", "", at("08:00:00"))}, uuid(1));
        const VellDocument agreed = documentOf({base, sheet(2, "Food", "", at("08:00:00"))});
        const std::vector<const VellDocument*> known =
            c.baseKnown ? std::vector<const VellDocument*>{&agreed} : std::vector<const VellDocument*>{};
        std::vector<ConflictingCopy> conflicts;
        const VellDocument result = ours.mergedKeepingConflicts(theirs, known, now, &conflicts);
        EXPECT_EQ(theirs.mergedKeepingConflicts(ours, known, now), result) << "the same from either side";
        const Sheet& winner = c.theirs;
        const Sheet& loser = c.ours;
        EXPECT_EQ(result.sheets[0], winner);
        ASSERT_EQ(result.sheets.size(), c.kept ? 3u : 2u);
        ASSERT_EQ(conflicts.size(), c.kept ? 1u : 0u);
        if (!c.kept) continue;
        const Sheet& copy = result.sheets[1];
        EXPECT_EQ(copy.name, loser.name + " (conflicting copy)");
        EXPECT_EQ(copy.text, loser.text);
        EXPECT_EQ(copy.updatedAt, loser.updatedAt);
        EXPECT_NE(copy.id, uuid(1));
        EXPECT_EQ(conflicts[0], (ConflictingCopy{uuid(1), winner.name, copy.id, copy.name}));
    }
}

// Two computers that meet the same two versions make the same copy, and it is made once: merging again,
// in either direction or after a restart, changes nothing, and a copy the user deleted stays deleted.
TEST(DocumentMergeKeepingConflicts, TheCopyIsTheSameEverywhereAndMadeOnce) {
    EngineSettingsScope scope(AppLanguage::english);
    const VellDocument base =
        documentOf({sheet(1, "Rent", "1200", at("09:00:00")), sheet(2, "Food", "300", at("09:00:00"))});
    VellDocument first = base, second = base;
    first.sheets[0] = sheet(1, "Rent", "1200\nfirst", at("10:00:00"));
    first.selectedSheetID = uuid(1);
    second.sheets[0] = sheet(1, "Rent", "1200\nsecond", at("11:00:00"));
    second.selectedSheetID = uuid(2);

    const VellDocument onFirst = first.mergedKeepingConflicts(second, {&base}, now);
    const VellDocument onSecond = second.mergedKeepingConflicts(first, {&base}, now);
    VellDocument sameSelection = onSecond;
    sameSelection.selectedSheetID = onFirst.selectedSheetID;
    EXPECT_EQ(sameSelection, onFirst);
    ASSERT_EQ(onFirst.sheets.size(), 3u);

    // The next exchange: each side's base is now what it agreed on last, or none after a lost base.
    const std::vector<const VellDocument*> nextBaseCases[] = {
        {&onFirst}, {&onSecond}, {&base}, {&base, &onFirst}, {}};
    for (const std::vector<const VellDocument*>& nextBases : nextBaseCases) {
        for (const VellDocument* other : {&onSecond, &std::as_const(first), &std::as_const(second)}) {
            std::vector<ConflictingCopy> conflicts;
            const VellDocument again = onFirst.mergedKeepingConflicts(*other, nextBases, now, &conflicts);
            EXPECT_EQ(again, onFirst);
        }
    }

    // Deleted by the user afterwards: meeting the old version again does not bring it back.
    VellDocument deleted = onFirst;
    deleted.deletedSheets[deleted.sheets[1].id.uuidString()] = at("12:00:00");
    deleted.sheets.erase(deleted.sheets.begin() + 1);
    const VellDocument met = deleted.mergedKeepingConflicts(first, {&base}, now);
    EXPECT_EQ(met.sheets.size(), 2u);
}

// A copy stands right after its sheet, also where the order comes from the side that did not make it;
// its name follows the interface language.
TEST(DocumentMergeKeepingConflicts, ACopyStandsAfterItsSheetInEitherOrderAndLanguage) {
    EngineSettingsScope scope;
    for (const auto& [language, name] : {std::pair{AppLanguage::japanese, "家賃（競合したコピー）"},
                                         std::pair{AppLanguage::english, "家賃 (conflicting copy)"}}) {
        scope.setLanguage(language);
        VellDocument ours =
            documentOf({sheet(1, "家賃", "ours", at("10:00:00")), sheet(2, "B", "", at("08:00:00")),
                        sheet(3, "C", "", at("08:00:00"))});
        ours.sheetOrderUpdatedAt = at("12:00:00");
        const VellDocument theirs =
            documentOf({sheet(3, "C", "", at("08:00:00")), sheet(1, "家賃", "theirs", at("11:00:00")),
                        sheet(2, "B", "", at("08:00:00"))});
        const VellDocument made = theirs.mergedKeepingConflicts(ours, {}, now);
        ASSERT_EQ(made.sheets.size(), 4u);
        EXPECT_EQ(made.sheets[1].name, name);
        const Uuid copy = made.sheets[1].id;
        EXPECT_EQ(idsOf(made), (std::vector<Uuid>{uuid(1), copy, uuid(2), uuid(3)}))
            << "our order, dated later";

        // The side that still holds the losing version has moved a sheet since: its order wins, and the
        // copy it makes again stands right after its sheet there too.
        VellDocument moved = ours;
        moved.sheetOrderUpdatedAt = at("13:00:00");
        std::swap(moved.sheets[1], moved.sheets[2]);
        const VellDocument result = moved.mergedKeepingConflicts(made, {&made}, now);
        EXPECT_EQ(idsOf(result), (std::vector<Uuid>{uuid(1), copy, uuid(3), uuid(2)}));
        EXPECT_EQ(idsOf(made.mergedKeepingConflicts(moved, {&made}, now)), idsOf(result));

        // A side that held the winning version and moved a sheet since makes no copy: the copy is one of
        // the sheets its order does not know, which follow that order, the same on both sides.
        VellDocument movedWinner = moved;
        movedWinner.sheets[0] = made.sheets[0];
        const VellDocument atTheEnd = movedWinner.mergedKeepingConflicts(made, {&made}, now);
        EXPECT_EQ(idsOf(atTheEnd), (std::vector<Uuid>{uuid(1), uuid(3), uuid(2), copy}));
        EXPECT_EQ(idsOf(made.mergedKeepingConflicts(movedWinner, {&made}, now)), idsOf(atTheEnd));
    }
}

// A sheet deleted on one computer while the other edited it: the deletion took the version its side knew,
// so the edit stays, in the sheet's place, as a copy made the same on both sides and only once. A version
// that is the agreed one, or a sheet no base holds, goes with the deletion as before.
TEST(DocumentMergeKeepingConflicts, AnEditMeetsADeletionMadeWhileApart) {
    EngineSettingsScope scope(AppLanguage::english);
    const VellDocument agreed =
        documentOf({sheet(1, "Rent", "1200", at("09:00:00")), sheet(2, "Food", "300", at("09:00:00")),
                    sheet(3, "Car", "50", at("09:00:00"))});
    struct Case {
        const char* what;
        Sheet kept; // the version on the computer that did not delete it
        bool baseKnown;
        bool copied;
    };
    const Case cases[] = {
        {"edited while apart", sheet(2, "Food", "300\n+ 20 lunch", at("10:00:00")), true, true},
        {"renamed while apart", sheet(2, "Meals", "300", at("10:00:00")), true, true},
        {"left as agreed", sheet(2, "Food", "300", at("09:00:00")), true, false},
        {"edited, no base known", sheet(2, "Food", "300\n+ 20 lunch", at("10:00:00")), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VellDocument deleting = agreed;
        deleting.sheets.erase(deleting.sheets.begin() + 1);
        deleting.deletedSheets[uuid(2).uuidString()] = at("11:00:00");
        VellDocument editing = agreed;
        editing.sheets[1] = c.kept;
        const std::vector<const VellDocument*> bases =
            c.baseKnown ? std::vector<const VellDocument*>{&agreed} : std::vector<const VellDocument*>{};

        std::vector<ConflictingCopy> conflicts;
        const VellDocument onDeleting = deleting.mergedKeepingConflicts(editing, bases, now, &conflicts);
        VellDocument onEditing = editing.mergedKeepingConflicts(deleting, bases, now);
        onEditing.selectedSheetID = onDeleting.selectedSheetID;
        EXPECT_EQ(onEditing, onDeleting) << "the same on both computers";
        EXPECT_TRUE(onDeleting.deletedSheets.contains(uuid(2).uuidString()));
        if (!c.copied) {
            ASSERT_EQ(onDeleting.sheets.size(), 2u);
            EXPECT_TRUE(conflicts.empty());
            continue;
        }
        ASSERT_EQ(onDeleting.sheets.size(), 3u);
        const Sheet& copy = onDeleting.sheets[1];
        EXPECT_EQ(copy.text, c.kept.text);
        EXPECT_EQ(copy.name, c.kept.name + " (conflicting copy)");
        EXPECT_NE(copy.id, uuid(2));
        ASSERT_EQ(conflicts.size(), 1u);
        EXPECT_EQ(conflicts[0], (ConflictingCopy{uuid(2), c.kept.name, copy.id, copy.name, true}));

        // The next exchanges change nothing, whichever side they start from and whatever base is at hand.
        for (const VellDocument* next : {&onDeleting, &std::as_const(deleting), &std::as_const(editing)})
            for (const std::vector<const VellDocument*>& nextBases :
                 {std::vector<const VellDocument*>{&onDeleting}, bases, std::vector<const VellDocument*>{}})
                EXPECT_EQ(onDeleting.mergedKeepingConflicts(*next, nextBases, now), onDeleting);

        // The copy deleted in turn stays deleted when the edited version comes by again.
        VellDocument copyDeleted = onDeleting;
        copyDeleted.deletedSheets[copy.id.uuidString()] = at("12:00:00");
        copyDeleted.sheets.erase(copyDeleted.sheets.begin() + 1);
        EXPECT_EQ(copyDeleted.mergedKeepingConflicts(editing, bases, now).sheets.size(), 2u);
    }
}

// Three computers edit one sheet while apart, then meet in every order, each folding another's document
// into its own (foldCopies, as the sync and vell-doc do) until nothing changes: every version survives, each
// copy with a name of its own, and all three end with the same document whichever way they met.
TEST(DocumentMergeKeepingConflicts, ThreeComputersThatEditedOneSheetApartKeepEveryVersionUnderItsOwnName) {
    EngineSettingsScope scope;
    const VellDocument agreed = documentOf(
        {sheet(1, "Rent", "1200", at("09:00:00")), sheet(2, "Food", "300", at("09:00:00"))}, uuid(2));
    std::array<VellDocument, 3> apart = {agreed, agreed, agreed};
    const char* const texts[] = {"1200\nfrom the first", "1200\nfrom the second", "1200\nfrom the third"};
    const char* const times[] = {"10:00:00", "11:00:00", "12:00:00"};
    for (std::size_t i = 0; i < 3; ++i)
        apart[i].sheets[0] = sheet(1, "Rent", texts[i], at(times[i]));

    // Every order of the six one-way merges between three computers, each order repeated until a round of
    // it changes nothing.
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t into = 0; into < 3; ++into)
        for (std::size_t from = 0; from < 3; ++from)
            if (into != from) pairs.emplace_back(into, from);
    std::sort(pairs.begin(), pairs.end());

    for (const auto& [language, names] :
         {std::pair{AppLanguage::english,
                    std::vector<std::string>{"Rent", "Rent (conflicting copy)", "Rent (conflicting copy 2)"}},
          std::pair{AppLanguage::japanese, std::vector<std::string>{"Rent", "Rent（競合したコピー）",
                                                                    "Rent（競合したコピー 2）"}}}) {
        scope.setLanguage(language);
        for (const std::vector<const VellDocument*>& bases :
             {std::vector<const VellDocument*>{&agreed}, std::vector<const VellDocument*>{}}) {
            SCOPED_TRACE(std::string(language == AppLanguage::english ? "English" : "Japanese") +
                         (bases.empty() ? ", no base" : ", from the agreed base"));
            std::vector<std::pair<std::size_t, std::size_t>> order = pairs;
            do {
                std::array<VellDocument, 3> computers = apart;
                int rounds = 0;
                for (bool changed = true; changed && rounds < 10; ++rounds) {
                    changed = false;
                    for (const auto& [into, from] : order) {
                        const CopyFold fold =
                            foldCopies(computers[into], false, {computers[from]}, bases, now);
                        if (!fold.document) continue;
                        for (const ConflictingCopy& conflict : fold.conflicts) {
                            const auto copy =
                                std::find_if(fold.document->sheets.begin(), fold.document->sheets.end(),
                                             [&](const Sheet& s) { return s.id == conflict.copyID; });
                            ASSERT_NE(copy, fold.document->sheets.end());
                            EXPECT_EQ(conflict.copyName, copy->name) << "the name said is the name given";
                        }
                        computers[into] = *fold.document;
                        changed = true;
                    }
                }
                ASSERT_LT(rounds, 10) << "the exchange settles";
                EXPECT_EQ(computers[0], computers[1]);
                EXPECT_EQ(computers[1], computers[2]);
                const VellDocument& settled = computers[0];
                std::vector<std::string> rentNames, rentTexts;
                for (const Sheet& s : settled.sheets)
                    if (s.name.starts_with("Rent")) {
                        rentNames.push_back(s.name);
                        rentTexts.push_back(s.text);
                    }
                EXPECT_EQ(settled.sheets.size(), 4u);
                std::sort(rentNames.begin(), rentNames.end());
                std::sort(rentTexts.begin(), rentTexts.end());
                EXPECT_EQ(rentNames, sorted(names));
                EXPECT_EQ(rentTexts, (std::vector<std::string>{texts[0], texts[1], texts[2]}));
                EXPECT_EQ(settled.sheets[0].text, texts[2]) << "the latest version in place";
                if (::testing::Test::HasFailure()) return;
            } while (std::next_permutation(order.begin(), order.end()));
        }
    }
}

// A conflicting copy that was itself changed on two computers keeps its losing version under the name of
// the sheet it came from, numbered, never with the suffix twice; also a copy named so by an earlier version.
TEST(DocumentMergeKeepingConflicts, ACopyOfACopyTakesTheNameOfTheSheetItCameFrom) {
    EngineSettingsScope scope;
    struct Case {
        AppLanguage language;
        std::string copyName;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {AppLanguage::english,
         "Rent (conflicting copy)",
         {"Rent", "Rent (conflicting copy)", "Rent (conflicting copy 2)"}},
        {AppLanguage::english,
         "Rent (conflicting copy) (conflicting copy)",
         {"Rent", "Rent (conflicting copy) (conflicting copy)", "Rent (conflicting copy)"}},
        {AppLanguage::english,
         "Rent（競合したコピー）",
         {"Rent", "Rent（競合したコピー）", "Rent (conflicting copy)"}},
        {AppLanguage::japanese,
         "Rent（競合したコピー）",
         {"Rent", "Rent（競合したコピー）", "Rent（競合したコピー 2）"}},
        {AppLanguage::japanese,
         "Rent（競合したコピー 2）",
         {"Rent", "Rent（競合したコピー 2）", "Rent（競合したコピー）"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.copyName);
        scope.setLanguage(c.language);
        const VellDocument agreed = documentOf(
            {sheet(1, "Rent", "1250", at("09:00:00")), sheet(2, c.copyName, "1200", at("09:00:00"))});
        VellDocument ours = agreed, theirs = agreed;
        ours.sheets[1] = sheet(2, c.copyName, "1200\nours", at("10:00:00"));
        theirs.sheets[1] = sheet(2, c.copyName, "1200\ntheirs", at("11:00:00"));
        std::vector<ConflictingCopy> conflicts;
        const VellDocument result = ours.mergedKeepingConflicts(theirs, {&agreed}, now, &conflicts);
        EXPECT_EQ(namesOf(result), c.names);
        EXPECT_EQ(result.sheets[2].text, "1200\nours");
        ASSERT_EQ(conflicts.size(), 1u);
        EXPECT_EQ(conflicts[0].copyName, c.names[2]);
        EXPECT_EQ(theirs.mergedKeepingConflicts(ours, {&agreed}, now), result) << "the same from either side";
    }
}

// Two computers that made different copies under one name meet: the copy with the smaller id keeps the
// name and the other takes the lowest free number, in its own language and with the suffix once. Two
// sheets the user gave one name are left alone.
TEST(DocumentMergeKeepingConflicts, CopiesMadeApartUnderOneNameAreToldApartWhenTheyMeet) {
    EngineSettingsScope scope(AppLanguage::english);
    struct Case {
        std::string name;
        std::string other;
    };
    const Case cases[] = {
        {"Rent (conflicting copy)", "Rent (conflicting copy 2)"},
        {"Rent (conflicting copy 2)", "Rent (conflicting copy)"},
        {"Rent (conflicting copy) (conflicting copy)", "Rent (conflicting copy)"},
        {"家賃（競合したコピー）", "家賃（競合したコピー 2）"},
        {"Rent", "Rent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Sheet rent = sheet(1, "Rent", "1250", at("09:00:00"));
        const VellDocument ours = documentOf({rent, sheet(3, c.name, "1200\nfirst", at("10:00:00"))});
        const VellDocument theirs = documentOf({rent, sheet(4, c.name, "1200\nsecond", at("11:00:00"))});
        const VellDocument result = ours.mergedKeepingConflicts(theirs, {}, now);
        const auto nameOf = [&result](std::uint8_t id) {
            const auto found = std::find_if(result.sheets.begin(), result.sheets.end(),
                                            [id](const Sheet& s) { return s.id == uuid(id); });
            return found == result.sheets.end() ? std::string("(none)") : found->name;
        };
        EXPECT_EQ(result.sheets.size(), 3u);
        EXPECT_EQ(nameOf(3), c.name);
        EXPECT_EQ(nameOf(4), c.other);
        EXPECT_EQ(theirs.mergedKeepingConflicts(ours, {}, now), result) << "the same from either side";
        EXPECT_EQ(result.mergedKeepingConflicts(ours, {}, now), result) << "and settled";
    }
}

} // namespace
} // namespace vell
