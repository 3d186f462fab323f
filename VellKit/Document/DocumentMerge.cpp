// Bringing copies of the document together: the duplicate clean-up and the sheet-by-sheet merge.

#include "Document/VellDocument.h"
#include "Engine/L10n.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <unordered_map>
#include <unordered_set>

namespace vell {

namespace {

// Name and text as one key; NFC so that canonically equivalent sheets meet.
std::string duplicateKey(const Sheet& sheet) {
    std::string key = unicode::nfc(sheet.name);
    key.push_back('\0');
    key += unicode::nfc(sheet.text);
    return key;
}

// The second a date falls in: what the file keeps of it, and so what every computer compares.
Date wholeSecond(Date date) {
    std::int64_t seconds = date.microsecondsSince1970() / 1'000'000;
    if (date.microsecondsSince1970() % 1'000'000 < 0) --seconds;
    return Date::fromSeconds(seconds);
}

// Of two versions of one sheet, the one changed in a later second; within one second the one whose
// encoding sorts later, so that every computer settles a tie the same way and the copies stop differing.
bool replaces(const Sheet& candidate, const Sheet& held) {
    const Date candidateSecond = wholeSecond(candidate.updatedAt), heldSecond = wholeSecond(held.updatedAt);
    if (candidateSecond != heldSecond) return candidateSecond > heldSecond;
    return candidate.toJson().dump() > held.toJson().dump();
}

std::vector<Uuid> idsOf(const std::vector<Sheet>& sheets) {
    std::vector<Uuid> ids;
    ids.reserve(sheets.size());
    for (const Sheet& sheet : sheets)
        ids.push_back(sheet.id);
    return ids;
}

// Every computer must keep the same member of a duplicate group, or each would tombstone the other's.
bool survivesBefore(const Sheet& a, const Sheet& b) {
    const Date aSecond = wholeSecond(a.updatedAt), bSecond = wholeSecond(b.updatedAt);
    if (aSecond != bSecond) return aSecond < bSecond;
    return a.id < b.id;
}

} // namespace

std::vector<Uuid> VellDocument::removeDuplicateSheets(Date now) {
    std::unordered_map<std::string, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        groups[duplicateKey(sheets[i])].push_back(i);

    // Removal goes by position: two sheets may carry one id (a hand-edited file, a foreign merge).
    constexpr std::size_t kept = static_cast<std::size_t>(-1);
    std::vector<std::size_t> survivorOf(sheets.size(), kept);
    bool removedAny = false;
    for (const auto& [key, members] : groups) {
        if (members.size() < 2) continue;
        std::size_t survivor = members.front();
        for (const std::size_t member : members)
            if (survivesBefore(sheets[member], sheets[survivor])) survivor = member;
        for (const std::size_t member : members) {
            if (member == survivor) continue;
            survivorOf[member] = survivor;
            removedAny = true;
        }
    }
    if (!removedAny) return {};

    std::unordered_set<Uuid> remainingIds;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (survivorOf[i] == kept) remainingIds.insert(sheets[i].id);

    std::vector<Uuid> removedIds;
    std::unordered_set<Uuid> listed;
    std::optional<Uuid> newSelection;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (survivorOf[i] == kept) continue;
        const Uuid& id = sheets[i].id;
        if (listed.insert(id).second) removedIds.push_back(id);
        if (!remainingIds.contains(id)) {
            deletedSheets[id.uuidString()] = std::max(now, wholeSecond(sheets[i].updatedAt).addingSeconds(1));
            if (selectedSheetID == id && !newSelection) newSelection = sheets[survivorOf[i]].id;
        }
    }

    std::vector<Sheet> remaining;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (survivorOf[i] == kept) remaining.push_back(std::move(sheets[i]));
    sheets = std::move(remaining);
    if (newSelection) selectedSheetID = newSelection;
    return removedIds;
}

std::vector<std::pair<Uuid, Uuid>> VellDocument::separateRepeatedIds() {
    std::vector<std::pair<Uuid, Uuid>> renewed;
    std::unordered_map<Uuid, std::size_t> first;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const auto [it, inserted] = first.emplace(sheets[i].id, i);
        if (inserted || duplicateKey(sheets[i]) == duplicateKey(sheets[it->second])) continue;
        Uuid fresh = Uuid::random();
        while (first.contains(fresh))
            fresh = Uuid::random();
        renewed.emplace_back(sheets[i].id, fresh);
        sheets[i].id = fresh;
        first.emplace(fresh, i);
    }
    return renewed;
}

