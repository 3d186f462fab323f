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
    // another tool), gets a fresh id, so that merges and commands never take one for the other; exact
    // copies are left to removeDuplicateSheets. Returns each old and new id, in document order.
    std::vector<std::pair<Uuid, Uuid>> separateRepeatedIds();

    // This copy combined sheet by sheet with another one: newer sheets win, deletions travel as tombstones,
    // order and layouts come from the copy that changed them last (this copy on ties), and tombstones older
    // than the lifetime are forgotten. Never leaves the document without a sheet.
    VellDocument merged(const VellDocument& other, Date now = Date::now()) const;

    // Strings compare by canonical equivalence; everything else exactly.
    friend bool operator==(const VellDocument& a, const VellDocument& b);
};

} // namespace vell
