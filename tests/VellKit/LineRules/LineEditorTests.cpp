#include "LineRules/LineEditor.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

TEST(LineEditor, SpecialNamesAreTheEightReservedWords) {
    const auto& names = LineEditor::specialNames();
    EXPECT_EQ(names, (std::unordered_set<std::string>{"prev", "ans", "前", "sum", "subtotal", "小計", "total",
                                                      "合計"}));
    EXPECT_TRUE(names.contains(std::string(LineEditor::subtotalAlias)));
    // Exact membership: callers lower-case the word themselves when case is to be ignored.
    EXPECT_FALSE(names.contains("Sum"));
    EXPECT_EQ(&names, &LineEditor::specialNames());
}

TEST(LineEditor, ReservedNamesAddTheConversionWordsAndX) {
    const auto& names = LineEditor::reservedNames();
    EXPECT_EQ(names.size(), 15u);
    for (const char* word : {"in", "to", "as", "of", "へ", "で", "x"})
        EXPECT_TRUE(names.contains(word)) << word;
    for (const auto& special : LineEditor::specialNames())
        EXPECT_TRUE(names.contains(special)) << special;
}

TEST(LineEditor, KeywordsAreTheProgramLanguageWords) {
    EXPECT_EQ(LineEditor::keywords(), (std::unordered_set<std::string>{
                                          "if", "elif", "else", "for", "while", "def", "return", "break",
                                          "continue", "in", "and", "or", "not", "True", "False", "range"}));
    EXPECT_FALSE(LineEditor::keywords().contains("true"));
}

} // namespace
} // namespace vell
