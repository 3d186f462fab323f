#pragma once

// Copies of the document that came from elsewhere (the shared copy, a sync tool's conflict versions)
// brought into the local one, as the sync does it.

#include "Document/Date.h"
#include "Document/VellDocument.h"

#include <optional>
#include <vector>

namespace vell {

struct CopyFold {
    // The merged document when it differs from the local one.
    std::optional<VellDocument> document;
    // The copies took the place of the starter document, which is dropped, not merged.
    bool replacesStarter = false;
    // The conflicting copies the result holds that the local document did not, each once.
    std::vector<ConflictingCopy> conflicts;
};

// Folds the copies, in order, into the local document (VellDocument::mergedKeepingConflicts against
// `bases`, what was last agreed on with the copies' source, none when not known), then removes duplicate
// sheets. An untouched starter document is replaced by the copies when they hold a sheet.
CopyFold foldCopies(const VellDocument& local, bool usingStarter, const std::vector<VellDocument>& remote,
                    const std::vector<const VellDocument*>& bases, Date now);

} // namespace vell
