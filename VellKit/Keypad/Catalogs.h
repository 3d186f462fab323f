#pragma once

// The function and unit catalogs: titled groups of insertable entries, resolved in the interface
// language on every read.

#include "Keypad/FunctionItem.h"

#include <string>
#include <vector>

namespace vell {

struct CatalogGroup {
    // The Japanese title; identifies the group, also in the stored key arrangement.
    std::string key;
    std::string title;
    std::vector<FunctionItem> items;

    bool operator==(const CatalogGroup&) const = default;
};

struct FunctionCatalog {
    static std::vector<CatalogGroup> categories();
};

struct UnitCatalog {
    static std::vector<CatalogGroup> categories();
};

} // namespace vell
