#pragma once

// One insertable catalog entry: what its key shows, what it inserts and where the caret ends up.

#include <string>

namespace vell {

struct FunctionItem {
    // Identity, also the slot id under which the user's key arrangement stores the entry.
    std::string id;
    std::string label;
    std::string snippet;
    // UTF-16 units the caret steps back from the end of the inserted snippet.
    int caretBack = 0;
    std::string note;

    bool operator==(const FunctionItem&) const = default;
};

} // namespace vell
