#pragma once

// The scan of one line of a sheet into runs of syntax classes: numbers, quoted texts, words (by
// whether they are keywords, built-in functions, units or other names) and operator characters.
// Characters outside every run (spaces, "#", "<", ":" ...) keep the body colour. Note lines are not
// the scan's business: whether a line is a note follows from its evaluated result.

#include "LineRules/SyntaxKind.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vell {

// `start` and `length` are UTF-16 offsets into the scanned line.
struct SyntaxRun {
    std::int64_t start = 0;
    std::int64_t length = 0;
    SyntaxKind kind = SyntaxKind::name;

    friend bool operator==(const SyntaxRun&, const SyntaxRun&) = default;
};

struct SyntaxScan {
    // The runs of one line, without its "\n", in order and without overlaps. The line is walked by
    // user-perceived characters; an unclosed quote runs to the end of the line.
    static std::vector<SyntaxRun> runs(std::u16string_view line);

    // A word is a keyword (exactly as written), a built-in function (in any letter case), a unit (as
    // written) or else a name.
    static SyntaxKind wordKind(std::u16string_view word);
};

} // namespace vell
