#include "LineRules/LineEditor.h"
#include "Sheet/DocumentEvaluator.h"
#include "Support/EngineSettingsScope.h"
#include "Unicode/Unicode.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using NamedLine = LineEditor::NamedLine;

TEST(LineName, IsTheNameTheLineAssigns) {
    const std::u16string text = u"price = 1200\n3 + 4\n  tax = price * 0.1  \n\n// a = 1\nb = \"open";
    EXPECT_EQ(LineEditor::name(text, 0), u"price");
    EXPECT_EQ(LineEditor::name(text, 1), std::nullopt);
    EXPECT_EQ(LineEditor::name(text, 2), u"tax");
    EXPECT_EQ(LineEditor::name(text, 3), std::nullopt);
    EXPECT_EQ(LineEditor::name(text, 4), std::nullopt);
    EXPECT_EQ(LineEditor::name(text, 5), std::nullopt); // the lexer fails: no statement
    EXPECT_EQ(LineEditor::name(text, 6), std::nullopt);
    EXPECT_EQ(LineEditor::name(text, -1), std::nullopt);
    EXPECT_EQ(LineEditor::name(u"ｐｒｉｃｅ = 3", 0), u"price"); // as the lexer reads it
}

TEST(FreshName, SkipsEveryCandidateFoundAnywhereInTheText) {
    EXPECT_EQ(LineEditor::freshName(u""), u"x1");
    EXPECT_EQ(LineEditor::freshName(u"x1 = 5"), u"x2");
    EXPECT_EQ(LineEditor::freshName(u"x10"), u"x2");
    EXPECT_EQ(LineEditor::freshName(u"max1 + x2"), u"x3");
    EXPECT_EQ(LineEditor::freshName(u"\"x1\" x2 x3 x4 x5 x6 x7 x8 x9"), u"x10");
}

