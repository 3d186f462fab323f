#include "LineRules/LineEditor.h"

namespace vell {

const std::unordered_set<std::string>& LineEditor::specialNames() {
    static const std::unordered_set<std::string> names{
        "prev", "ans", "前", "sum", "subtotal", std::string(subtotalAlias), "total", "合計",
    };
    return names;
}

const std::unordered_set<std::string>& LineEditor::reservedNames() {
    static const std::unordered_set<std::string> names = [] {
        std::unordered_set<std::string> words{"in", "to", "as", "of", "へ", "で", "x"};
        words.insert(specialNames().begin(), specialNames().end());
        return words;
    }();
    return names;
}

const std::unordered_set<std::string>& LineEditor::keywords() {
    static const std::unordered_set<std::string> words{
        "if",       "elif", "else", "for", "while", "def",  "return", "break",
        "continue", "in",   "and",  "or",  "not",   "True", "False",  "range",
    };
    return words;
}

} // namespace vell
