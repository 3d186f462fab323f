#include "Keypad/KeySets.h"
#include "Keypad/KeypadDispatch.h"
#include "Keypad/KeypadKey.h"
#include "Keypad/KeypadMetrics.h"
#include "Keypad/KeypadTab.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>
#include <ostream>
#include <unordered_set>

namespace vell {

void PrintTo(const KeypadKey& key, std::ostream* out) {
    *out << "key#" << key.action().index() << " \"" << key.displayLabel() << "\"";
}

namespace {

using K = KeypadKey;
using C = KeypadCommand;

TEST(KeypadKey, LabelsAreFixedAndNeverTheInsertedText) {
    const std::pair<KeypadKey, const char*> cases[] = {
        {K::text(" ", "␣"), "␣"},
        {K::text(" - ", "−"), "−"},
        {K::function("sqrt"), "√"},
        {K::function("sqrt2"), "sqrt2"},
        {K::function("abs"), "abs"},
        {K::snippet("for i in range():", 2), "for i in range():"},
        {K::move(CursorMove::up), "↑"},
        {K::move(CursorMove::down), "↓"},
        {K::move(CursorMove::left), "←"},
        {K::move(CursorMove::right), "→"},
        {K::move(CursorMove::lineStart), "⇤"},
        {K::move(CursorMove::lineEnd), "⇥"},
        {K::backspace(), "⌫"},
        {K::clearSheet(), "⌫"},
        {K::newline(), "⏎"},
        {K::signToggle(), "+/-"},
        {K::cursorToggle(), "✥"},
    };
    for (const AppLanguage language : {AppLanguage::japanese, AppLanguage::english}) {
        testsupport::EngineSettingsScope scope(language);
        for (const auto& [key, label] : cases)
            EXPECT_EQ(key.displayLabel(), label);
    }
}

TEST(KeypadKey, AccentGoesToBracketsSignsCaretKeysLineBreakAndGridSwitch) {
    const std::pair<KeypadKey, bool> cases[] = {
        {K::text("(", "("), true},    {K::text(" ( ", "x"), true},  // trimmed, then looked up
        {K::text("*", "*"), true},    {K::text("+-", "x"), true},   // a run inside "+-*/()"
        {K::text("+*", "x"), false},                                // not a contiguous run
        {K::text(" / ", "÷"), true},  {K::text(" × ", "×"), false}, // not an ASCII sign
        {K::text(" ", "␣"), false},                                 // nothing left after trimming
        {K::text("", ""), false},     {K::text("\n+", "x"), false}, // line breaks are not trimmed
        {K::text("^", "^"), false},   {K::text("7", "7"), false},   {K::move(CursorMove::lineEnd), true},
        {K::newline(), true},         {K::cursorToggle(), true},    {K::function("sqrt"), false},
        {K::snippet("()", 1), false}, {K::backspace(), false},      {K::signToggle(), false},
        {K::clearSheet(), false},
    };
    for (const auto& [key, accented] : cases)
        EXPECT_EQ(key.isAccented(), accented) << ::testing::PrintToString(key);
}

TEST(KeypadKey, OnlyCaretKeysAndBackspaceRepeat) {
    for (const CursorMove move : CursorMoves::allCases)
        EXPECT_TRUE(K::move(move).repeats());
    EXPECT_TRUE(K::backspace().repeats());
    for (const KeypadKey& key : {K::clearSheet(), K::text("7", "7"), K::newline(), K::signToggle(),
                                 K::cursorToggle(), K::function("sqrt"), K::snippet("x", 0)})
        EXPECT_FALSE(key.repeats()) << ::testing::PrintToString(key);
}

TEST(KeypadKey, EqualAndHashedByCaseAndWholePayload) {
    const KeypadKey keys[] = {
        K::text("1", "1"),
        K::text("1", "one"),
        K::text("2", "1"),
        K::function("sqrt"),
        K::function("abs"),
        K::snippet("x", 0),
        K::snippet("x", 1),
        K::snippet("y", 1),
        K::move(CursorMove::up),
        K::move(CursorMove::down),
        K::backspace(),
        K::clearSheet(),
        K::newline(),
        K::signToggle(),
        K::cursorToggle(),
    };
    std::unordered_set<KeypadKey> set;
    for (std::size_t i = 0; i < std::size(keys); ++i) {
        for (std::size_t j = 0; j < std::size(keys); ++j)
            EXPECT_EQ(keys[i] == keys[j], i == j) << i << " " << j;
        EXPECT_EQ(KeypadKey(keys[i]), keys[i]);
        set.insert(keys[i]);
        set.insert(KeypadKey(keys[i]));
    }
    EXPECT_EQ(set.size(), std::size(keys));
}

TEST(KeypadDispatch, EveryKindOfKeyMakesOneCommandExceptTheGridSwitch) {
    const std::pair<KeypadKey, std::optional<KeypadCommand>> cases[] = {
        {K::text(" ", "␣"), C{InsertSnippet{" ", 0, false}}},
        {K::text(" - ", "−"), C{InsertSnippet{" - ", 0, false}}},
        {K::function("sqrt"), C{InsertSnippet{"sqrt()", 1, false}}},
        {K::snippet("def 名前():", 3), C{InsertSnippet{"def 名前():", 3, false}}},
        {K::newline(), C{InsertSnippet{"\n", 0, false}}},
        {K::move(CursorMove::up), C{C::MoveCursor{CursorMove::up}}},
        {K::move(CursorMove::lineStart), C{C::MoveCursor{CursorMove::lineStart}}},
        {K::move(CursorMove::lineEnd), C{C::MoveCursor{CursorMove::lineEnd}}},
        {K::backspace(), C{C::DeleteBackward{}}},
        {K::signToggle(), C{C::ToggleSign{}}},
        {K::clearSheet(), C{C::ClearSheet{}}},
        {K::cursorToggle(), std::nullopt},
    };
    for (const auto& [key, command] : cases)
        EXPECT_EQ(KeypadDispatch::command(key), command) << ::testing::PrintToString(key);
}

TEST(KeypadTab, MadeOnlyFromAnExactRawValue) {
    EXPECT_EQ(KeypadTabs::fromRawValue("数字"), KeypadTab::numbers);
    EXPECT_EQ(KeypadTabs::fromRawValue("関数"), KeypadTab::functions);
    EXPECT_EQ(KeypadTabs::fromRawValue("単位"), KeypadTab::units);
    for (const char* raw : {"関数 ", " 関数", "functions", "f(x)", "Unit", "", "numbers"})
        EXPECT_EQ(KeypadTabs::fromRawValue(raw), std::nullopt) << raw;
    for (const KeypadTab tab : KeypadTabs::allCases)
        EXPECT_EQ(KeypadTabs::fromRawValue(KeypadTabs::rawValue(tab)), tab);
}

TEST(KeypadTab, DisplayNamesInBothLanguages) {
    const struct {
        KeypadTab tab;
        const char* japanese;
        const char* english;
    } cases[] = {
        {KeypadTab::numbers, "数字", "123"},
        {KeypadTab::functions, "関数", "f(x)"},
        {KeypadTab::units, "単位", "Unit"},
    };
    for (const auto& c : cases) {
        {
            testsupport::EngineSettingsScope japanese(AppLanguage::japanese);
            EXPECT_EQ(KeypadTabs::displayName(c.tab), c.japanese);
        }
        testsupport::EngineSettingsScope english(AppLanguage::english);
        EXPECT_EQ(KeypadTabs::displayName(c.tab), c.english);
    }
}

TEST(KeySets, TheTwoGridsDifferOnlyWhereCaretKeysTakeTheDigitsPlaces) {
    const KeyGrid& numbers = KeySets::numbersGrid();
    const KeyGrid& cursor = KeySets::cursorGrid();
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 5; ++column) {
            const std::optional<KeypadKey>& number = numbers[row][column];
            const std::optional<KeypadKey>& caret = cursor[row][column];
            ASSERT_TRUE(number);
            if (number->isDigit() || number == K::text(".", ".")) {
                EXPECT_TRUE(!caret || caret->is<K::Move>()) << row << "," << column;
            } else {
                EXPECT_EQ(caret, number) << row << "," << column;
            }
        }
    }
    // Every caret move has exactly one key, and so does each digit.
    std::unordered_set<KeypadKey> moves;
    std::unordered_set<KeypadKey> digits;
    for (const auto& row : cursor)
        for (const auto& cell : row)
            if (cell && cell->is<K::Move>()) moves.insert(*cell);
    for (const auto& row : numbers)
        for (const auto& cell : row)
            if (cell && cell->isDigit()) digits.insert(*cell);
    EXPECT_EQ(moves.size(), CursorMoves::allCases.size());
    EXPECT_EQ(digits.size(), 10u);
}

