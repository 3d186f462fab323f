#pragma once

// One named sheet of the document: its text, its locked lines and the moment of its last change.

#include "Document/Date.h"
#include "Document/Uuid.h"

#include <cstdint>
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace vell {

struct Sheet {
    Uuid id;
    std::string name;
    std::string text; // lines separated by "\n"
    Date updatedAt;
    std::vector<std::int64_t> lockedLines; // zero-based, ascending
    // Members a later version wrote that this one does not know, kept to be written back unchanged:
    // key to the member's value as compact JSON text.
    std::map<std::string, std::string> unknownMembers = {};

    // Never fails: invalid UTF-8 is written as U+FFFD.
    nlohmann::json toJson() const;
    // Throws DocumentDecodingError. "\r\n" and "\r" in the text become "\n"; the locks stay on their lines.
    static Sheet fromJson(const nlohmann::json& object);

    // Names and texts compare by canonical equivalence.
    friend bool operator==(const Sheet& a, const Sheet& b);
};

} // namespace vell
