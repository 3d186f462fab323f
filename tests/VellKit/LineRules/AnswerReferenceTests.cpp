#include "Engine/L10n.h"
#include "LineRules/AnswerReference.h"

#include <gtest/gtest.h>
#include <string>

namespace vell {
namespace {

using Outcome = AnswerReference::Outcome;

TEST(AnswerReference, PutsTheLineNameInAtTheCaretWithASpaceWhereNeeded) {
    struct Case {
        const char* what;
        std::u16string text;
        std::int64_t caret;
        std::int64_t line;
        std::u16string result;
        std::int64_t caretAfter;
    };
    const Case cases[] = {
        {"after a space", u"price = 1200\n2 × ", 17, 0, u"price = 1200\n2 × price", 22},
        {"after a digit", u"price = 1200\n2", 14, 0, u"price = 1200\n2 price", 20},
        {"after a bracket", u"price = 1200\nsqrt(", 18, 0, u"price = 1200\nsqrt(price", 23},
        {"at the start of the text", u"\nprice = 1200", 0, 1, u"price\nprice = 1200", 5},
        {"after an operator", u"price = 1200\n3+", 15, 0, u"price = 1200\n3+price", 20},
    };
    for (const Case& c : cases) {
        const auto insertion = AnswerReference::insert(c.text, c.caret, c.line, {});
        EXPECT_EQ(insertion.outcome, Outcome::insert) << c.what;
        EXPECT_EQ(insertion.text, c.result) << c.what;
        EXPECT_EQ(insertion.caret, c.caretAfter) << c.what;
    }
}

TEST(AnswerReference, NamesAnUnnamedLineInTheSameChangeAndKeepsTheCaretInPlace) {
    // The named line lies above the caret: the caret moves by what the naming added.
    const auto below = AnswerReference::insert(u"3 × 4\n2 + ", 10, 0, {});
    EXPECT_EQ(below.text, u"x1 = 3 × 4\n2 + x1");
    EXPECT_EQ(below.caret, 17);
    // Below the caret: the caret stays.
    const auto above = AnswerReference::insert(u"2 + \n3 × 4", 4, 1, {});
    EXPECT_EQ(above.text, u"2 + x1\nx1 = 3 × 4");
    EXPECT_EQ(above.caret, 6);
}

TEST(AnswerReference, DoesNothingOnItsOwnLineAndRefusesALockedCaretLine) {
    EXPECT_EQ(AnswerReference::insert(u"price = 1200", 3, 0, {}).outcome, Outcome::nothing);
    EXPECT_EQ(AnswerReference::insert(u"price = 1200\n2", 14, 0, {1}).outcome, Outcome::refused);
    // Locks elsewhere, the clicked line's among them, block nothing.
    EXPECT_EQ(AnswerReference::insert(u"3 × 4\n2", 7, 0, {0}).text, u"x1 = 3 × 4\n2 x1");
    // A blank line has nothing to refer to.
    EXPECT_EQ(AnswerReference::insert(u"\n2", 2, 0, {}).outcome, Outcome::nothing);
    // The caret's line is counted by "\n": at the very end it is the last line.
    EXPECT_EQ(AnswerReference::caretLine(u"a\nb\n", 4), 2);
    EXPECT_EQ(AnswerReference::caretLine(u"a\nb", 1), 0);
}

TEST(AnswerReference, TokenNamesTheLineWhenNeededAndKeepsTheCaretOffset) {
    const auto named = AnswerReference::token(u"price = 1200\n2", 14, 0);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->name, u"price");
    EXPECT_EQ(named->text, u"price = 1200\n2");

    const auto fresh = AnswerReference::token(u"3 × 4\n2", 7, 0);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->text, u"x1 = 3 × 4\n2");
    EXPECT_EQ(fresh->name, u"x1");
    EXPECT_EQ(fresh->caret, 7);

    EXPECT_FALSE(AnswerReference::token(u"a\n\n", 0, 1));
    EXPECT_FALSE(AnswerReference::token(u"a", 0, 5));
}

} // namespace
} // namespace vell
