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

} // namespace
} // namespace vell
