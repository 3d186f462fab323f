#pragma once

// One change of the document's list of sheets, as the store announces it: which sheet, and where.

#include "Document/Uuid.h"

#include <cstddef>

namespace vell {

struct SheetListChange {
    enum class Kind {
        // `sheetID` now stands at `to`.
        added,
        // `sheetID` stood at `from`.
        removed,
        // `sheetID` went from `from` to `to` (its place in the list as it is now); the others between
        // shifted by one.
        moved,
        // `sheetID`, at `to`, has a new name.
        renamed,
        // Anything may differ: sheets came, went, moved or were renamed at once (a drag of several
        // sheets, a document from another computer, erasing everything).
        replaced,
    };

    Kind kind = Kind::replaced;
    Uuid sheetID;
    std::size_t from = 0;
    std::size_t to = 0;

    static SheetListChange added(const Uuid& id, std::size_t at) { return {Kind::added, id, 0, at}; }
    static SheetListChange removed(const Uuid& id, std::size_t at) { return {Kind::removed, id, at, 0}; }
    static SheetListChange moved(const Uuid& id, std::size_t from, std::size_t to) {
        return {Kind::moved, id, from, to};
    }
    static SheetListChange renamed(const Uuid& id, std::size_t at) { return {Kind::renamed, id, at, at}; }
    static SheetListChange replaced() { return {}; }

    friend bool operator==(const SheetListChange&, const SheetListChange&) = default;
};

} // namespace vell
