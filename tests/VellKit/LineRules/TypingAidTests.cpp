#include "Engine/Lexer.h"
#include "LineRules/LineEditor.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vell {

void PrintTo(const LineEditor::Regrouping& r, std::ostream* os) {
    *os << "(" << r.range.location << ", " << r.range.length << ") \"" << unicode::fromUtf16(r.text)
        << "\" caret " << r.location;
}

namespace {

using Regrouping = LineEditor::Regrouping;

std::int64_t length(std::u16string_view text) {
    return static_cast<std::int64_t>(text.size());
}

// --- Quoted runs ---------------------------------------------------------------------------------

TEST(QuotedEnd, ClosesOnlyWithAnUnescapedQuoteOfTheOpeningFamily) {
    struct Case {
        std::u16string text;
        std::int64_t from;
        std::optional<std::int64_t> end;
    };
    const Case cases[] = {
        {u"\"abc\" + 1", 0, 5},
        {u"“abc\" + 1", 0, 5}, // “ is closed by the plain double quote
        {u"＂ab” x", 0, 4},    // every member of the double family closes
        {u"'ab’ x", 0, 4},     // and of the single family
        {u"\"ab' x", 0, 6},    // a single quote does not close a double run
        {u"'ab\" x", 0, 6},
        {u"\"a\\\"b\" + 1", 0, 6},   // a backslash hides the quote after it
        {u"\"ab\\", 0, 4},           // a final backslash hides nothing
        {u"\"abc", 0, 4},            // unclosed: the end of the text
        {u"x \"a\nb\" c", 2, 7},     // a later line can close the run
        {u"\"😀\" x", 0, 4},          // characters, not units, are stepped over
        {u"abc", 0, std::nullopt},   // no quote at the index
        {u"\"a\"", 3, std::nullopt}, // outside the text
        {u"\"a\"", -1, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineEditor::quotedEnd(c.text, c.from), c.end) << c.from;
}

TEST(QuotedEnd, AQuoteCarryingACombiningMarkIsNoQuote) {
    EXPECT_EQ(LineEditor::quotedEnd(u"\"\u0301abc", 0), std::nullopt);
    EXPECT_EQ(LineEditor::quotedEnd(u"\"ab\"\u0301c\"", 0), 7);
}

TEST(ShouldShowMultiplyAsCross, TellsCodeFromNotesAndOpenTexts) {
    struct Case {
        std::u16string text;
        std::int64_t caret;
        bool inCode;
    };
    const Case cases[] = {
        {u"3 ", 2, true},
        {u"", 0, true},
        {u"// 3 ", 5, false},
        {u"3 // x", 6, false},
        {u"a //", 3, false}, // between the two slashes
        {u"a /", 3, true},
        {u"\"abc\" ", 6, true},
        {u"\"abc\"", 5, true}, // right after the closing quote
        {u"\"abc", 4, false},  // at the end of an open text
        {u"\"abc", 2, false},  // inside it
        {u"\"abc\" + \"d", 10, false},
        {u"\"abc'", 5, false}, // ends with a quote of the other family: still open
        {u"“abc'", 5, false},
        {u"\"abc\\\"", 6, false},   // ends with an escaped quote: still open
        {u"'it’s' ", 7, false},     // "’" closes the run, so the last "'" opens another
        {u"// note\n3 ", 10, true}, // only the caret's line counts
        {u"\"open\n3 ", 8, true},
        {u"3 ", -4, true},
        {u"// 3", 99, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(LineEditor::shouldShowMultiplyAsCross(cases[i].text, cases[i].caret), cases[i].inCode)
            << "case " << i;
}

// --- Multiplication sign, indent, snippets --------------------------------------------------------

TEST(MultiplySignInsertion, SpacesTheCrossInCodeOnly) {
    EXPECT_EQ(LineEditor::multiplySignInsertion(u"3", 1), u" × ");
    EXPECT_EQ(LineEditor::multiplySignInsertion(u"3 ", 2), u"× ");
    EXPECT_EQ(LineEditor::multiplySignInsertion(u"", 0), u"× ");
    EXPECT_EQ(LineEditor::multiplySignInsertion(u"3\n", 2), u"× ");
    EXPECT_EQ(LineEditor::multiplySignInsertion(u"3\t", 2), u"× ");
    EXPECT_EQ(LineEditor::multiplySignInsertion(u"// 3 ", 5), std::nullopt);
    EXPECT_EQ(LineEditor::multiplySignInsertion(u"\"3 ", 3), std::nullopt);
    // The open text ends with a quote of the other family: the "*" is typed as it is.
    EXPECT_EQ(LineEditor::multiplySignInsertion(u"\"abc'", 5), std::nullopt);
    EXPECT_EQ(LineEditor::multiplySignInsertion(u"\"abc\"", 5), u" × ");
}

TEST(NewlineIndent, CopiesTheIndentAndAddsABlockAfterAColon) {
    struct Case {
        std::u16string text;
        std::int64_t caret;
        std::u16string indent;
    };
    const Case cases[] = {
        {u"if x > 3:", 9, u"    "},
        {u"\t　y:", 4, u"\t　    "},
        {u"  ab", 4, u"  "},
        {u"    ab", 2, u"  "}, // only the spaces before the caret
        {u"if a:   ", 8, u"    "},
        {u"for i in range(3)：", 18, u"    "},
        {u"x = 1\n  if a:\n", 13, u"      "},
        {u"ab", 2, u""},
        {u"", 0, u""},
        {u"  // note:", 10, u"      "}, // a note ending in ":" indents as well
        {u"  ab", 99, u"  "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineEditor::newlineIndent(c.text, c.caret), c.indent) << c.caret;
}

TEST(SpacedSnippet, SeparatesASnippetFromTheWordBeforeIt) {
    struct Case {
        std::u16string snippet;
        std::u16string text;
        bool namedValue;
        std::u16string result;
    };
    const Case cases[] = {
        {u"sqrt()", u"x", false, u" sqrt()"},
        {u"price", u"total", true, u" + price"},
        {u"price", u"3", true, u" + price"},
        {u"km", u"12", false, u" km"},
        {u"+", u"x", false, u"+"},
        {u"sqrt()", u"x ", false, u"sqrt()"},
        {u"sqrt()", u"", false, u"sqrt()"},
        {u"sqrt()", u"(", false, u"sqrt()"},
        {u"", u"x", true, u""},
        {u"_a", u"b_", false, u" _a"},
        {u"万", u"3", false, u" 万"}, // ideographs are letters
        {u"x", u"３", false, u" x"},  // so is any character with a numeric value
        {u"x", u"m²", false, u" x"},
        {u"x", u"café", false, u" x"},
        {u"x", u"cafe\u0301", false, u" x"}, // the accent belongs to the letter
        {u"x", u"😀", false, u"x"},
        // A digit continues the number before it, in ASCII or full width; anything else is set apart.
        {u"2", u"1", false, u"2"},
        {u"0", u"12.5", false, u"0"},
        {u"５", u"１", false, u"５"},
        {u"5", u"１", false, u"5"},
        {u"2", u"x", false, u" 2"},
        {u"2", u"²", false, u" 2"},
        {u"2e", u"1", false, u"2e"},
        {u"sqrt()", u"2", false, u" sqrt()"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineEditor::spacedSnippet(c.snippet, c.text, length(c.text), c.namedValue), c.result);
    EXPECT_EQ(LineEditor::spacedSnippet(u"x", u"ab", 0, false), u"x");
    EXPECT_EQ(LineEditor::spacedSnippet(u"x", u"a b", 1, false), u" x");
}

// --- Digit grouping -------------------------------------------------------------------------------

TEST(GroupedDigits, RegroupsTheIntegerPart) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"1234567.891", u"1,234,567.891"},
        {u"１２３４５６７.８", u"１,２３４,５６７.８"},
        {u"1,２3４", u"1,２3４"},
        {u"1２3４", u"1,２3４"},
        {u"1,2,3", u"123"},
        {u"1234,", u"1,234"},
        {u"123", u"123"},
        {u"1234.5678", u"1,234.5678"},
        {u"12a", u"12a"},
        {u".5", u".5"},
        {u"", u""},
        {u",", u","},
    };
    for (const auto& [input, output] : cases)
        EXPECT_EQ(LineEditor::groupedDigits(input), output);
}

struct GroupingCase {
    const char* what;
    std::u16string text;
    TextRange edit;
    std::u16string replacement;
    std::optional<Regrouping> result;
};

void expectGrouping(const GroupingCase& c) {
    EXPECT_EQ(LineEditor::digitGrouping(c.text, c.edit, c.replacement), c.result) << c.what;
}

Regrouping regroup(std::int64_t location, std::int64_t length, std::u16string text, std::int64_t caret) {
    return Regrouping{TextRange{location, length}, std::move(text), caret};
}

TEST(DigitGrouping, RegroupsTheNumberAroundTheEdit) {
    const GroupingCase cases[] = {
        {"type at the end", u"1234", {4, 0}, u"5", regroup(0, 4, u"12,345", 6)},
        {"type after a group", u"12,345", {6, 0}, u"6", regroup(0, 6, u"123,456", 7)},
        {"type inside", u"1234", {2, 0}, u"9", regroup(0, 4, u"12,934", 4)},
        {"delete the last digit", u"1,234", {4, 1}, u"", regroup(0, 5, u"123", 3)},
        {"delete inside", u"12,345", {3, 1}, u"", regroup(0, 6, u"1,245", 3)},
        {"delete a grouping comma", u"1,234,567", {1, 1}, u"", regroup(0, 9, u"1,234,567", 1)},
        {"fraction digits", u"1234.5", {6, 0}, u"6", regroup(0, 6, u"1,234.56", 8)},
        {"after the point", u"1234.", {5, 0}, u"5", regroup(0, 5, u"1,234.5", 7)},
        {"malformed first group", u"1234,567", {8, 0}, u"8", regroup(5, 3, u"5,678", 10)},
        {"second number only", u"1234 + 5678", {11, 0}, u"9", regroup(7, 4, u"56,789", 13)},
        {"paste digits", u"12", {2, 0}, u"3456", regroup(0, 2, u"123,456", 7)},
        {"replace a selection", u"1,234", {0, 5}, u"56789", regroup(0, 5, u"56,789", 6)},
        {"after a space and an operator", u"x = 999", {7, 0}, u"9", regroup(4, 3, u"9,999", 9)},
        {"inside a closed text's line", u"\"a\" 1234", {8, 0}, u"5", regroup(4, 4, u"12,345", 10)},
        {"on a later line", u"// 1\n1234", {9, 0}, u"5", regroup(5, 4, u"12,345", 11)},
        {"caret before a comma", u"1,234", {2, 0}, u"99", regroup(0, 5, u"199,234", 3)},
        // Full-width digits group like ASCII ones and stay as typed.
        {"full-width digit at the end", u"1,234", {5, 0}, u"５", regroup(0, 5, u"12,34５", 6)},
        {"full-width digit inside", u"1,234", {3, 0}, u"５", regroup(0, 5, u"12,５34", 4)},
        {"full-width digit after ASCII ones", u"1234", {4, 0}, u"５", regroup(0, 4, u"12,34５", 6)},
        {"full-width number", u"１２３４", {4, 0}, u"５", regroup(0, 4, u"１２,３４５", 6)},
        {"delete in a full-width number", u"１２,３４５", {5, 1}, u"", regroup(0, 6, u"１,２３４", 5)},
        {"full-width fraction digits", u"1234.５", {6, 0}, u"６", regroup(0, 6, u"1,234.５６", 8)},
    };
    for (const GroupingCase& c : cases)
        expectGrouping(c);
}

TEST(DigitGrouping, LeavesEditsAloneThatNeedNoRegrouping) {
    const GroupingCase cases[] = {
        {"short number", u"12", {2, 0}, u"3", std::nullopt},
        {"small fraction", u"0.1234", {6, 0}, u"5", std::nullopt},
        {"long fraction", u"12.3456", {7, 0}, u"7", std::nullopt},
        {"not a separator", u"12,34", {5, 0}, u"5", std::nullopt},
        {"after a letter", u"x1", {2, 0}, u"234", std::nullopt},
        {"after a letter, grouped", u"x1,234", {6, 0}, u"5", std::nullopt},
        {"line reference", u"#1234", {5, 0}, u"5", std::nullopt},
        {"after a multiplier", u"1万2345", {6, 0}, u"6", std::nullopt},
        {"after an underscore", u"a_1234", {6, 0}, u"5", std::nullopt},
        {"after a point", u"1.2.345", {7, 0}, u"6", std::nullopt},
        {"in a note", u"// 1234", {7, 0}, u"5", std::nullopt},
        {"in an open text", u"\"1234", {5, 0}, u"5", std::nullopt},
        {"in a text open by the other family", u"\"a' 1234", {8, 0}, u"5", std::nullopt},
        {"typed point", u"1234", {4, 0}, u".", std::nullopt},
        {"typed comma", u"1234", {4, 0}, u",", std::nullopt},
        {"typed letter", u"1234", {4, 0}, u"a", std::nullopt},
        {"full-width digit in a short number", u"1２", {2, 0}, u"３", std::nullopt},
        {"full-width digit after a letter", u"x1,234", {6, 0}, u"５", std::nullopt},
        {"replaced letters", u"12ab", {2, 2}, u"34", std::nullopt},
        {"negative location", u"1234", {-1, 0}, u"5", std::nullopt},
        {"negative length", u"1234", {4, -1}, u"5", std::nullopt},
        {"beyond the end", u"1234", {3, 2}, u"5", std::nullopt},
        {"empty text, empty edit", u"", {0, 0}, u"", std::nullopt},
    };
    for (const GroupingCase& c : cases)
        expectGrouping(c);
}

// Types the text one character at a time at the end, as the editor applies the regroupings.
std::u16string typeWithGrouping(std::u16string_view typed) {
    std::u16string text;
    for (const char16_t unit : typed) {
        const std::u16string replacement(1, unit);
        if (const auto result = LineEditor::digitGrouping(text, {length(text), 0}, replacement))
            text.replace(static_cast<std::size_t>(result->range.location),
                         static_cast<std::size_t>(result->range.length), result->text);
        else
            text += replacement;
    }
    return text;
}

std::size_t numbersRead(std::u16string_view line) {
    const std::vector<Token> tokens = Lexer::tokenize(unicode::fromUtf16(line));
    return static_cast<std::size_t>(std::count_if(
        tokens.begin(), tokens.end(), [](const Token& t) { return t.kind == Token::Kind::number; }));
}

// Inside a call or a list a "," may separate arguments: "max(5,1234)" must not become
// "max(51,234)", nor "sqrt(12345)" become "sqrt(1,2,345)". Digits there stay as typed.
TEST(DigitGrouping, LeavesNumbersInCallsAndListsAsTyped) {
    const GroupingCase cases[] = {
        {"second argument", u"max(5,123", {9, 0}, u"4", std::nullopt},
        {"second argument, closed", u"max(5,123)", {9, 0}, u"4", std::nullopt},
        {"after a space", u"max(5, 123", {10, 0}, u"4", std::nullopt},
        {"first argument", u"sqrt(1234", {9, 0}, u"5", std::nullopt},
        {"grouped first argument", u"sqrt(1,234", {10, 0}, u"5", std::nullopt},
        {"deep in an argument", u"max(2*5,123", {11, 0}, u"4", std::nullopt},
        {"nested plain parentheses", u"max((5,123", {10, 0}, u"4", std::nullopt},
        {"space before the parenthesis", u"sqrt (1234", {10, 0}, u"5", std::nullopt},
        {"list item", u"[7,123", {6, 0}, u"4", std::nullopt},
        {"full-width second argument", u"max(５,１２３", {9, 0}, u"４", std::nullopt},
        {"full-width parenthesis", u"max（5,123", {9, 0}, u"4", std::nullopt},
        {"Japanese list bracket", u"【7,123", {6, 0}, u"4", std::nullopt},
        {"plain parentheses", u"(1234", {5, 0}, u"5", regroup(1, 4, u"12,345", 7)},
        {"after a closed call", u"sqrt(4)*1234", {12, 0}, u"5", regroup(8, 4, u"12,345", 14)},
        {"after a closed list", u"[1,2] + 1234", {12, 0}, u"5", regroup(8, 4, u"12,345", 14)},
        {"parenthesis in a text", u"\"max(\" + 1234", {13, 0}, u"5", regroup(9, 4, u"12,345", 15)},
        {"call on the line above", u"max(1,\n1234", {11, 0}, u"5", regroup(7, 4, u"12,345", 13)},
    };
    for (const GroupingCase& c : cases)
        expectGrouping(c);
    EXPECT_EQ(typeWithGrouping(u"max(5,1234)"), u"max(5,1234)");
}

// However a line is typed, regrouping leaves the lexer reading as many numbers as it reads in the
// line typed without it.
TEST(DigitGrouping, KeepsTheNumbersTheLexerReads) {
    const std::u16string lines[] = {
        u"max(5,1234)",           u"[1,2,3456]",       u"min(12, 34567, 8)", u"12345 + 6789",
        u"hypot(1234,5678)",      u"x = 1234567.891",  u"sum(1,234,5678)",   u"sqrt(12345)",
        u"(12345 + 6789) * 2",    u"max(2*5,1234)",    u"round(1234567.5)",  u"[100000]",
        u"１２３４５ + ６７８９", u"max(５,１２３４)", u"1２3４5.６７",
    };
    for (const std::u16string& line : lines) {
        const std::u16string grouped = typeWithGrouping(line);
        EXPECT_EQ(numbersRead(grouped), numbersRead(line)) << unicode::fromUtf16(grouped);
    }
    EXPECT_EQ(typeWithGrouping(u"(12345 + 6789) * 2"), u"(12,345 + 6,789) * 2");
}

TEST(ChangedEnd, FindsTheEndOfTheChangeInTheNewText) {
    EXPECT_EQ(LineEditor::changedEnd(u"abc", u"abXc"), 3);
    EXPECT_EQ(LineEditor::changedEnd(u"aaa", u"aa"), 2);
    EXPECT_EQ(LineEditor::changedEnd(u"abc", u""), 0);
    EXPECT_EQ(LineEditor::changedEnd(u"", u"abc"), 3);
    EXPECT_EQ(LineEditor::changedEnd(u"abc", u"abc"), std::nullopt);
    EXPECT_EQ(LineEditor::changedEnd(u"x\ny", u"x\n😀\ny"), 5);
    EXPECT_EQ(LineEditor::changedEnd(u"abcabc", u"abc"), 3);
}

} // namespace
} // namespace vell
