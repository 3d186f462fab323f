#include "Engine/L10n.h"
#include "Sheet/Program.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;

std::string parsed(const std::vector<std::string_view>& lines) {
    return debugDescription(Program::parse(lines));
}

struct ParseCase {
    std::vector<std::string_view> lines;
    std::string nodes;
};

TEST(ProgramParser, NodesOfShortSheets) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<ParseCase> cases = {
        {{"#3 + 1"}, "line@0 \"#3 + 1\""},
        {{"#", "# note", "#x", "#３", "// note", "＃ note"},
         "comment@0; comment@1; comment@2; comment@3; comment@4; comment@5"},
        {{"    "}, "blank@0"},
        {{"\t\u3000 "}, "blank@0"},
        {{"  price = 3  "}, "line@0 \"price = 3\""},
        {{"if x > 1:", "y = 2"}, "if [@0 (> x 1) {}]; line@1 \"y = 2\""},
        {{"if a:", "  1", "elif b:", "  2", "else:", "  3"},
         "if [@0 a {line@1 \"1\"}] [@2 b {line@3 \"2\"}] [@4 - {line@5 \"3\"}]"},
        {{"if a:", "  1", " else:", "  3"}, "if [@0 a {line@1 \"1\"}]; invalid@2 \"No matching if\""},
        {{"else if x:"}, "line@0 \"else if x:\""},
        {{"if:", "  1"}, "invalid@0 \"The condition isn’t written correctly\""},
        {{"if a:", "  1", "elif :", "  2"}, "invalid@0 \"The condition isn’t written correctly\""},
        {{"if a:", "  1", "elif )", "  2"}, "if [@0 a {line@1 \"1\"}]; line@2 \"elif )\"; line@3 \"2\""},
        {{"for i in range(3):"}, "for@0 i range(3) {}"},
        {{"for i range(3):"}, "invalid@0 \"Write it as: for name in range(…):\""},
        {{"for i j in x:"}, "invalid@0 \"for needs a single name after it\""},
        {{"for i in :"}, "invalid@0 \"Write it as: for name in range(…):\""},
        {{"for i in ):"}, "invalid@0 \"The range to loop over isn’t written correctly\""},
        {{"while:"}, "invalid@0 \"Can’t read the while condition\""},
        {{"while )):"}, "invalid@0 \"Can’t read the while condition\""},
        {{"def f(a, b):"}, "def@0 f(a,b) {}"},
        {{"def f():"}, "def@0 f() {}"},
        {{"def f(a,):"}, "def@0 f(a) {}"},
        {{"def f( , a , ,b ):"}, "def@0 f(a,b) {}"},
        {{"def f:"}, "invalid@0 \"Write it as: def name(arguments):\""},
        {{"def f(x:"}, "invalid@0 \"Write it as: def name(arguments):\""},
        {{"def (x):"}, "invalid@0 \"Function and argument names must start with a letter\""},
        {{"def f(1a):"}, "invalid@0 \"Function and argument names must start with a letter\""},
        {{"def f(a b):"}, "invalid@0 \"Function and argument names must start with a letter\""},
        {{"return"}, "return@0 -"},
        {{"return x"}, "return@0 x"},
        {{"return(x)"}, "return@0 x"},
        {{"return )"}, "invalid@0 \"Can’t read the expression after return\""},
        {{"returnx"}, "line@0 \"returnx\""},
        {{"break", "continue"}, "break@0; continue@1"},
        {{"break now"}, "line@0 \"break now\""},
        {{"while x < 3 :"}, "while@0 (< x 3) {}"},
        {{"if\u3000x:"}, "if [@0 x {}]"},
        {{"if(x > 1):"}, "if [@0 (> x 1) {}]"},
        {{"If x:"}, "line@0 \"If x:\""},
        {{"iffy:", "elseif x:"}, "line@0 \"iffy:\"; line@1 \"elseif x:\""},
        {{"ratio:"}, "line@0 \"ratio:\""},
        {{"for i in range(3):", "\ts = i", "  5"}, "for@0 i range(3) {line@1 \"s = i\"}; line@2 \"5\""},
    };
    for (const ParseCase& c : cases) {
        std::string sheet;
        for (std::string_view line : c.lines)
            sheet.append(line).append(" ; ");
        EXPECT_EQ(parsed(c.lines), c.nodes) << sheet;
    }
}

