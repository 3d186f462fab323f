#pragma once

// Stateless text rules of one line of a sheet, shared by the editor, the document store and the
// sheet evaluator.

#include <string>
#include <string_view>
#include <unordered_set>

namespace vell {

struct LineEditor {
    // The further alias of "sum": the sheet evaluator reads it as the block sum, and it is reserved.
    static constexpr std::string_view subtotalAlias = "小計";

    // The eight words that refer to earlier answers and can never be used as names. Members are
    // tested by exact equality (callers that ignore case test the lower-cased word a second time).
    static const std::unordered_set<std::string>& specialNames();
};

} // namespace vell