TEST(KeypadMetrics, CellsShareTheGridWithFourGapsAndNeverGoBelowZero) {
    const struct {
        double width;
        double height;
        KeypadMetrics::Size cell;
    } cases[] = {
        {400, 160, {75.2, 27.2}}, {560, 248, {107.2, 44.8}}, {24, 24, {0, 0}}, {10, 30, {0, 1.2}},
        {0, 0, {0, 0}},
    };
    for (const auto& c : cases) {
        const KeypadMetrics::Size cell = KeypadMetrics::cellSize(c.width, c.height);
        EXPECT_NEAR(cell.width, c.cell.width, 1e-9) << c.width;
        EXPECT_NEAR(cell.height, c.cell.height, 1e-9) << c.height;
    }
}

TEST(KeypadMetrics, DigitsAreDrawnLargerAtEveryKeySize) {
    const struct {
        double scale;
        double digit;
        double other;
    } cases[] = {{0.85, 20.4, 17.85}, {1.0, 24, 21}, {1.1, 26.4, 23.1}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(KeypadMetrics::labelSize(K::text("7", "7"), c.scale), c.digit);
        EXPECT_DOUBLE_EQ(KeypadMetrics::labelSize(K::text("0", "0"), c.scale), c.digit);
        for (const KeypadKey& key : {K::text("π", "π"), K::text(".", "."), K::function("sqrt"),
                                     K::text("77", "77"), K::backspace(), K::move(CursorMove::up)})
            EXPECT_DOUBLE_EQ(KeypadMetrics::labelSize(key, c.scale), c.other)
                << ::testing::PrintToString(key);
    }
}

} // namespace
} // namespace vell
