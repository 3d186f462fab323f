#pragma once

// What the tab bar and the sidebar store when the user renames a sheet.

#include "Document/Uuid.h"

#include <QString>

namespace vell {

class DocumentStore;

struct SheetRename {
    // The typed name without tabs and spaces (the ideographic space too) at either end; "無題" or "Untitled"
    // in the language of the moment when nothing is left. Line breaks and inner spaces stay.
    static QString finalName(const QString& typed);

    // Renames the sheet to the final name of `typed`. A name the sheet already has stores nothing: the
    // rename would stamp the sheet and could win a merge over a real change made on another computer.
    static void commit(DocumentStore& store, const Uuid& sheetID, const QString& typed);
};

} // namespace vell
