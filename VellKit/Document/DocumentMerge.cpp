// Bringing copies of the document together: the duplicate clean-up and the sheet-by-sheet merge.

#include "Document/VellDocument.h"
#include "Engine/L10n.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
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

// The hash of duplicateKey.
std::size_t duplicateHash(const Sheet& sheet) {
    const auto part = [](const std::string& text) {
        return unicode::isAscii(text) ? std::hash<std::string_view>{}(text)
                                      : std::hash<std::string>{}(unicode::nfc(text));
    };
    return part(sheet.name) * 1'000'003u ^ part(sheet.text);
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

// Whether the candidate's order wins over the held one's: the one moved in a later second; within one
// second (also when neither was ever moved) the longer list of sheets, then the later list of ids. The
// same from either side, and a merged order, which holds every sheet of the order it came from, keeps
// winning over both its sources, so the copies stop differing.
bool laterOrder(const VellDocument& candidate, Date candidateDate, const VellDocument& held, Date heldDate) {
    const Date candidateSecond = wholeSecond(candidateDate), heldSecond = wholeSecond(heldDate);
    if (candidateSecond != heldSecond) return candidateSecond > heldSecond;
    if (candidate.sheets.size() != held.sheets.size()) return candidate.sheets.size() > held.sheets.size();
    return idsOf(candidate.sheets) > idsOf(held.sheets);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(unicode::nfc(std::string_view(text).substr(start, end - start)));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// Every line of `part` is also in `whole`, in the same order: nothing of `part` is lost when `whole`
// stands in its place.
bool linesWithin(const std::string& part, const std::string& whole) {
    const std::vector<std::string> partLines = linesOf(part), wholeLines = linesOf(whole);
    std::size_t next = 0;
    for (const std::string& line : wholeLines)
        if (next < partLines.size() && line == partLines[next]) ++next;
    return next == partLines.size();
}

// Whether a version that lost, with a text other than the winner's, would take something the user typed
// with it: a text changed since the base that is not all in the winner's, or a name given since the base
// that the winner does not carry. Without a base version of the sheet, anything counts as changed.
bool holdsTextOfItsOwn(const Sheet& loser, const Sheet& winner, const std::vector<const Sheet*>& base) {
    if (unicode::canonicallyEqual(loser.text, winner.text)) return false;
    const bool textAsBase = std::any_of(base.begin(), base.end(), [&](const Sheet* version) {
        return unicode::canonicallyEqual(loser.text, version->text);
    });
    const bool nameAsBase = std::any_of(base.begin(), base.end(), [&](const Sheet* version) {
        return unicode::canonicallyEqual(loser.name, version->name);
    });
    const bool nameLost = !nameAsBase && !unicode::canonicallyEqual(loser.name, winner.name);
    const bool textLost = !textAsBase && !linesWithin(loser.text, winner.text);
    return nameLost || textLost;
}

// Whether a version was edited since the copies last agreed: a base holds the sheet, and in none of them
// does it read and carry the name as it does now. Without a base version nothing tells an edit from a
// version the deleting side saw, and the deletion stands.
bool editedSinceBase(const Sheet& version, const std::vector<const Sheet*>& base) {
    if (base.empty()) return false;
    return std::none_of(base.begin(), base.end(), [&](const Sheet* agreed) {
        return unicode::canonicallyEqual(version.text, agreed->text) &&
               unicode::canonicallyEqual(version.name, agreed->name);
    });
}

const Uuid& conflictingCopySpace() {
    static const Uuid space = Uuid::nameBased(Uuid(), "vell: conflicting copy");
    return space;
}

const Uuid& repeatedIdSpace() {
    static const Uuid space = Uuid::nameBased(Uuid(), "vell: repeated id");
    return space;
}

// A conflicting copy's name: the name of the sheet it came from, then the suffix in one of the two
// languages, numbered from the second copy of a name on ("Rent (conflicting copy 2)").
struct CopyName {
    std::string base;
    bool japanese = false;
    int number = 1;
};

constexpr std::string_view englishOpening = " (conflicting copy", englishClosing = ")";
constexpr std::string_view japaneseOpening = "（競合したコピー", japaneseClosing = "）";

std::string nameOf(const CopyName& name) {
    std::string text = name.base;
    text += name.japanese ? japaneseOpening : englishOpening;
    if (name.number > 1) text += ' ' + std::to_string(name.number);
    text += name.japanese ? japaneseClosing : englishClosing;
    return text;
}

// The parts of a name that reads as a conflicting copy's, in either language; none for any other name.
std::optional<CopyName> copyNameOf(std::string_view name) {
    for (const bool japanese : {false, true}) {
        const std::string_view opening = japanese ? japaneseOpening : englishOpening;
        const std::string_view closing = japanese ? japaneseClosing : englishClosing;
        if (!name.ends_with(closing)) continue;
        std::string_view rest = name.substr(0, name.size() - closing.size());
        int number = 1;
        // A number from 2 on, with no leading zero: "copy 2", not "copy 02" nor "copy 1".
        const std::size_t digits =
            rest.size() - std::min(rest.size(), rest.find_last_not_of("0123456789") + 1);
        if (digits > 0) {
            const std::string_view figures = rest.substr(rest.size() - digits);
            if (digits > 9 || figures.front() == '0' || rest.size() < digits + 1 ||
                rest[rest.size() - digits - 1] != ' ')
                continue;
            number = std::stoi(std::string(figures));
            if (number < 2) continue;
            rest.remove_suffix(digits + 1);
        }
        if (!rest.ends_with(opening)) continue;
        rest.remove_suffix(opening.size());
        return CopyName{std::string(rest), japanese, number};
    }
    return std::nullopt;
}

// The name of the sheet a version came from: without the suffixes of copies made of copies.
std::string baseNameOf(const std::string& name) {
    std::string base = unicode::nfc(name);
    while (const auto copy = copyNameOf(base))
        base = copy->base;
    return base;
}

// The version kept beside the one that won. Its id depends only on the sheet and the version's content,
// so every computer that meets the two versions makes the same sheet. A copy of a copy takes the name of
// the sheet the first one came from; the copies of one name are told apart once the merge is done.
Sheet conflictingCopy(const Sheet& loser) {
    Sheet copy = loser;
    copy.id = Uuid::nameBased(conflictingCopySpace(), loser.id.uuidString() + '\0' + duplicateKey(loser));
    copy.name = nameOf({baseNameOf(loser.name), !L10n::isEnglish()});
    return copy;
}

// Gives each conflicting copy that shares its name with another sheet a name of its own: the lowest number
// no sheet has, in the copy's language. Of the sheets that share a name, one that came with either copy
// keeps it before one this merge made, then the one with the smaller id. So the names depend only on the
// merged sheets and on what the two copies held, never on the order in which a computer met them, and
// computers that exchange their copies end with the same names. Returns the ids of the sheets renamed.
std::vector<Uuid> tellCopiesApart(std::vector<Sheet>& sheets, const std::unordered_set<Uuid>& madeHere) {
    std::unordered_map<std::string, std::vector<std::size_t>> holders;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        holders[unicode::nfc(sheets[i].name)].push_back(i);
    const auto keepsFirst = [&](std::size_t a, std::size_t b) {
        const bool aMade = madeHere.contains(sheets[a].id), bMade = madeHere.contains(sheets[b].id);
        if (aMade != bMade) return bMade;
        return sheets[a].id < sheets[b].id;
    };
    std::vector<std::size_t> toRename;
    for (auto& [name, members] : holders) {
        if (members.size() < 2 || !copyNameOf(name)) continue;
        std::sort(members.begin(), members.end(), keepsFirst);
        toRename.insert(toRename.end(), members.begin() + 1, members.end());
    }
    std::sort(toRename.begin(), toRename.end(), keepsFirst);
    std::vector<Uuid> renamed;
    for (const std::size_t i : toRename) {
        // Also a name with the suffix twice, which an earlier version made, comes out with it once.
        CopyName name = *copyNameOf(unicode::nfc(sheets[i].name));
        name.base = baseNameOf(name.base);
        name.number = 1;
        while (holders.contains(unicode::nfc(nameOf(name))))
            ++name.number;
        sheets[i].name = nameOf(name);
        holders[unicode::nfc(sheets[i].name)].push_back(i);
        renamed.push_back(sheets[i].id);
    }
    return renamed;
}

// Every computer must keep the same member of a duplicate group, or each would tombstone the other's.
bool survivesBefore(const Sheet& a, const Sheet& b) {
    const Date aSecond = wholeSecond(a.updatedAt), bSecond = wholeSecond(b.updatedAt);
    if (aSecond != bSecond) return aSecond < bSecond;
    return a.id < b.id;
}

} // namespace

std::vector<Uuid> VellDocument::removeDuplicateSheets(Date now) {
    // Grouped first by a hash of the key, which is made without a copy of an ASCII text, then by the key
    // itself where sheets share a hash: a document of large sheets is not copied whole.
    std::unordered_map<std::size_t, std::vector<std::size_t>> byHash;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        byHash[duplicateHash(sheets[i])].push_back(i);
    std::unordered_map<std::string, std::vector<std::size_t>> groups;
    for (const auto& [hash, members] : byHash)
        if (members.size() > 1)
            for (const std::size_t member : members)
                groups[duplicateKey(sheets[member])].push_back(member);

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
        std::string name = sheets[i].id.uuidString() + '\0' + duplicateKey(sheets[i]);
        Uuid fresh = Uuid::nameBased(repeatedIdSpace(), name);
        while (first.contains(fresh)) {
            name += '\0';
            fresh = Uuid::nameBased(repeatedIdSpace(), name);
        }
        renewed.emplace_back(sheets[i].id, fresh);
        sheets[i].id = fresh;
        first.emplace(fresh, i);
    }
    return renewed;
}

