#pragma once

// Everything the program keeps apart from the preferences: the sheets in tab order, the selection, the
// tombstones of deleted sheets and the keypad layouts, with its JSON form, starter content and merge.

#include "Document/Date.h"
#include "Document/DocumentDecodingError.h"
#include "Document/Sheet.h"
#include "Document/Uuid.h"

#include <cstdint>
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vell {

// Catalog kind ("functions", "units") to group key to the ordered slot ids of that group.
using KeyLayouts = std::map<std::string, std::map<std::string, std::vector<std::string>>>;

// A version of a sheet that lost in a merge but held text of its own, kept as a sheet right after the
// version that won.
struct ConflictingCopy {
    Uuid sheetID;     // the sheet changed on both sides
    std::string name; // its name in the result
    Uuid copyID;
    std::string copyName;
    // The sheet was deleted on one side and edited on the other: the copy holds the edit, and the sheet
    // itself is gone.
    bool deletedElsewhere = false;

    friend bool operator==(const ConflictingCopy&, const ConflictingCopy&) = default;
};

struct VellDocument {
    std::vector<Sheet> sheets;
    std::optional<Uuid> selectedSheetID;
    std::map<std::string, Date> deletedSheets; // UUID string of a deleted sheet to the moment of deletion
    KeyLayouts keyLayouts;
    std::optional<Date> keyLayoutsUpdatedAt;
    std::optional<Date> sheetOrderUpdatedAt;
    // Top-level members this version does not know, as Sheet::unknownMembers.
    std::map<std::string, std::string> unknownMembers = {};

    static constexpr std::int64_t tombstoneLifetime = 5'184'000; // seconds: 60 days

    // The JSON form: keys in byte order at every level, optional keys left out when absent.
    // Both throw DocumentDecodingError. Given `repairs`, they read leniently where the meaning is plain
    // (invalid UTF-8 as U+FFFD, a date with a fraction of a second or no date at all, a lock that is no
    // line number) and record each repair there instead of failing.
    nlohmann::json toJson() const;
    static VellDocument fromJson(const nlohmann::json& object, DocumentRepairs* repairs = nullptr);
    // The bytes of the file: UTF-8, pretty-printed; the same document always gives the same bytes.
    std::string encode() const;
    static VellDocument decode(std::string_view bytes, DocumentRepairs* repairs = nullptr);
    // A file as the program reads it: leniently, as decode with repairs, and with the ids that sheets repeat
    // with other content made unique (separateRepeatedIds, each recorded as a lossless repair).
    static VellDocument read(std::string_view bytes, DocumentRepairs& repairs);
    // The encoding of the same document without `selectedSheetID`, cut from its encoding.
    static std::string withoutSelection(std::string encoded);

    // The tutorial sheets in the interface language, the first one selected.
    static VellDocument starter(const Date::Clock& clock = Date::now);
    static std::vector<Sheet> starterSheetsJapanese(const Date::Clock& clock = Date::now);
    static std::vector<Sheet> starterSheetsEnglish(const Date::Clock& clock = Date::now);

    // Collapses sheets of equal name and text into one, the same one on every computer (the earliest
    // `updatedAt`, then the smaller id); removed sheets get tombstones dated `now` (at least a second after
    // the removed sheet's date) unless a remaining sheet still carries their id. A selected sheet that goes
    // hands the selection to the one kept in its place. Returns the ids of the removed sheets, each once, in
    // document order.
    std::vector<Uuid> removeDuplicateSheets(Date now = Date::now());

    // A sheet whose id an earlier sheet carries already, with another name or text (a hand-edited file,
    // another tool), gets a new id, so that merges and commands never take one for the other; exact
    // copies are left to removeDuplicateSheets. The new id is made from the old one and the sheet's
    // content, so every computer reading the same file makes the same. Returns each old and new id, in
    // document order.
    std::vector<std::pair<Uuid, Uuid>> separateRepeatedIds();

    // This copy combined sheet by sheet with another one: newer sheets win, deletions travel as tombstones,
    // order and layouts come from the copy that changed them last, and tombstones older than the lifetime
    // are forgotten. Ties settle the same way from either side: a sheet's version on the later encoding,
    // the order on the longer list of sheets, then the later list of ids. Never leaves the document
    // without a sheet. A version that loses is dropped whole: the sync uses mergedKeepingConflicts.
    VellDocument merged(const VellDocument& other, Date now = Date::now()) const;

    // As merged, but nothing typed is lost. `bases` are the documents both copies last agreed on (none when
    // not known); a version of a sheet counts as unchanged when it matches the sheet's version in one of
    // them. A version that loses although it was changed (always, when no base holds the sheet), and whose
    // text is not all in the winner's, stays as a sheet of its own
    // right after the winner: named "<name> (conflicting copy)" in the interface language, with an id made
    // from the sheet's id and the version's content, so that every computer makes the same sheet and makes
    // it once. A sheet deleted on one side and edited since a base on the other is kept the same way, as a
    // copy in its place. Each such sheet is listed in `conflicts`, with the name it has in the result.
    // A copy of a copy takes the name of the sheet the first came from ("<name> (conflicting copy 2)",
    // never the suffix twice); copies that would share a name are numbered from 2, the same way on every
    // computer that exchanges its copies.
    VellDocument mergedKeepingConflicts(const VellDocument& other,
                                        const std::vector<const VellDocument*>& bases, Date now,
                                        std::vector<ConflictingCopy>* conflicts = nullptr) const;

    // Strings compare by canonical equivalence; everything else exactly.
    friend bool operator==(const VellDocument& a, const VellDocument& b);
};

} // namespace vell
