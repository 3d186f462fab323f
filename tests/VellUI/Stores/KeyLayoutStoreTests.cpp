#include "Keypad/Catalogs.h"
#include "Stores/KeyLayoutStore.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace vell {
namespace {

using Kind = KeyLayoutStore::Kind;
using testsupport::EngineSettingsScope;
using testsupport::TempDefaults;
using Ids = std::vector<std::string>;

// A clock that moves one second on every reading.
struct StepClock {
    std::shared_ptr<Date> now = std::make_shared<Date>(Date::fromCivil(2025, 3, 1, 9, 30, 0));
    Date operator()() const {
        *now = now->addingSeconds(1);
        return *now;
    }
};

Ids ids(const SlotGroup& group) {
    Ids out;
    for (const KeySlot& slot : group.keySlots)
        out.push_back(slot.id());
    return out;
}

Ids catalogIds(const std::vector<CatalogGroup>& catalog) {
    Ids out;
    for (const auto& group : catalog)
        for (const auto& item : group.items)
            out.push_back(item.id);
    return out;
}

const SlotGroup& groupWithKey(const std::vector<SlotGroup>& groups, std::string_view key) {
    for (const SlotGroup& group : groups)
        if (group.key == key) return group;
    throw std::runtime_error("no group " + std::string(key));
}

class KeyLayoutStoreTest : public ::testing::Test {
protected:
    // A stored function order: one list under the empty key.
    void storeFunctions(const QByteArray& json) {
        defaults.writeFile("[General]\nvell.keyLayout.functions=\"" + QByteArray(json).replace("\"", "\\\"") +
                           "\"\n");
    }
    void storeUnits(const QByteArray& json) {
        defaults.writeFile("[General]\nvell.keyLayout.units=\"" + QByteArray(json).replace("\"", "\\\"") +
                           "\"\n");
    }
    KeyLayoutStore open() { return KeyLayoutStore(defaults.open(), clock); }

