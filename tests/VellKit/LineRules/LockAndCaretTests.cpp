#include "LineRules/CursorMove.h"
#include "LineRules/LineEditor.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace vell {
namespace {

// --- Locked lines ----------------------------------------------------------------------------------

TEST(EditTouchesLockedLine, GuardsTheLockedLineAndItsLineBreakAbove) {
    const std::u16string text = u"ab\ncd\nef";
    const std::set<std::int64_t> locked{1};
    struct Case {
        TextRange edit;
        bool touches;
    };
    const Case cases[] = {
        {{3, 0}, true},   // start of the locked line
        {{5, 0}, true},   // its end, before its "\n"
        {{4, 1}, true},   // a character of it
        {{6, 0}, false},  // start of the next line
        {{2, 0}, false},  // end of the line above
        {{2, 1}, true},   // the "\n" above: would join the lines
        {{0, 8}, true},   // everything
        {{5, 1}, true},   // its own "\n"
        {{6, 2}, false},  // only the line below
        {{-3, 0}, false}, // cut to 0
        {{99, 0}, false}, // cut to the end: the last line
        {{0, 2}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineEditor::editTouchesLockedLine(text, c.edit, locked), c.touches)
            << c.edit.location << "+" << c.edit.length;
}

TEST(EditTouchesLockedLine, AllowsEverythingWithoutLocks) {
    EXPECT_FALSE(LineEditor::editTouchesLockedLine(u"ab\ncd", {0, 5}, {}));
    EXPECT_FALSE(LineEditor::editTouchesLockedLine(u"ab", {40, 9}, {}));
    // A range beyond the end is measured at the end.
    EXPECT_TRUE(LineEditor::editTouchesLockedLine(u"ab\ncd", {4, 100}, {1}));
    EXPECT_TRUE(LineEditor::editTouchesLockedLine(u"ab\ncd", {99, 0}, {1}));
    // Lines are counted by "\n" only; a "\r\n" pair is one break.
    EXPECT_TRUE(LineEditor::editTouchesLockedLine(u"a\r\nb\rc", {6, 0}, {1}));
}

TEST(RemapLockedLines, EachLockFollowsItsLine) {
    struct Case {
        std::vector<std::int64_t> locks;
        std::u16string before;
        std::u16string after;
        std::vector<std::int64_t> remapped;
    };
    const Case cases[] = {
        {{1}, u"a\nb\nc", u"x\na\nb\nc", {2}},
        {{1}, u"a\nb\nc", u"a\nc", {}},
        {{0, 2}, u"k\nm\nk", u"k\nk", {0, 1}},
        {{7}, u"a\nb\nc", u"a\nb\nc", {}},
        {{-1, 0}, u"a\nb", u"a\nb", {0}},
        {{2}, u"a\nb\nc", u"c\na\nb\nc", {0}}, // the first identical line takes the lock
        {{2, 0}, u"a\nb\nc", u"a\nb\nc", {0, 2}},
        {{1, 1}, u"a\nb\nb", u"a\nb\nb", {1}},
        {{}, u"a", u"a", {}},
        {{0}, u"", u"x\n", {1}},                    // an empty text is one empty line
        {{1}, u"a\n", u"a\n", {1}},                 // a final "\n" ends with an empty line
        {{0}, u"caf\u00E9", u"x\ncafe\u0301", {1}}, // canonically equivalent lines match
        {{0}, u"caf\u00E9", u"cafe", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineEditor::remapLockedLines(c.locks, c.before, c.after), c.remapped);
}

// --- Caret moves ---------------------------------------------------------------------------------

TEST(CursorMove, RawValuesRoundTrip) {
    const char* raw[] = {"up", "down", "left", "right", "lineStart", "lineEnd"};
    ASSERT_EQ(CursorMoves::allCases.size(), std::size(raw));
    for (std::size_t i = 0; i < std::size(raw); ++i) {
        EXPECT_EQ(CursorMoves::rawValue(CursorMoves::allCases[i]), raw[i]);
        EXPECT_EQ(CursorMoves::fromRawValue(raw[i]), CursorMoves::allCases[i]);
    }
    EXPECT_EQ(CursorMoves::fromRawValue("Up"), std::nullopt);
    EXPECT_EQ(CursorMoves::fromRawValue(""), std::nullopt);
}

struct MoveCase {
    CursorMove move;
    std::u16string text;
    std::int64_t caret;
    std::int64_t expected;
};

void expectMoves(const std::vector<MoveCase>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const MoveCase& c = cases[i];
        EXPECT_EQ(LineEditor::move(c.move, c.text, c.caret), c.expected)
            << "case " << i << ": " << CursorMoves::rawValue(c.move) << " from " << c.caret;
    }
}

TEST(Move, UpAndDownKeepTheColumnWhereTheyCan) {
    using enum CursorMove;
    expectMoves({
        {up, u"abc\ndef", 2, 2},
        {up, u"abc\ndef", 6, 2},
        {up, u"abcdefg\nab\nabcdefg", 16, 10}, // column 5 into a line of 2: its end
        {up, u"ab\nabcdefg", 8, 2},
        {down, u"abc\ndef", 1, 5},
        {down, u"abcdefg\nab", 5, 10}, // to the end of a short last line
        {down, u"abc\ndef", 5, 5},     // last line
        {down, u"abc\n", 1, 4},        // to the empty last line
        {down, u"abc\ndef\n", 6, 8},
        {down, u"abc\n", 4, 4},
        {down, u"", 0, 0},
        {up, u"", 0, 0},
        {up, u"abc", 99, 3},      // cut to the end, on line 0
        {down, u"ab\ncd", -5, 3}, // cut to 0
        // A column inside a two-unit character lands at its start.
        {up, u"😀b\nabc", 5, 0},
        {up, u"😀b\nabc", 6, 2},
        {down, u"abc\n😀b", 1, 4},
        {down, u"abc\na😀", 2, 5},
        {up, u"e\u0301x\nabc", 5, 0}, // inside a letter with its accent
        {down, u"ab\r\ncd", 0, 4},
    });
}

TEST(Move, LeftAndRightStepOverWholeCharacters) {
    using enum CursorMove;
    expectMoves({
        {left, u"abc", 0, 0},
        {left, u"abc", 2, 1},
        {right, u"abc", 3, 3},
        {right, u"abc", 1, 2},
        {left, u"a😀", 3, 1},
        {right, u"a😀b", 1, 3},
        {right, u"a😀", 2, 3}, // from inside the pair: its end
        {left, u"ae\u0301", 3, 1},
        {right, u"e\u0301x", 0, 2},
        {left, u"👍🏽x", 4, 0},            // emoji with a skin tone
        {right, u"👨‍👩‍👧x", 0, 8}, // family joined by zero-width joiners
        {right, u"🇯🇵🇺🇸", 0, 4},                // one flag at a time
        {left, u"あい", 2, 1},
        {left, u"a\r\nb", 3, 1}, // "\r\n" is one character
        {right, u"a\nb", 1, 2},
        {left, u"abc", 99, 2},
    });
}

TEST(Move, LineStartAndLineEnd) {
    using enum CursorMove;
    expectMoves({
        {lineStart, u"ab\ncd", 4, 3},
        {lineStart, u"ab\ncd", 3, 3},
        {lineStart, u"ab\ncd", 1, 0},
        {lineEnd, u"ab\ncd", 3, 5}, // last line without a final "\n": the text length
        {lineEnd, u"ab\ncd", 0, 2},
        {lineEnd, u"ab\n", 3, 3},
        {lineStart, u"ab\n", 3, 3},
        {lineEnd, u"", 0, 0},
    });
}

// --- Sign toggle ---------------------------------------------------------------------------------

TEST(ToggleSign, AddsOrRemovesTheSignOfTheNumberBeforeTheCaret) {
    struct Case {
        std::u16string text;
        std::int64_t caret;
        std::u16string toggled;
        std::int64_t location;
    };
    const Case cases[] = {
        {u"5", 1, u"-5", 2},
        {u"-5", 2, u"5", 1},
        {u"3 -5", 4, u"3 5", 3},
        {u"(-5", 3, u"(5", 2},
        {u"3-5", 3, u"3--5", 4},   // a minus after a digit is an operator
        {u"\t-5", 3, u"\t--5", 4}, // a tab does not make the "-" a sign
        {u"1\n-5", 4, u"1\n5", 3},
        {u"abc", 3, u"abc-", 4},
        {u"", 0, u"-", 1},
        {u"1,234.5", 7, u"-1,234.5", 8},
        {u"12万", 3, u"-12万", 4},
        {u"1234", 2, u"-1234", 3}, // digits after the caret play no part
        {u"x = 12", 6, u"x = -12", 7},
        {u"x = -12", 7, u"x = 12", 6},
        {u"x + 5", 3, u"x +- 5", 4}, // no number before the caret
        {u"5", 99, u"-5", 2},
        {u"5", -2, u"-5", 1},
    };
    for (const Case& c : cases) {
        const auto toggled = LineEditor::toggleSign(c.text, c.caret);
        EXPECT_EQ(toggled.text, c.toggled);
        EXPECT_EQ(toggled.location, c.location);
    }
}

} // namespace
} // namespace vell
