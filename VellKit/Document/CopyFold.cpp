#include "Document/CopyFold.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace vell {

namespace {

// Only the copies that are new to the local document and still in the result, each once, with the names
// they have there (a later copy may have renamed one made earlier in the fold).
std::vector<ConflictingCopy> newCopies(const std::vector<ConflictingCopy>& made, const VellDocument& local,
                                       const VellDocument& result) {
    std::unordered_set<Uuid> seen;
    for (const Sheet& sheet : local.sheets)
        seen.insert(sheet.id);
    std::unordered_map<Uuid, const std::string*> names;
    for (const Sheet& sheet : result.sheets)
        names.emplace(sheet.id, &sheet.name);
    std::vector<ConflictingCopy> out;
    for (const ConflictingCopy& copy : made) {
        const auto name = names.find(copy.copyID);
        if (name == names.end() || !seen.insert(copy.copyID).second) continue;
        out.push_back(copy);
        out.back().copyName = *name->second;
        if (const auto sheetName = names.find(copy.sheetID); sheetName != names.end())
            out.back().name = *sheetName->second;
    }
    return out;
}

} // namespace

CopyFold foldCopies(const VellDocument& local, bool usingStarter, const std::vector<VellDocument>& remote,
                    const std::vector<const VellDocument*>& bases, Date now) {
    CopyFold result;
    if (remote.empty()) return result;
    std::vector<ConflictingCopy> made;
    if (usingStarter) {
        // The starter document on screen was never touched: the copies replace it.
        VellDocument folded = remote.front();
        for (std::size_t i = 1; i < remote.size(); ++i)
            folded = folded.mergedKeepingConflicts(remote[i], bases, now, &made);
        if (!folded.sheets.empty()) {
            // Only the starter sheets go; deletions and layouts the local document holds still count.
            VellDocument localWithoutSheets = local;
            localWithoutSheets.sheets.clear();
            folded = folded.merged(localWithoutSheets, now);
            folded.selectedSheetID = folded.sheets.front().id;
            folded.removeDuplicateSheets(now);
            result.conflicts = newCopies(made, local, folded);
            result.document = std::move(folded);
            result.replacesStarter = true;
            return result;
        }
        made.clear();
    }
    VellDocument merged = local;
    for (const VellDocument& copy : remote)
        merged = merged.mergedKeepingConflicts(copy, bases, now, &made);
    merged.removeDuplicateSheets(now);
    if (merged == local) return result;
    result.conflicts = newCopies(made, local, merged);
    result.document = std::move(merged);
    return result;
}

} // namespace vell