namespace {

// How a merge treats a version that loses: dropped, or kept as a conflicting copy when it holds text of
// its own.
struct ConflictRule {
    bool keep = false;
    std::vector<const VellDocument*> bases;
    std::vector<ConflictingCopy>* made = nullptr;
};

VellDocument mergeCopies(const VellDocument& ours, const VellDocument& theirs, Date now,
                         const ConflictRule& rule) {
    VellDocument result;

    result.deletedSheets = ours.deletedSheets;
    for (const auto& [key, date] : theirs.deletedSheets) {
        const auto [it, inserted] = result.deletedSheets.emplace(key, date);
        if (!inserted && date > it->second) it->second = date;
    }

    const Date ourOrderDate = ours.sheetOrderUpdatedAt.value_or(Date::distantPast);
    const Date theirOrderDate = theirs.sheetOrderUpdatedAt.value_or(Date::distantPast);
    const VellDocument& orderSide = laterOrder(theirs, theirOrderDate, ours, ourOrderDate) ? theirs : ours;
    const VellDocument& secondSide = &orderSide == &ours ? theirs : ours;

    std::unordered_map<Uuid, std::vector<const Sheet*>> baseVersions;
    for (const VellDocument* base : rule.bases)
        for (const Sheet& sheet : base->sheets)
            baseVersions[sheet.id].push_back(&sheet);
    static const std::vector<const Sheet*> noBase;

    // One version per id, listed at the first place the id shows up; a later version replaces an earlier
    // one only when it wins, also between two sheets of one copy that share an id.
    std::vector<Sheet> versions;
    std::vector<Uuid> order;
    std::unordered_map<Uuid, std::size_t> versionIndex;
    std::unordered_set<Uuid> placedByOrderSide;
    struct Loser {
        Sheet version;
        Uuid winner;
    };
    std::vector<Loser> losers;
    const auto take = [&](const Sheet& sheet, bool mayConflict) {
        const auto [it, inserted] = versionIndex.emplace(sheet.id, versions.size());
        if (inserted) {
            versions.push_back(sheet);
            order.push_back(sheet.id);
            return;
        }
        Sheet& held = versions[it->second];
        const bool wins = replaces(sheet, held);
        const Sheet& loser = wins ? held : sheet;
        const Sheet& winner = wins ? sheet : held;
        if (mayConflict && rule.keep) {
            const auto base = baseVersions.find(sheet.id);
            if (holdsTextOfItsOwn(loser, winner, base == baseVersions.end() ? noBase : base->second))
                losers.push_back({loser, sheet.id});
        }
        if (wins) held = sheet;
    };
    for (const Sheet& sheet : orderSide.sheets) {
        take(sheet, true);
        placedByOrderSide.insert(sheet.id);
    }
    for (const Sheet& sheet : secondSide.sheets)
        take(sheet, true);

    const std::size_t madeBefore = rule.made ? rule.made->size() : 0;
    std::unordered_set<Uuid> madeHere;
    for (const Loser& loser : losers) {
        Sheet copy = conflictingCopy(loser.version);
        const Uuid copyID = copy.id;
        // Made once: a copy made here before, or on the other side, is only brought up to date, and keeps
        // the name it was given. A copy that only the second side holds still goes right after its sheet,
        // as on the side that made it.
        const auto held = versionIndex.find(copyID);
        const bool known = held != versionIndex.end();
        if (known)
            copy.name = versions[held->second].name;
        else
            madeHere.insert(copyID);
        if (rule.made) {
            const Sheet& winner = versions[versionIndex.at(loser.winner)];
            rule.made->push_back({loser.winner, winner.name, copyID, copy.name});
        }
        take(copy, false);
        if (known && placedByOrderSide.contains(copyID)) continue;
        order.erase(std::find(order.begin(), order.end(), copyID));
        order.insert(std::find(order.begin(), order.end(), loser.winner) + 1, copyID);
    }

    const auto deletedAfter = [&](const Sheet& sheet) {
        const auto tombstone = result.deletedSheets.find(sheet.id.uuidString());
        return tombstone != result.deletedSheets.end() &&
               wholeSecond(tombstone->second) >= wholeSecond(sheet.updatedAt);
    };
    for (const Uuid& id : order) {
        const Sheet& sheet = versions[versionIndex.at(id)];
        if (!deletedAfter(sheet)) {
            result.sheets.push_back(sheet);
            continue;
        }
        // Deleted on one computer, edited on the other while they were apart: the deletion took the version
        // its side knew, not the edit, which is kept in the sheet's place as a conflicting copy.
        if (!rule.keep) continue;
        const auto base = baseVersions.find(id);
        if (base == baseVersions.end() || !editedSinceBase(sheet, base->second)) continue;
        Sheet copy = conflictingCopy(sheet);
        // Made here or on the other side before: it stands at its own place already.
        if (versionIndex.contains(copy.id) || deletedAfter(copy)) continue;
        if (rule.made) rule.made->push_back({id, sheet.name, copy.id, copy.name, true});
        madeHere.insert(copy.id);
        result.sheets.push_back(std::move(copy));
    }
    if (rule.keep && !tellCopiesApart(result.sheets, madeHere).empty() && rule.made) {
        std::unordered_map<Uuid, const std::string*> names;
        for (const Sheet& sheet : result.sheets)
            names.emplace(sheet.id, &sheet.name);
        for (std::size_t i = madeBefore; i < rule.made->size(); ++i) {
            ConflictingCopy& made = (*rule.made)[i];
            if (const auto name = names.find(made.copyID); name != names.end()) made.copyName = *name->second;
            if (const auto name = names.find(made.sheetID); name != names.end()) made.name = *name->second;
        }
    }

    std::erase_if(result.deletedSheets, [&](const auto& entry) {
        const auto id = Uuid::fromString(entry.first);
        if (!id) return false;
        const auto version = versionIndex.find(*id);
        return version != versionIndex.end() &&
               wholeSecond(versions[version->second].updatedAt) > wholeSecond(entry.second);
    });

    const Date expiry = now.addingSeconds(-VellDocument::tombstoneLifetime);
    std::erase_if(result.deletedSheets, [&](const auto& entry) { return entry.second <= expiry; });

    const Date ourLayoutSecond = wholeSecond(ours.keyLayoutsUpdatedAt.value_or(Date::distantPast));
    const Date theirLayoutSecond = wholeSecond(theirs.keyLayoutsUpdatedAt.value_or(Date::distantPast));
    const bool theirLayoutsNewer = theirLayoutSecond != ourLayoutSecond ? theirLayoutSecond > ourLayoutSecond
                                                                        : theirs.keyLayouts > ours.keyLayouts;
    const VellDocument& layoutSide = theirLayoutsNewer ? theirs : ours;
    result.keyLayouts = layoutSide.keyLayouts;
    result.keyLayoutsUpdatedAt = layoutSide.keyLayoutsUpdatedAt;

    const Date orderDate = std::max(ourOrderDate, theirOrderDate);
    if (orderDate != Date::distantPast) result.sheetOrderUpdatedAt = orderDate;

    // What a later version keeps beside the sheets travels too; this copy's value wins where both hold one.
    result.unknownMembers = ours.unknownMembers;
    result.unknownMembers.insert(theirs.unknownMembers.begin(), theirs.unknownMembers.end());

    result.selectedSheetID = ours.selectedSheetID;
    if (result.sheets.empty())
        result.sheets.push_back(Sheet{Uuid::random(), L10n::text("新しいシート", "New Sheet"), "", now, {}});
    const bool selectionNamesSheet =
        result.selectedSheetID &&
        std::any_of(result.sheets.begin(), result.sheets.end(),
                    [&](const Sheet& sheet) { return sheet.id == *result.selectedSheetID; });
    if (!selectionNamesSheet) result.selectedSheetID = result.sheets.front().id;
    return result;
}

} // namespace

VellDocument VellDocument::merged(const VellDocument& other, Date now) const {
    return mergeCopies(*this, other, now, {});
}

VellDocument VellDocument::mergedKeepingConflicts(const VellDocument& other,
                                                  const std::vector<const VellDocument*>& bases, Date now,
                                                  std::vector<ConflictingCopy>* conflicts) const {
    return mergeCopies(*this, other, now, {true, bases, conflicts});
}

} // namespace vell