VellDocument VellDocument::merged(const VellDocument& other, Date now) const {
    VellDocument result;

    result.deletedSheets = deletedSheets;
    for (const auto& [key, date] : other.deletedSheets) {
        const auto [it, inserted] = result.deletedSheets.emplace(key, date);
        if (!inserted && date > it->second) it->second = date;
    }

    const Date ourOrderDate = sheetOrderUpdatedAt.value_or(Date::distantPast);
    const Date theirOrderDate = other.sheetOrderUpdatedAt.value_or(Date::distantPast);
    // Orders moved within the same second settle on the later list of ids, the same everywhere.
    const bool movedInOneSecond = sheetOrderUpdatedAt && other.sheetOrderUpdatedAt &&
                                  wholeSecond(theirOrderDate) == wholeSecond(ourOrderDate);
    const bool theirOrder = movedInOneSecond ? idsOf(other.sheets) > idsOf(sheets)
                                             : wholeSecond(theirOrderDate) > wholeSecond(ourOrderDate);
    const VellDocument& orderSide = theirOrder ? other : *this;
    const VellDocument& secondSide = &orderSide == this ? other : *this;

    // One version per id, listed at the first place the id shows up; a later version replaces an earlier
    // one only when it wins, also between two sheets of one copy that share an id.
    std::vector<Sheet> versions;
    std::unordered_map<Uuid, std::size_t> versionIndex;
    const auto take = [&](const Sheet& sheet) {
        const auto [it, inserted] = versionIndex.emplace(sheet.id, versions.size());
        if (inserted)
            versions.push_back(sheet);
        else if (replaces(sheet, versions[it->second]))
            versions[it->second] = sheet;
    };
    for (const Sheet& sheet : orderSide.sheets)
        take(sheet);
    for (const Sheet& sheet : secondSide.sheets)
        take(sheet);

    for (const Sheet& sheet : versions) {
        const auto tombstone = result.deletedSheets.find(sheet.id.uuidString());
        if (tombstone != result.deletedSheets.end() &&
            wholeSecond(tombstone->second) >= wholeSecond(sheet.updatedAt))
            continue;
        result.sheets.push_back(sheet);
    }

    std::erase_if(result.deletedSheets, [&](const auto& entry) {
        const auto id = Uuid::fromString(entry.first);
        if (!id) return false;
        const auto version = versionIndex.find(*id);
        return version != versionIndex.end() &&
               wholeSecond(versions[version->second].updatedAt) > wholeSecond(entry.second);
    });

    const Date expiry = now.addingSeconds(-tombstoneLifetime);
    std::erase_if(result.deletedSheets, [&](const auto& entry) { return entry.second <= expiry; });

    const Date ourLayoutSecond = wholeSecond(keyLayoutsUpdatedAt.value_or(Date::distantPast));
    const Date theirLayoutSecond = wholeSecond(other.keyLayoutsUpdatedAt.value_or(Date::distantPast));
    const bool theirLayoutsNewer = theirLayoutSecond != ourLayoutSecond ? theirLayoutSecond > ourLayoutSecond
                                                                        : other.keyLayouts > keyLayouts;
    const VellDocument& layoutSide = theirLayoutsNewer ? other : *this;
    result.keyLayouts = layoutSide.keyLayouts;
    result.keyLayoutsUpdatedAt = layoutSide.keyLayoutsUpdatedAt;

    const Date orderDate = std::max(ourOrderDate, theirOrderDate);
    if (orderDate != Date::distantPast) result.sheetOrderUpdatedAt = orderDate;

    // What a later version keeps beside the sheets travels too; this copy's value wins where both hold one.
    result.unknownMembers = unknownMembers;
    result.unknownMembers.insert(other.unknownMembers.begin(), other.unknownMembers.end());

    result.selectedSheetID = selectedSheetID;
    if (result.sheets.empty())
        result.sheets.push_back(Sheet{Uuid::random(), L10n::text("新しいシート", "New Sheet"), "", now, {}});
    const bool selectionNamesSheet =
        result.selectedSheetID &&
        std::any_of(result.sheets.begin(), result.sheets.end(),
                    [&](const Sheet& sheet) { return sheet.id == *result.selectedSheetID; });
    if (!selectionNamesSheet) result.selectedSheetID = result.sheets.front().id;
    return result;
}

} // namespace vell
