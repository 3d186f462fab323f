#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/Lexer.h"
#include "Engine/Parser.h"
#include "MessageTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <variant>
#include <vector>

namespace vell {
namespace {

using testsupport::BilingualFailure;
using testsupport::EngineSettingsScope;
using testsupport::expectFailuresInBothLanguages;
using testsupport::messageOf;

Statement parseLine(const std::string& line) {
    return Parser(Lexer::tokenize(line)).parseStatement();
}

// "name := tree" for a named line, the tree alone otherwise.
std::string parse(const std::string& line) {
    const Statement statement = parseLine(line);
    const std::string tree = statement.expr->debugDescription();
    return statement.name ? *statement.name + " := " + tree : tree;
}

std::string parseError(const std::string& line) {
    return messageOf([&] { parseLine(line); });
}

std::string repeated(const std::string& piece, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += piece;
    return out;
}

struct TreeCase {
    std::string line;
    std::string expected;
};

void expectTrees(std::initializer_list<TreeCase> cases) {
    for (const TreeCase& c : cases) {
        try {
            EXPECT_EQ(parse(c.line), c.expected) << c.line;
        } catch (const CalcError& error) {
            ADD_FAILURE() << c.line << ": " << error.message();
        }
    }
}

TEST(Parser, NamesAStatementOnlyWithAPlainNameAndASingleEquals) {
    expectTrees({
        {"x = 5", "x := 5"},
        {"price = 1200", "price := 1200"},
        {"単価 = 3 kg", "単価 := (unit 3 kg)"},
        {"x == 5", "(== x 5)"},
        {"x", "x"},
        {"IN = 2", "IN := 2"},
    });
    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(parseError("x ="), "There’s no expression");
    EXPECT_EQ(parseError(""), "There’s no expression");
    EXPECT_EQ(parseError("   "), "There’s no expression");
    EXPECT_EQ(parseError("if = 3"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("True = 1"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("x = y = 3"), "This expression isn’t written correctly");
}

// parseWholeStatement gives none exactly where parseStatement throws the trailing-tokens message,
// and throws every other failure as parseStatement does.
TEST(Parser, WholeStatementOrNone) {
    const EngineSettingsScope english(AppLanguage::english);
    for (const std::string line : {"Remember to ask about it", "if = 3", "x = y = 3", "1 )", "a in m b"}) {
        EXPECT_FALSE(Parser(Lexer::tokenize(line)).parseWholeStatement()) << line;
        EXPECT_EQ(parseError(line), Parser::trailingTokensMessage()) << line;
    }
    EXPECT_EQ(Parser::trailingTokensMessage(), "This expression isn’t written correctly");
    const auto whole = Parser(Lexer::tokenize("price = 2 m")).parseWholeStatement();
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->name, "price");
    EXPECT_EQ(whole->expr->debugDescription(), parseLine("price = 2 m").expr->debugDescription());
    for (const std::string line : {"5 +", "(1", "", "x ="})
        EXPECT_THROW(Parser(Lexer::tokenize(line)).parseWholeStatement(), CalcError) << line;
}

TEST(Parser, LevelsFromOrDownToProducts) {
    expectTrees({
        {"not a < b and c", "(and (not (< a b)) c)"},
        {"a or b and not c == d", "(or a (and b (not (== c d))))"},
        {"x and y or z", "(or (and x y) z)"},
        {"1 < 2 + 3 * 4", "(< 1 (+ 2 (* 3 4)))"},
        {"a == b == c", "(== (== a b) c)"},
        {"2 (3) 4", "(* (* 2 3) 4)"},
        {"2 + 3 sqrt(4) / 5", "(+ 2 (/ (* 3 sqrt(4)) 5))"},
        {"1 + not", "(+ 1 not)"},
    });
}

// A line that ends where an operand should follow fails with that message, before any failure its
// unfinished brackets or its depth would bring; readStatement gives the message without a throw.
TEST(Parser, ALineThatEndsEarly) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::string ended = "The expression ends in the middle";
    const std::vector<std::string> lines = {
        "(1 +", "f(1,", "[1, 2 *", "a[1 -", "10% of 3 +", "not", "1" + repeated(" + 1", 999) + " +"};
    for (const std::string& line : lines) {
        EXPECT_EQ(parseError(line), ended) << line;
        const Parser::Reading reading = Parser(Lexer::tokenize(line)).readStatement();
        ASSERT_TRUE(std::holds_alternative<std::string>(reading)) << line;
        EXPECT_EQ(std::get<std::string>(reading), ended) << line;
    }
    const Parser::Reading prose = Parser(Lexer::tokenize("1 )")).readStatement();
    ASSERT_TRUE(std::holds_alternative<std::string>(prose));
    EXPECT_EQ(std::get<std::string>(prose), Parser::trailingTokensMessage());
    const Parser::Reading named = Parser(Lexer::tokenize("x = 2 m")).readStatement();
    ASSERT_TRUE(std::holds_alternative<Statement>(named));
    EXPECT_EQ(std::get<Statement>(named).name, "x");
    for (const std::string line : {"(1", "", "* 2"})
        EXPECT_THROW(Parser(Lexer::tokenize(line)).readStatement(), CalcError) << line;
}

TEST(Parser, ArithmeticLevelsAndGrouping) {
    expectTrees({
        {"1 + 2 * 3", "(+ 1 (* 2 3))"},
        {"1 - 2 - 3", "(- (- 1 2) 3)"},
        {"8 / 2 / 2", "(/ (/ 8 2) 2)"},
        {"(1 + 2) * 3", "(* (+ 1 2) 3)"},
        {"-2^2", "(- (^ 2 2))"},
        {"2^3^2", "(^ 2 (^ 3 2))"},
        {"2^-1", "(^ 2 (- 1))"},
        {"5 - -3", "(- 5 (- 3))"},
        {"--3", "(- (- 3))"},
        {"+5", "5"},
        {"+-5", "(- 5)"},
        {"-x%", "(- (% x))"},
        {"#3 + 1", "(+ #3 1)"},
        {"\"a\"", "\"a\""},
    });
}

TEST(Parser, ImplicitMultiplicationAndNamesAfterAnOperand) {
    expectTrees({
        {"2(3)", "(* 2 3)"},
        {"2 (3)", "(* 2 3)"},
        {"(1+2)(3+4)", "(* (+ 1 2) (+ 3 4))"},
        {"3 4", "(* 3 4)"},
        {"2 3^2", "(* 2 (^ 3 2))"},
        {"2 sqrt(9)", "(* 2 sqrt(9))"},
        {"x(3)", "x(3)"},
        {"2 x", "(unit 2 x)"},
        {"3 x^2", "(* 3 (^ x 2))"},
        {"3 m^2", "(* 3 (^ m 2))"},
        {"5 kg", "(unit 5 kg)"},
        {"5 kg m", "(unit (unit 5 kg) m)"},
        {"rent food fuel", "(unit (unit rent food) fuel)"},
        {"2 [1]", "(index 2 1)"},
        {"10%", "(% 10)"},
        {"5 %%", "(% (% 5))"},
        {"2 x 3", "(* (unit 2 x) 3)"},
        {"-3 m", "(- (unit 3 m))"},
    });
    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(parseError("2 #3"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("2 \"a\""), "This expression isn’t written correctly");
}

TEST(Parser, ComparisonsAndLogic) {
    expectTrees({
        {"1 < 2 < 3", "(< (< 1 2) 3)"},
        {"a != b", "(!= a b)"},
        {"a <= b + 1", "(<= a (+ b 1))"},
        {"not 1 == 2", "(not (== 1 2))"},
        {"not not x", "(not (not x))"},
        {"a or b and c", "(or a (and b c))"},
        {"a and b or c", "(or (and a b) c)"},
        {"not a and b", "(and (not a) b)"},
        {"Or + true", "(+ Or true)"},
        // A keyword before "(" stays a keyword: it is no call multiplied onto the operand.
        {"(1 > 0) and (2 > 1)", "(and (> 1 0) (> 2 1))"},
        {"a or (b)", "(or a b)"},
    });
}

TEST(Parser, SharesAndConversionsApplyToEverythingBefore) {
    expectTrees({
        {"10% of 200", "(of (% 10) 200)"},
        {"10% of 200 + 5", "(of (% 10) (+ 200 5))"},
        {"3 の 4", "(of 3 4)"},
        {"10% of (200 + 5)", "(of (% 10) (+ 200 5))"},
        {"3 の(4)", "(of 3 4)"},
        {"5 km in m", "(convert (unit 5 km) m)"},
        {"5 km to m", "(convert (unit 5 km) m)"},
        {"5 km as m", "(convert (unit 5 km) m)"},
        {"5 km へ m", "(convert (unit 5 km) m)"},
        {"5 km で m", "(convert (unit 5 km) m)"},
        {"5 km → m", "(convert (unit 5 km) m)"},
        {"5 km ⇒ m", "(convert (unit 5 km) m)"},
        {"1 km + 500 m in m", "(convert (+ (unit 1 km) (unit 500 m)) m)"},
        {"10% of 2 km in m", "(convert (of (% 10) (unit 2 km)) m)"},
        {"5 km in m in cm", "(convert (convert (unit 5 km) m) cm)"},
        {"2 cm in in", "(convert (unit 2 cm) in)"},
        {"5 to kg*m^2/s^2", "(convert 5 kg·m^2/s^2)"},
        {"5 in m^2", "(convert 5 m^2)"},
        {"5 in km/h", "(convert 5 km/h)"},
        {"5 in N/mm2", "(convert 5 N/mm2)"},
        {"5 m → to", "(convert (unit 5 m) to)"},
        {"x = 5 km in m", "x := (convert (unit 5 km) m)"},
    });
    EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(parseError("20% of 50 == 10"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("5 in"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("5 in m^10"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("5 in m^1.5"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("5 in m^-2"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("5 in m/in"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("5 km in (m)"), "This expression isn’t written correctly");
    EXPECT_EQ(parseError("5 km →"), "A unit to convert to is needed");
    EXPECT_EQ(parseError("5 km → 3"), "A unit to convert to is needed");
    EXPECT_EQ(parseError("10% of"), "The expression ends in the middle");
}

TEST(Parser, UnitsWrittenBeforeANumber) {
    expectTrees({
        {"$ 5", "(unit 5 $)"},
        {"$5", "(unit 5 $)"},
        {"5 $", "(unit 5 $)"},
        {"€ 3.5", "(unit 3.5 €)"},
        {"¥1,000", "(unit 1000 ¥)"},
        {"$5 + $3", "(+ (unit 5 $) (unit 3 $))"},
        {"km 5", "(unit 5 km)"},
        {"$5%", "(unit (% 5) $)"},
        {"foo 5", "(* foo 5)"},
        {"$ x", "(unit $ x)"},
        // A name directly before "(" is always a call, units included.
        {"$ (5)", "$(5)"},
    });
}

TEST(Parser, ACurrencySignTakesTheSignOfTheNumberAfterIt) {
    expectTrees({
        {"$-5", "(unit (- 5) $)"},
        {"$ -5", "(unit (- 5) $)"},
        {"$+5", "(unit 5 $)"},
        {"¥-300", "(unit (- 300) ¥)"},
        {"€ -3.5", "(unit (- 3.5) €)"},
        {"$-5%", "(unit (- (% 5)) $)"},
        {"$-5 - 2", "(- (unit (- 5) $) 2)"},
        {"-$5", "(- (unit 5 $))"},
        {"5 - $3", "(- 5 (unit 3 $))"},
        {"3 $-5", "(- (unit 3 $) 5)"},
        // Only before a number; and unit names written in letters stay names.
        {"$ - x", "(- $ x)"},
        {"$-(5)", "(- $ 5)"},
        {"USD -5", "(- USD 5)"},
        {"h - 5", "(- h 5)"},
        {"km +5", "(+ km 5)"},
    });
}

TEST(Parser, ListsIndexesAndCalls) {
    expectTrees({
        {"[1, 2, 3]", "[1, 2, 3]"},
        {"[]", "[]"},
        {"[1, 2,]", "[1, 2]"},
        {"[[1], []]", "[[1], []]"},
        {"a[0][1]", "(index (index a 0) 1)"},
        {"[1, 2][0]", "(index [1, 2] 0)"},
        {"a[1 + 1 in m]", "(index a (convert (+ 1 1) m))"},
        {"f()", "f()"},
        {"max(1, 2 kg, x in m)", "max(1, (unit 2 kg), (convert x m))"},
        {"sum(prev)", "sum(prev)"},
    });
}

TEST(Parser, EveryMessageInBothLanguages) {
    const BilingualFailure cases[] = {
        {"", "There’s no expression", "式がありません"},
        {"x =", "There’s no expression", "式がありません"},
        {"1 = 2", "This expression isn’t written correctly", "式の書き方が正しくありません"},
        {"1 + 2)", "This expression isn’t written correctly", "式の書き方が正しくありません"},
        {"5 km →", "A unit to convert to is needed", "変換先の単位が必要です"},
        {"a[0", "Missing ]", "] がありません"},
        {"a[0,1]", "Missing ]", "] がありません"},
        {"* 2", "“*” isn’t used correctly here", "「*」の使い方が正しくありません"},
        {"^2", "“^” isn’t used correctly here", "「^」の使い方が正しくありません"},
        {"1 + / 2", "“/” isn’t used correctly here", "「/」の使い方が正しくありません"},
        {"=", "“=” isn’t used correctly here", "「=」の使い方が正しくありません"},
        {"1 ≠", "The expression ends in the middle", "式が途中で終わっています"},
        {"→ m", "“→” isn’t used correctly here", "「→」の使い方が正しくありません"},
        {")", "No matching opening parenthesis", "対応する開き括弧がありません"},
        {"f(1,)", "No matching opening parenthesis", "対応する開き括弧がありません"},
        {"]", "No matching [", "対応する [ がありません"},
        {", 1", "A comma is in the wrong place", "カンマの位置が正しくありません"},
        {"[,]", "A comma is in the wrong place", "カンマの位置が正しくありません"},
        {"1 +", "The expression ends in the middle", "式が途中で終わっています"},
        {"-", "The expression ends in the middle", "式が途中で終わっています"},
        {"(1 + 2", "Missing closing parenthesis", "閉じ括弧がありません"},
        {"(1 2 \"a\")", "Missing closing parenthesis", "閉じ括弧がありません"},
        {"f(1", "Missing ) to close f(", "f( の閉じ括弧がありません"},
        {"合計(1 2", "Missing ) to close 合計(", "合計( の閉じ括弧がありません"},
        {"[1, 2", "Missing ] to close the list", "表の閉じ括弧 ] がありません"},
        {"[1 \"a\"]", "Missing ] to close the list", "表の閉じ括弧 ] がありません"},
        {repeated("(", 1001) + "1", "This expression is nested too deeply", "式の入れ子が深すぎます"},
    };
    expectFailuresInBothLanguages(cases, parseError);
}

TEST(Parser, NestingIsBoundedAtOneThousandLevels) {
    EngineSettingsScope english(AppLanguage::english);
    const std::string tooDeep = "This expression is nested too deeply";
    struct Bound {
        std::string deepest; // the deepest line that still parses
        std::string deeper;  // one level more
    };
    const Bound bounds[] = {
        {repeated("(", 1000) + "1" + repeated(")", 1000), repeated("(", 1001) + "1" + repeated(")", 1001)},
        {repeated("[", 999) + "1" + repeated("]", 999), repeated("[", 1000) + "1" + repeated("]", 1000)},
        {"f" + repeated("(f", 998) + "(1" + repeated(")", 999),
         "f" + repeated("(f", 999) + "(1" + repeated(")", 1000)},
        {"a" + repeated("[a", 999) + repeated("]", 999), "a" + repeated("[a", 1000) + repeated("]", 1000)},
        {repeated("-", 999) + "1", repeated("-", 1000) + "1"},
        {repeated("+", 1000) + "1", repeated("+", 1001) + "1"},
        {repeated("not ", 999) + "1", repeated("not ", 1000) + "1"},
        {repeated("2^", 999) + "2", repeated("2^", 1000) + "2"},
        // Left-associative loops deepen the tree without recursing.
        {"1" + repeated(" + 1", 999), "1" + repeated(" + 1", 1000)},
        {"1" + repeated(" 1", 999), "1" + repeated(" 1", 1000)},
        {"1" + repeated(" == 1", 999), "1" + repeated(" == 1", 1000)},
        {"1" + repeated(" or 1", 999), "1" + repeated(" or 1", 1000)},
        {"5" + repeated("%", 999), "5" + repeated("%", 1000)},
        {"5" + repeated(" kg", 999), "5" + repeated(" kg", 1000)},
        {"a" + repeated("[0]", 999), "a" + repeated("[0]", 1000)},
        {"1" + repeated(" in m", 999), "1" + repeated(" in m", 1000)},
        {"1" + repeated(" of 1", 999), "1" + repeated(" of 1", 1000)},
    };
    for (const Bound& b : bounds) {
        EXPECT_EQ(parseLine(b.deepest).expr->depth(), b.deepest[0] == '+' || b.deepest[0] == '(' ? 1u : 1000u)
            << b.deepest.substr(0, 12);
        EXPECT_EQ(parseError(b.deeper), tooDeep) << b.deeper.substr(0, 12);
    }
    // Far beyond the bound the line still fails cleanly instead of exhausting the stack.
    EXPECT_EQ(parseError(repeated("(", 200000)), tooDeep);
    EXPECT_EQ(parseError(repeated("-", 200000) + "1"), tooDeep);
    EXPECT_EQ(parseError("1" + repeated("+1", 200000)), tooDeep);
    // Width is not depth.
    EXPECT_EQ(parseLine("[" + repeated("(1),", 200000) + "]").expr->as<Expr::List>()->items.size(), 200000u);
}

TEST(Expr, StructuralEqualityAndDepth) {
    const ExprPtr a = parseLine("1 + 2 * x kg").expr;
    const ExprPtr b = parseLine("1+2*(x kg)").expr;
    const ExprPtr c = parseLine("1 + 2 * x g").expr;
    EXPECT_TRUE(sameTree(a, b));
    EXPECT_FALSE(sameTree(a, c));
    EXPECT_EQ(
        *a, *Expr::binary("+", Expr::number(1),
                          Expr::binary("*", Expr::number(2), Expr::unitApply(Expr::identifier("x"), "kg"))));
    EXPECT_EQ(a->depth(), 4u);
    EXPECT_EQ(a->kind(), Expr::Case::binary);
    ASSERT_NE(a->as<Expr::Binary>(), nullptr);
    EXPECT_EQ(a->as<Expr::Binary>()->op, "+");
    EXPECT_EQ(a->as<Expr::Number>(), nullptr);
    EXPECT_FALSE(sameTree(parseLine("f(1, 2)").expr, parseLine("f(1)").expr));
    EXPECT_FALSE(sameTree(parseLine("[1]").expr, parseLine("f(1)").expr));
    EXPECT_TRUE(sameTree(nullptr, nullptr));
    EXPECT_FALSE(sameTree(a, nullptr));
}

} // namespace
} // namespace vell
