#pragma once

// The words of the language in one place: the program language's keywords, the conversion and
// share words, the words a line can never assign to, and the special names that refer to earlier
// answers, with their role. The lexer hands every one of them over as a name token, and they are
// compared exactly, case included ("IN" and "true" are ordinary names); callers that ignore case
// compare the lower-cased word a second time.

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace vell {

struct LanguageWords {
    // --- The program language ----------------------------------------------------------------

    static constexpr std::string_view ifWord = "if";
    static constexpr std::string_view elifWord = "elif";
    static constexpr std::string_view elseWord = "else";
    static constexpr std::string_view forWord = "for";
    static constexpr std::string_view whileWord = "while";
    static constexpr std::string_view defWord = "def";
    static constexpr std::string_view returnWord = "return";
    static constexpr std::string_view breakWord = "break";
    static constexpr std::string_view continueWord = "continue";
    // The call a for loop counts through without building a list: "for i in range(3):".
    static constexpr std::string_view rangeWord = "range";

    // --- Words inside a calculation ----------------------------------------------------------

    // Before a unit target: "5 km in m", "5 km へ m".
    static constexpr std::array<std::string_view, 5> conversionWords{"in", "to", "as", "へ", "で"};
    // Also what separates a loop's name from what it runs over.
    static constexpr std::string_view inWord = conversionWords[0];
    // A conversion written as an operator: "5 km → m".
    static constexpr std::string_view conversionArrow = "→";
    // A share of a whole: "10% of 200", "3 の 4". "の" is no reserved word.
    static constexpr std::string_view ofWord = "of";
    static constexpr std::string_view japaneseOfWord = "の";
    static constexpr std::string_view andWord = "and";
    static constexpr std::string_view orWord = "or";
    static constexpr std::string_view notWord = "not";
    static constexpr std::string_view trueWord = "True";
    static constexpr std::string_view falseWord = "False";

    // The 20 words a line cannot assign to and that never follow an operand as a name: the
    // conversion words, "of", and/or/not, the program language's keywords, True and False.
    static constexpr std::array<std::string_view, 20> reservedWords{
        "in",   "to",   "as",  "of",    "へ",  "で",     "and",   "or",       "not",  "if",
        "elif", "else", "for", "while", "def", "return", "break", "continue", "True", "False"};
    static bool isReserved(std::string_view word);
    static bool isConversionWord(std::string_view word);
    static_assert(std::ranges::all_of(reservedWords, [](std::string_view w) { return w.size() <= 8; }));
    static_assert(std::ranges::all_of(conversionWords, [](std::string_view w) { return w.size() <= 3; }));

    // The 16 words the editor shows as keywords: the program language's, "in", and/or/not, True,
    // False and "range".
    static constexpr std::array<std::string_view, 16> keywords{
        "if",       "elif", "else", "for", "while", "def",  "return", "break",
        "continue", "in",   "and",  "or",  "not",   "True", "False",  "range"};

    // --- Special names -----------------------------------------------------------------------

    enum class SpecialRole {
        previousAnswer, // the answer of the line before
        blockSum,       // the running sum since the last blank line
        sheetTotal      // the running sum of the whole sheet
    };
    struct SpecialName {
        std::string_view word;
        SpecialRole role;
    };
    // What a line that continues the previous answer reads as if written before it.
    static constexpr std::string_view previousWord = "prev";
    // The further alias of "sum".
    static constexpr std::string_view subtotalAlias = "小計";
    // The eight words that refer to earlier answers and can never be used as names.
    static constexpr std::array<SpecialName, 8> specialNames{{
        {previousWord, SpecialRole::previousAnswer},
        {"ans", SpecialRole::previousAnswer},
        {"前", SpecialRole::previousAnswer},
        {"sum", SpecialRole::blockSum},
        {"subtotal", SpecialRole::blockSum},
        {subtotalAlias, SpecialRole::blockSum},
        {"total", SpecialRole::sheetTotal},
        {"合計", SpecialRole::sheetTotal},
    }};

    // The role of a special name written exactly so; none for every other word. Asked for every
    // name a line looks up.
    static constexpr std::optional<SpecialRole> specialRole(std::string_view name) {
        return findSpecial(name, std::make_index_sequence<specialNames.size()>());
    }

private:
    // Unrolled, so that every word is compared as the constant it is: most names are none of them.
    template <std::size_t... I>
    static constexpr std::optional<SpecialRole> findSpecial(std::string_view name,
                                                            std::index_sequence<I...>) {
        std::optional<SpecialRole> role;
        static_cast<void>(((specialNames[I].word == name && (role = specialNames[I].role, true)) || ...));
        return role;
    }
};

} // namespace vell