TEST(EnsureName, KeepsANameOrGivesAFreshOne) {
    struct Case {
        std::u16string text;
        std::int64_t line;
        std::optional<NamedLine> named;
    };
    const Case cases[] = {
        {u"3 + 4", 0, NamedLine{u"x1 = 3 + 4", u"x1"}},
        {u"x1 = 5\n3 + 4", 1, NamedLine{u"x1 = 5\nx2 = 3 + 4", u"x2"}},
        {u"100\n+ 10%", 1, NamedLine{u"100\nx1 = prev + 10%", u"x1"}},
        {u"100\n× 2", 1, NamedLine{u"100\nx1 = prev × 2", u"x1"}},
        {u"price = 1200", 0, NamedLine{u"price = 1200", u"price"}},
        {u"3 * 4   ", 0, NamedLine{u"x1 = 3 * 4", u"x1"}},
        {u"", 0, std::nullopt},
        {u"1\n \t ", 1, std::nullopt},
        {u"1", 1, std::nullopt},
        {u"1", -1, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineEditor::ensureName(c.text, c.line), c.named);
}

// Indentation places a line in its if/for/def block; naming the line must not move it out.
TEST(EnsureName, KeepsTheIndentation) {
    EXPECT_EQ(LineEditor::ensureName(u"    3 * 4", 0), (NamedLine{u"    x1 = 3 * 4", u"x1"}));
    EXPECT_EQ(LineEditor::ensureName(u"for i in range(3):\n\t- 2 \nend", 1),
              (NamedLine{u"for i in range(3):\n\tx1 = prev - 2\nend", u"x1"}));
    EXPECT_EQ(LineEditor::setName(u"def f(a):\n  　a * 2", 1, u"double"), u"def f(a):\n  　double = a * 2");
}

TEST(NameProblem, ChecksTheNameInOrder) {
    const std::u16string text = u"a = 1\nb = 2\n3\n4\nprice = 5";
    struct Case {
        std::u16string proposed;
        std::int64_t line;
        std::optional<std::string> japanese;
        std::optional<std::string> english;
    };
    const std::string letters = "名前には文字と数字だけが使えます（先頭は文字）";
    const std::string lettersEn = "Names can use only letters and digits (starting with a letter)";
    const Case cases[] = {
        {u"", 2, "名前を入れてください", "Enter a name"},
        {u" \t ", 2, "名前を入れてください", "Enter a name"},
        {u"1abc", 2, letters, lettersEn},
        {u"a b", 2, letters, lettersEn},
        {u"a+b", 2, letters, lettersEn},
        {u"\"a\"", 2, letters, lettersEn},
        {u"Sum", 2, "「Sum」はもともとある言葉なので使えません",
         "“Sum” is a built-in word and can’t be used"},
        {u"合計", 2, "「合計」はもともとある言葉なので使えません",
         "“合計” is a built-in word and can’t be used"},
        {u"小計", 2, "「小計」はもともとある言葉なので使えません",
         "“小計” is a built-in word and can’t be used"},
        {u"X", 2, "「X」はもともとある言葉なので使えません", "“X” is a built-in word and can’t be used"},
        {u"SQRT", 2, "「SQRT」は関数の名前なので使えません", "“SQRT” is a function name and can’t be used"},
        {u"bars", 2, "「bars」は関数の名前なので使えません", "“bars” is a function name and can’t be used"},
        {u"PI", 2, "「PI」は定数の名前なので使えません", "“PI” is a constant name and can’t be used"},
        {u"Tau", 2, "「Tau」は定数の名前なので使えません", "“Tau” is a constant name and can’t be used"},
        {u"mm", 2, "「mm」は単位なので使えません", "“mm” is a unit and can’t be used"},
        {u"price", 2, "「price」は 5 行目で使っています", "“price” is already used on line 5"},
        {u"a", 4, "「a」は 1 行目で使っています", "“a” is already used on line 1"},
        // The message shows the name as the lexer reads it.
        {u" ＳＱＲＴ ", 2, "「SQRT」は関数の名前なので使えません",
         "“SQRT” is a function name and can’t be used"},
        {u"price", 4, std::nullopt, std::nullopt}, // the line's own name
        {u"total2", 2, std::nullopt, std::nullopt},
        {u"単価", 2, std::nullopt, std::nullopt},
        {u" rate ", 2, std::nullopt, std::nullopt},
        {u"price", 9, "「price」は 5 行目で使っています", "“price” is already used on line 5"},
    };
    for (const Case& c : cases) {
        {
            const EngineSettingsScope japanese(AppLanguage::japanese);
            EXPECT_EQ(LineEditor::nameProblem(c.proposed, text, c.line), c.japanese);
        }
        const EngineSettingsScope english(AppLanguage::english);
        EXPECT_EQ(LineEditor::nameProblem(c.proposed, text, c.line), c.english);
    }
}

// "if = 3 + 4" is no assignment the parser takes: a keyword as a name would break the line.
TEST(NameProblem, RefusesEveryKeywordOfTheProgramLanguage) {
    const EngineSettingsScope english(AppLanguage::english);
    ASSERT_EQ(LineEditor::name(u"if = 3 + 4", 0), std::nullopt);
    for (const std::string& keyword : LineEditor::keywords()) {
        const std::u16string proposed(keyword.begin(), keyword.end()); // all ASCII
        EXPECT_EQ(LineEditor::nameProblem(proposed, u"3 + 4", 0),
                  "“" + keyword + "” is a built-in word and can’t be used");
        EXPECT_EQ(LineEditor::setName(u"3 + 4", 0, proposed), std::nullopt) << keyword;
    }
    EXPECT_EQ(LineEditor::nameProblem(u"While", u"3 + 4", 0), "“While” is a built-in word and can’t be used");
    EXPECT_EQ(LineEditor::keywords().size(), 16u);
}

TEST(SetName, NamesOrRenamesTheLine) {
    struct Case {
        std::u16string text;
        std::int64_t line;
        std::u16string proposed;
        std::optional<std::u16string> result;
    };
    const Case cases[] = {
        {u"3 + 4", 0, u"price", u"price = 3 + 4"},
        {u"1\n+ 5", 1, u"price", u"1\nprice = prev + 5"},
        {u"3 + 4  ", 0, u" ｃｏｓｔ ", u"cost = 3 + 4"},
        {u"price = 3\nprice * 2\n// price\n\"price\"", 0, u"cost",
         u"cost = 3\ncost * 2\n// price\n\"price\""},
        {u"price = 3\nprice * 2", 0, u"price", u"price = 3\nprice * 2"},
        {u"price = 3\nprice * 2", 1, u"price", std::nullopt}, // used on another line
        {u"3 + 4", 0, u"sqrt", std::nullopt},
        {u"3 + 4", 0, u"", std::nullopt},
        {u"1\n  ", 1, u"price", std::nullopt},
        {u"1", 3, u"price", std::nullopt},
        {u"1", -1, u"price", std::nullopt},
        // References written in full-width letters are the same name to the lexer.
        {u"ｐｒｉｃｅ = 3\nｐｒｉｃｅ * 2", 0, u"cost", u"cost = 3\ncost * 2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineEditor::setName(c.text, c.line, c.proposed), c.result);
}

TEST(RenameIdentifier, ChangesReferencesOnlyOutsideNotesTextsAndLongerWords) {
    EXPECT_EQ(LineEditor::renameIdentifier(u"a = 2\nc = a * 3\n// a is old\n'a' + a", u"a", u"b"),
              u"b = 2\nc = b * 3\n// a is old\n'a' + b");
    struct Case {
        std::u16string line;
        std::u16string renamed;
    };
    const Case cases[] = {
        {u"ab + a2 + _a + 2a", u"ab + a2 + _a + 2b"},
        {u"a*a/a", u"b*b/b"},
        {u"1,200a + 3万a + .5a", u"1,200b + 3万b + .5b"},
        {u"a² + a³ + °a + $a", u"a² + a³ + °a + $a"},
        {u"\"it's a\" + a", u"\"it's a\" + b"},
        {u"“a\" + a + 'a", u"“a\" + b + 'a"},
        {u"\"a\\\" a\" a", u"\"a\\\" a\" b"},
        {u"  ＃ a", u"  ＃ a"},
        {u"\t// a", u"\t// a"},
        {u"f(a, [a])", u"f(b, [b])"},
        {u"αa + a", u"αa + b"},
        {u"😀a", u"😀b"},
        {u"a\u0301 + a", u"a\u0301 + b"}, // "á" written with a combining accent is another letter
        {u"", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineEditor::renameIdentifier(c.line, u"a", u"b"), c.renamed);
    EXPECT_EQ(LineEditor::renameInLine(u"x+y", u"x", u"z"), u"z+y");
    EXPECT_EQ(LineEditor::renameInLine(u"// a", u"a", u"b"), u"// b"); // notes are the caller's business
}

// What a reference is decides the engine's lexer: a rename rewrites exactly the identifiers it reads
// as the old name.
TEST(RenameIdentifier, RewritesWhatTheLexerReadsAsTheName) {
    struct Case {
        std::u16string line;
        std::u16string oldName;
        std::u16string renamed;
    };
    const Case cases[] = {
        {u"1e5 + e5 * 2E5", u"e5", u"1e5 + b * 2E5"}, // an exponent is part of its number
        {u"3.5e-2 + e", u"e", u"3.5e-2 + b"},
        {u"a⁴ + a", u"a", u"a⁴ + b"},              // superscript digits belong to the name
        {u"a２ + a", u"a", u"a２ + b"},            // full-width digits too
        {u"ａ + ａ２ + a", u"a", u"b + ａ２ + b"}, // full-width letters are the same name
        {u"ａ２ * 3", u"a2", u"b * 3"},
        {u"km/h + h", u"h", u"km/h + b"}, // one unit symbol
        {u"a ≠ ａ", u"a", u"b ≠ b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineEditor::renameIdentifier(c.line, c.oldName, u"b"), c.renamed)
            << unicode::fromUtf16(c.line);
}

// A line the sheet reads as a note keeps every word as written.
TEST(RenameIdentifier, LeavesEveryNoteLineAlone) {
    const std::u16string lines[] = {u"// a", u"  //a", u"＃ a", u"# a", u"#a", u"#３ a", u"\t#", u"#"};
    for (const std::u16string& line : lines) {
        EXPECT_EQ(LineEditor::renameIdentifier(line, u"a", u"b"), line);
        const auto results = DocumentEvaluator::evaluate(unicode::fromUtf16(line));
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].outcome.kind(), LineOutcome::Case::comment);
    }
    // "#3" refers to the answer of line 3: the line is a calculation.
    EXPECT_EQ(LineEditor::renameIdentifier(u"a = 1\n#1 + a", u"a", u"b"), u"b = 1\n#1 + b");
}

TEST(RenameIdentifier, ReturnsTheTextForEqualOrEmptyNames) {
    const std::u16string text = u"a = 1\na";
    EXPECT_EQ(LineEditor::renameIdentifier(text, u"a", u"a"), text);
    EXPECT_EQ(LineEditor::renameIdentifier(text, u"", u"b"), text);
    EXPECT_EQ(LineEditor::renameIdentifier(text, u"a", u""), text);
}

} // namespace
} // namespace vell