    EngineSettingsScope scope;
    TempDefaults defaults;
    StepClock clock;
};

TEST_F(KeyLayoutStoreTest, NothingStoredFollowsTheCatalogs) {
    scope.setLanguage(AppLanguage::japanese);
    const KeyLayoutStore store = open();
    EXPECT_EQ(store.updatedAt(), Date::distantPast);
    EXPECT_TRUE(store.layouts().empty());

    const auto functions = store.groups(Kind::functions);
    ASSERT_EQ(functions.size(), 1u);
    EXPECT_EQ(functions[0].key, "");
    EXPECT_EQ(functions[0].title, "");
    EXPECT_EQ(ids(functions[0]), catalogIds(FunctionCatalog::categories()));
    EXPECT_EQ(functions[0].keySlots.size(), 58u);

    const auto units = store.groups(Kind::units);
    const auto catalog = UnitCatalog::categories();
    ASSERT_EQ(units.size(), 12u);
    for (std::size_t i = 0; i < units.size(); ++i) {
        EXPECT_EQ(units[i].key, catalog[i].key);
        EXPECT_EQ(units[i].title, catalog[i].title);
        EXPECT_EQ(ids(units[i]), catalogIds({catalog[i]}));
    }
    EXPECT_FALSE(store.isCustomized(Kind::functions));
    EXPECT_FALSE(store.isCustomized(Kind::units));
}

TEST_F(KeyLayoutStoreTest, MergeWithTheCatalogs) {
    scope.setLanguage(AppLanguage::japanese);
    const Ids catalog = catalogIds(FunctionCatalog::categories());
    struct Case {
        QByteArray json;
        Ids expectedStart; // then the rest of the catalog in its own order
    };
    const Case cases[] = {
        {R"({"":["abs","sqrt"]})", {"abs", "sqrt"}},
        // Repeats count once, ids no catalog holds are dropped, gaps stay where they are stored.
        {R"({"":["sqrt","gone","sqrt","blank:1","abs","blank:1"]})", {"sqrt", "blank:1", "abs"}},
        // A group key that names no group is ignored.
        {R"({"nowhere":["abs"]})", {}},
    };
    for (const Case& c : cases) {
        storeFunctions(c.json);
        const KeyLayoutStore store = open();
        EXPECT_TRUE(store.isCustomized(Kind::functions)) << c.json.toStdString();
        Ids expected = c.expectedStart;
        for (const std::string& id : catalog)
            if (std::find(expected.begin(), expected.end(), id) == expected.end()) expected.push_back(id);
        EXPECT_EQ(ids(store.groups(Kind::functions)[0]), expected) << c.json.toStdString();
    }

    storeFunctions("{}");
    EXPECT_FALSE(open().isCustomized(Kind::functions));
}

TEST_F(KeyLayoutStoreTest, AnEntryStoredInAnotherGroupShowsThere) {
    scope.setLanguage(AppLanguage::english); // keys stay Japanese
    storeUnits(R"({"お金":["in"]})");
    const KeyLayoutStore store = open();
    const auto units = store.groups(Kind::units);
    EXPECT_EQ(ids(groupWithKey(units, "お金")), (Ids{"in", "円", "万円", "$", "€"}));
    EXPECT_EQ(ids(groupWithKey(units, "換算")), (Ids{"→"}));
    EXPECT_EQ(groupWithKey(units, "お金").title, "Money");
}

TEST_F(KeyLayoutStoreTest, UnreadableStoredDataIsIgnored) {
    const QByteArray files[] = {
        "[General]\nvell.keyLayout.functions=\"{\\\"\\\":[\\\"abs\\\",1]}\"\nvell.keyLayout.updatedAt="
        "yesterday\n",
        "[General]\nvell.keyLayout.functions=\"[\\\"abs\\\"]\"\nvell.keyLayout.updatedAt=2025-13-01T00:00:"
        "00Z\n",
        "[General]\nvell.keyLayout.functions=\"{\\\"\\\":\\\"abs\\\"}\"\n",
        "[General]\nvell.keyLayout.functions=not json\n",
        "[General]\nvell.keyLayout.functions=@ByteArray(\\xff\\xfe)\n",
    };
    for (const QByteArray& file : files) {
        defaults.writeFile(file);
        const KeyLayoutStore store = open();
        EXPECT_TRUE(store.layouts().empty()) << file.toStdString();
        EXPECT_EQ(store.updatedAt(), Date::distantPast) << file.toStdString();
    }
}

TEST_F(KeyLayoutStoreTest, MovesWithinAndAcrossGroups) {
    scope.setLanguage(AppLanguage::japanese);
    struct Case {
        std::string slot, target;
        Ids expected; // the first four ids of the function panel
    };
    const Case cases[] = {
        {"sqrt", "round", {"abs", "round", "sqrt", "floor"}},
        {"floor", "abs", {"sqrt", "floor", "abs", "round"}},
        {"sqrt", "floor", {"abs", "round", "floor", "sqrt"}},
    };
    for (const Case& c : cases) {
        TempDefaults own;
        KeyLayoutStore store(own.open(), clock);
        store.move(c.slot, c.target, Kind::functions);
        const Ids all = ids(store.groups(Kind::functions)[0]);
        EXPECT_EQ(Ids(all.begin(), all.begin() + 4), c.expected) << c.slot << " onto " << c.target;
        EXPECT_EQ(all.size(), 58u);
    }

    KeyLayoutStore store = open();
    store.move("円", "→", Kind::units);
    const auto units = store.groups(Kind::units);
    EXPECT_EQ(ids(groupWithKey(units, "換算")), (Ids{"in", "円", "→"}));
    EXPECT_EQ(ids(groupWithKey(units, "お金")), (Ids{"万円", "$", "€"}));
    // Every group's full list is stored once a kind is arranged.
    EXPECT_EQ(store.layouts().at("units").size(), 12u);
}

TEST_F(KeyLayoutStoreTest, MovesThatCannotApplyStoreAndAnnounceNothing) {
    KeyLayoutStore store = open();
    QSignalSpy edited(&store, &KeyLayoutStore::edited);
    store.move("sqrt", "sqrt", Kind::functions);
    store.move("sqrt", "nothing", Kind::functions);
    store.move("円", "sqrt", Kind::functions); // a unit is not on the function panel
    EXPECT_TRUE(edited.isEmpty());
    EXPECT_EQ(store.updatedAt(), Date::distantPast);
    EXPECT_TRUE(store.layouts().empty());
    EXPECT_TRUE(defaults.readFile().isEmpty());
}

TEST_F(KeyLayoutStoreTest, GapsAreAddedAtTheEndAndRemovedByBlankIdOnly) {
    KeyLayoutStore store = open();
    QSignalSpy edited(&store, &KeyLayoutStore::edited);

    store.addBlank(Kind::units);
    const SlotGroup angle = store.groups(Kind::units).back();
    EXPECT_EQ(angle.key, "角度");
    ASSERT_EQ(angle.keySlots.size(), 3u);
    const KeySlot& gap = angle.keySlots.back();
    ASSERT_TRUE(gap.isBlank());
    EXPECT_EQ(gap.item(), nullptr);
    EXPECT_TRUE(gap.id().starts_with("blank:"));
    EXPECT_EQ(gap.id().size(), 42u);
    EXPECT_EQ(gap.id(),
              gap.id().substr(0, 6) + QString::fromStdString(gap.id().substr(6)).toUpper().toStdString());
    EXPECT_EQ(edited.count(), 1);

    store.removeBlank("sqrt", Kind::units);
    store.removeBlank("円", Kind::units);
    EXPECT_EQ(edited.count(), 1);

    store.removeBlank(gap.id(), Kind::units);
    EXPECT_EQ(ids(store.groups(Kind::units).back()), (Ids{"deg", "rad"}));
    // A blank id that no group holds is still stored and announced.
    store.removeBlank("blank:nowhere", Kind::units);
    EXPECT_EQ(edited.count(), 3);

    store.addBlank(Kind::functions);
    const auto functions = store.groups(Kind::functions)[0];
    EXPECT_TRUE(functions.keySlots.back().isBlank());
    EXPECT_EQ(functions.keySlots.size(), 59u);
}

TEST_F(KeyLayoutStoreTest, ChangesAreStoredStampedAndAnnounced) {
    KeyLayoutStore store = open();
    QSignalSpy changed(&store, &KeyLayoutStore::changed);
    std::vector<Date> stampAtPost;
    QSignalSpy edited(&store, &KeyLayoutStore::edited);
    QObject::connect(&store, &KeyLayoutStore::edited, [&] { stampAtPost.push_back(store.updatedAt()); });

    store.move("円", "→", Kind::units);
    store.addBlank(Kind::units);
    store.move("abs", "sqrt", Kind::functions);

    ASSERT_EQ(stampAtPost.size(), 3u);
    EXPECT_LT(stampAtPost[0], stampAtPost[1]);
    EXPECT_LT(stampAtPost[1], stampAtPost[2]);
    EXPECT_EQ(stampAtPost.back(), store.updatedAt());
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(edited.count(), 3);

    EXPECT_EQ(defaults.stored("vell.keyLayout.updatedAt").toString().toStdString(),
              store.updatedAt().iso8601());
    // The stored JSON decodes back to the same arrangement, and a new store shows the same panels.
    const KeyLayoutStore reopened = open();
    EXPECT_EQ(reopened.layouts(), store.layouts());
    EXPECT_EQ(reopened.updatedAt(), store.updatedAt());
    for (Kind kind : KeyLayoutStore::allKinds)
        EXPECT_EQ(reopened.groups(kind), store.groups(kind));
}

TEST_F(KeyLayoutStoreTest, StampsKeepTheirMicroseconds) {
    const Date stamp = Date::fromCivil(2025, 3, 1, 9, 30, 0).addingMicroseconds(250'001);
    KeyLayoutStore store(defaults.open(), [stamp] { return stamp; });
    store.addBlank(Kind::functions);
    EXPECT_EQ(defaults.stored("vell.keyLayout.updatedAt").toString(), "2025-03-01T09:30:00.250001Z");
    EXPECT_EQ(open().updatedAt(), stamp);

    defaults.writeFile("[General]\nvell.keyLayout.updatedAt=2025-03-01T18:30:00.5+09:00\n");
    EXPECT_EQ(open().updatedAt(), Date::fromCivil(2025, 3, 1, 9, 30, 0).addingMicroseconds(500'000));
}

TEST_F(KeyLayoutStoreTest, ResetForgetsOneKindOnly) {
    KeyLayoutStore store = open();
    store.move("abs", "sqrt", Kind::functions);
    store.move("円", "→", Kind::units);
    const Date before = store.updatedAt();
    QSignalSpy edited(&store, &KeyLayoutStore::edited);

    store.reset(Kind::functions);

    EXPECT_FALSE(store.isCustomized(Kind::functions));
    EXPECT_FALSE(defaults.contains("vell.keyLayout.functions"));
    EXPECT_GT(store.updatedAt(), before);
    EXPECT_EQ(edited.count(), 1);
    EXPECT_TRUE(store.isCustomized(Kind::units));
    EXPECT_TRUE(defaults.contains("vell.keyLayout.units"));
    EXPECT_EQ(ids(store.groups(Kind::functions)[0]), catalogIds(FunctionCatalog::categories()));
}

TEST_F(KeyLayoutStoreTest, AdoptsOnlyAStrictlyLaterStampAndIsNoEdit) {
    KeyLayoutStore store = open();
    store.move("円", "→", Kind::units);
    const KeyLayouts local = store.layouts();
    const Date stamp = store.updatedAt();
    QSignalSpy edited(&store, &KeyLayoutStore::edited);
    const KeyLayouts incoming{{"functions", {{"", {"pow", "sqrt"}}}}};

    store.adopt(incoming, std::nullopt);
    store.adopt(incoming, stamp);
    store.adopt(incoming, stamp.addingMicroseconds(-1));
    EXPECT_EQ(store.layouts(), local);
    EXPECT_EQ(store.updatedAt(), stamp);

    const Date later = stamp.addingSeconds(60);
    store.adopt(incoming, later);
    EXPECT_EQ(store.layouts(), incoming);
    EXPECT_EQ(store.updatedAt(), later);
    EXPECT_TRUE(edited.isEmpty());
    // The kind the document lacks is no longer customized, nor stored.
    EXPECT_FALSE(store.isCustomized(Kind::units));
    EXPECT_FALSE(defaults.contains("vell.keyLayout.units"));
    EXPECT_EQ(ids(store.groups(Kind::functions)[0])[0], "pow");

    const KeyLayoutStore reopened = open();
    EXPECT_EQ(reopened.layouts(), incoming);
    EXPECT_EQ(reopened.updatedAt(), later);
}

TEST_F(KeyLayoutStoreTest, ALocalChangeAfterAdoptingAStampFromAFastClockStillCountsAsNewer) {
    KeyLayoutStore store = open();
    const Date ahead = clock.now->addingSeconds(3600);
    store.adopt({{"functions", {{"", {"pow"}}}}}, ahead);
    store.move("abs", "sqrt", Kind::functions);
    EXPECT_GT(store.updatedAt(), ahead);
    // The document carries the stamp in whole seconds; there too the change must be the newer one, or
    // the other computers keep the layout it replaced.
    const auto written = Date::fromIso8601(store.updatedAt().iso8601());
    ASSERT_TRUE(written);
    EXPECT_GT(*written, ahead);
    const Date first = store.updatedAt();
    store.move("sqrt", "abs", Kind::functions);
    EXPECT_GT(*Date::fromIso8601(store.updatedAt().iso8601()), *Date::fromIso8601(first.iso8601()));
}

} // namespace
} // namespace vell
