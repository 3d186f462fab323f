#pragma once

// What a sheet offers the other sheets of its document: the lines its functions are made of. Two texts
// with the same outline offer the same functions to every other sheet; a change of the outline may
// change what the other sheets' calls give.

#include <string>
#include <string_view>

namespace vell {

struct SharedDefinitions {
    // Every def line with its body and the headers it stands under, each with its line number, in
    // order; empty for a text without functions. A line's number counts: a function's lines are
    // numbered by where they stand.
    static std::string outline(std::string_view text);
};

} // namespace vell
