#include "Engine/LanguageWords.h"

#include <gtest/gtest.h>
#include <optional>
#include <string_view>

namespace vell {
namespace {

using Role = LanguageWords::SpecialRole;

TEST(LanguageWords, EachSpecialNameHasItsRoleAndOnlyAsWritten) {
    const struct {
        std::string_view word;
        std::optional<Role> role;
    } cases[] = {
        {"prev", Role::previousAnswer}, {"ans", Role::previousAnswer}, {"前", Role::previousAnswer},
        {"sum", Role::blockSum},        {"subtotal", Role::blockSum},  {"小計", Role::blockSum},
        {"total", Role::sheetTotal},    {"合計", Role::sheetTotal},    {"Sum", std::nullopt},
        {"PREV", std::nullopt},         {"totals", std::nullopt},      {"", std::nullopt},
        {"subtotal2", std::nullopt},    {"小", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageWords::specialRole(c.word), c.role) << c.word;
}

TEST(LanguageWords, ReservedWordsAreExactAndLeaveTheJapaneseShareWordFree) {
    for (const std::string_view word : LanguageWords::reservedWords)
        EXPECT_TRUE(LanguageWords::isReserved(word)) << word;
    for (const std::string_view word : {"の", "range", "true", "IN", "x", "prev", "→"})
        EXPECT_FALSE(LanguageWords::isReserved(word)) << word;
    for (const std::string_view word : LanguageWords::conversionWords)
        EXPECT_TRUE(LanguageWords::isConversionWord(word) && LanguageWords::isReserved(word)) << word;
    EXPECT_FALSE(LanguageWords::isConversionWord("of"));
}

} // namespace
} // namespace vell