TEST(ProgramParser, BodiesByIndentation) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<ParseCase> cases = {
        // Blank lines and notes after a body belong to it; a line at the header's depth ends it.
        {{"for i in range(2):", "  i", "", "// note", "2"},
         "for@0 i range(2) {line@1 \"i\"; blank@2; comment@3}; line@4 \"2\""},
        // Blank lines and notes before the first body line are the body's first nodes.
        // The body ends at the first line indented less than its first line.
        {{"while a:", "", "    a = 0", "  b"}, "while@0 a {blank@1; line@2 \"a = 0\"}; line@3 \"b\""},
        // A deeper line that follows no header is one more member of its block.
        {{"1", "    2", "3"}, "line@0 \"1\"; line@1 \"2\"; line@2 \"3\""},
        // Nested blocks, closed together by a line at the top.
        {{"def f(n):", "  for i in range(n):", "    if i == 1:", "      return i", "  return 0", "f(3)"},
         "def@0 f(n) {for@1 i range(n) {if [@2 (== i 1) {return@3 i}]}; return@4 0}; line@5 \"f(3)\""},
        // An else after blank lines and notes still closes the chain.
        {{"if a:", "  1", "", "// n", "else:", "  2"},
         "if [@0 a {line@1 \"1\"; blank@2; comment@3}] [@4 - {line@5 \"2\"}]"},
        // Only an empty body lets the skipped rows before the else vanish.
        {{"if a:", "", "else:", "  2"}, "if [@0 a {}] [@2 - {line@3 \"2\"}]"},
        // A new if at the same depth starts a new chain; a for header ends the chain.
        {{"if a:", "  1", "if b:", "  2", "for i in x:", "  3"},
         "if [@0 a {line@1 \"1\"}]; if [@2 b {line@3 \"2\"}]; for@4 i x {line@5 \"3\"}"},
        // An orphan elif swallows its own body.
        {{"elif a:", "  1", "2"}, "invalid@0 \"No matching if\"; line@2 \"2\""},
        // An invalid header discards its body.
        {{"for i in 1 +:", "  1", "  2", "3"},
         "invalid@0 \"The range to loop over isn’t written correctly\"; line@3 \"3\""},
        // Ideographic spaces count one each, tabs four.
        {{"if a:", "\u3000\u3000x", "  y"}, "if [@0 a {line@1 \"x\"; line@2 \"y\"}]"},
    };
    for (const ParseCase& c : cases) {
        std::string sheet;
        for (std::string_view line : c.lines)
            sheet.append(line).append(" ; ");
        EXPECT_EQ(parsed(c.lines), c.nodes) << sheet;
    }
}

TEST(ProgramParser, MessagesFollowTheLanguage) {
    const EngineSettingsScope japanese(AppLanguage::japanese);
    const std::vector<ParseCase> cases = {
        {{"if:"}, "invalid@0 \"条件の書き方が正しくありません\""},
        {{"else:"}, "invalid@0 \"対応する if がありません\""},
        {{"for i range(3):"}, "invalid@0 \"for 名前 in range(…): の形で書きます\""},
        {{"for i j in x:"}, "invalid@0 \"for のうしろは名前を 1 つ書きます\""},
        {{"for i in ):"}, "invalid@0 \"回す範囲の書き方が正しくありません\""},
        {{"while:"}, "invalid@0 \"while の条件が読めません\""},
        {{"def f:"}, "invalid@0 \"def 名前(引数): の形で書きます\""},
        {{"def 2f():"}, "invalid@0 \"関数と引数の名前は、文字で始まる言葉にします\""},
        {{"return )"}, "invalid@0 \"return のうしろの式が読めません\""},
    };
    for (const ParseCase& c : cases)
        EXPECT_EQ(parsed(c.lines), c.nodes) << c.lines.front();
}

TEST(ProgramParser, FunctionsKeepTheLastTopLevelDefinition) {
    const std::vector<std::string_view> lines = {"def f(x):", "  return x", "def f(y):",   "  return y",
                                                 "if 1:",     "  def g():", "    return 1"};
    const auto nodes = Program::parse(lines);
    const auto table = Program::functions(nodes, std::string("Tools"));
    ASSERT_EQ(table.size(), 1u);
    const ProgramFunction& f = table.at("f");
    EXPECT_EQ(f.params, std::vector<std::string>{"y"});
    EXPECT_EQ(f.home, std::optional<std::string>("Tools"));
    // The function shares its body with the node it came from.
    EXPECT_EQ(f.body, nodes[1].as<ProgramNode::Define>()->body);
}

TEST(ProgramParser, NamesAreStoredInNfc) {
    // "é" written as e + U+0301 is the same name as the precomposed U+00E9.
    const std::vector<std::string_view> lines = {"def cafe\u0301(e\u0301):", "for re\u0301 in x:"};
    EXPECT_EQ(parsed(lines), "def@0 caf\u00e9(\u00e9) {}; for@1 r\u00e9 x {}");
}

TEST(ProgramParser, Identifiers) {
    // Numbers are any character with a numeric value: full-width digits, superscripts, circled numbers.
    for (std::string_view name :
         {"x2", "_tmp", "価格", "Ünits", "a_b_1", "e\u0301t\u00e9", "税率２", "x²", "_①"})
        EXPECT_TRUE(Program::isIdentifier(name)) << name;
    for (std::string_view name : {"", "2x", "２x", "²", "a-b", "a b", "$x", "x.y", "\u0301e"})
        EXPECT_FALSE(Program::isIdentifier(name)) << name;
}

TEST(ProgramParser, IndentWidth) {
    EXPECT_EQ(Program::indentWidth("x"), 0);
    EXPECT_EQ(Program::indentWidth("  x"), 2);
    EXPECT_EQ(Program::indentWidth("\tx"), 4);
    EXPECT_EQ(Program::indentWidth("\u3000 \tx"), 6);
    // Another kind of space ends the count, though trimming removes it.
    EXPECT_EQ(Program::indentWidth(" \u00a0 x"), 1);
    EXPECT_EQ(Program::indentWidth("   "), 3);
}

} // namespace
} // namespace vell
