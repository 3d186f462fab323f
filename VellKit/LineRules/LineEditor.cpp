#include "LineRules/LineEditor.h"

namespace vell {

const std::unordered_set<std::string>& LineEditor::specialNames() {
    static const std::unordered_set<std::string> names{
        "prev", "ans", "前", "sum", "subtotal", std::string(subtotalAlias), "total", "合計",
    };
    return names;
}

} // namespace vell
