#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/Lexer.h"
#include "MessageTestSupport.h"

#include <charconv>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::BilingualFailure;
using testsupport::EngineSettingsScope;
using testsupport::expectFailuresInBothLanguages;
using testsupport::messageOf;

// Tokens as one line of text: num(5) name(x) str("a") ref(3) op(+) ( ) [ ] , ; eof is left out.
std::string show(const std::vector<Token>& tokens) {
    std::string out;
    for (const Token& token : tokens) {
        if (token.kind == Token::Kind::eof) break;
        if (!out.empty()) out.push_back(' ');
        switch (token.kind) {
        case Token::Kind::number: {
            char buffer[32];
            out.append("num(")
                .append(buffer, std::to_chars(buffer, buffer + 32, token.number).ptr)
                .append(")");
            break;
        }
        case Token::Kind::identifier:
            out.append("name(").append(token.text).append(")");
            break;
        case Token::Kind::string:
            out.append("str(\"").append(token.text).append("\")");
            break;
        case Token::Kind::ref:
            out.append("ref(").append(std::to_string(token.ref)).append(")");
            break;
        case Token::Kind::op:
            out.append("op(").append(token.text).append(")");
            break;
        case Token::Kind::lparen:
            out.append("(");
            break;
        case Token::Kind::rparen:
            out.append(")");
            break;
        case Token::Kind::lbracket:
            out.append("[");
            break;
        case Token::Kind::rbracket:
            out.append("]");
            break;
        case Token::Kind::comma:
            out.append(",");
            break;
        case Token::Kind::eof:
            break;
        }
    }
    return out;
}

std::string lex(const std::string& line) {
    return show(Lexer::tokenize(line));
}

std::string lexError(const std::string& line) {
    return messageOf([&] { Lexer::tokenize(line); });
}

std::vector<std::size_t> starts(const std::string& line) {
    std::vector<std::size_t> out;
    for (const Token& token : Lexer::tokenize(line))
        out.push_back(token.start);
    return out;
}

struct Case {
    std::string line;
    std::string expected;
};

TEST(Lexer, ReadsNumeralsWithGroupsPointsAndExponents) {
    const Case cases[] = {
        {"1,234,567", "num(1234567)"},
        {"1,234.5", "num(1234.5)"},
        {"1,5", "num(1) , num(5)"},
        {"1,2345", "num(1) , num(2345)"},
        {"1,234,5678", "num(1234) , num(5678)"},
        {"1234,567", "num(1234567)"},
        {"1,234,", "num(1234) ,"},
        {"f(1,234)", "name(f) ( num(1234) )"},
        {"f(1, 234)", "name(f) ( num(1) , num(234) )"},
        {".5", "num(0.5)"},
        {"0.1", "num(0.1)"},
        {"00012", "num(12)"},
        {"2E-3", "num(0.002)"},
        {"1e3", "num(1000)"},
        {"1.5e+2", "num(150)"},
        {"2e+", "num(2) name(e) op(+)"},
        {"2e", "num(2) name(e)"},
        {"2ex", "num(2) name(ex)"},
        {"1e-400", "num(0)"},
        {"1.7976931348623157e308", "num(1.7976931348623157e+308)"},
        {"12kg", "num(12) name(kg)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lex(c.line), c.expected) << c.line;
}

// Every numeral reads as the double nearest to it, whichever way the lexer takes to it: short
// numerals and long ones, many fraction digits, and groups, compared with from_chars bit for bit.
TEST(Lexer, NumeralsReadAsTheNearestDouble) {
    const std::string numerals[] = {
        "0",
        "7",
        "0.1",
        "0.3",
        "2.675",
        "1.005",
        "9007199254740993",
        "123456789012345",
        "1234567890123456",
        "999999999999999.9",
        "0.000000000000001",
        "0.0000000000000001",
        "3.141592653589793",
        "3.1415926535897932384626",
        "100000000000000000000000",
        "4.35",
        "1234.5678",
        "0.1234567890123",
        "18446744073709551616",
    };
    for (const std::string& numeral : numerals) {
        double expected = 0;
        std::from_chars(numeral.data(), numeral.data() + numeral.size(), expected);
        const std::vector<Token> tokens = Lexer::tokenize(numeral);
        ASSERT_EQ(tokens.size(), 2u) << numeral;
        EXPECT_EQ(tokens[0].number, expected) << numeral;
    }
    // Groups are left out before reading.
    const std::vector<Token> grouped = Lexer::tokenize("123,456,789.012345");
    EXPECT_EQ(grouped[0].number, 123456789.012345);
}

TEST(Lexer, ReadsJapaneseMultipliers) {
    const Case cases[] = {
        {"1万2千", "num(12000)"}, {"3億5000万", "num(3.5e+08)"},    {"1.5万", "num(15000)"},
        {"2万5", "num(20005)"},   {"2千万", "num(2000) name(万)"},  {"2千3万", "num(32000)"},
        {"1兆", "num(1e+12)"},    {"1,000万", "num(1e+07)"},        {"5百", "num(5) name(百)"},
        {"万", "name(万)"},       {"3万円", "num(30000) name(円)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lex(c.line), c.expected) << c.line;
}

TEST(Lexer, NumeralsThatCannotBeReadFail) {
    EngineSettingsScope english(AppLanguage::english);
    const Case cases[] = {
        {"1e400", "The number is too large"},
        {"1e308万", "The number is too large"},
        {"1" + std::string(400, '0'), "The number is too large"},
        {"5.", "The character “.” can’t be used"},
        // A second decimal point must not start a new number (which would multiply).
        {"1.2.3", "The character “.” can’t be used"},
        {"1.2.", "The character “.” can’t be used"},
        {"1.2e3.4", "The character “.” can’t be used"},
        {"1万.5", "The character “.” can’t be used"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lexError(c.line), c.expected) << c.line;

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(lexError("1e400"), "数が大きすぎます");
    EXPECT_EQ(lexError("1.2.3"), "「.」は使えない文字です");
}

TEST(Lexer, ReadsNamesWithUnitSignsSuperscriptsAndSlashUnits) {
    const Case cases[] = {
        {"x2", "name(x2)"},
        {"_a1", "name(_a1)"},
        {"m²", "name(m²)"},
        {"m²3", "name(m²3)"},
        {"$5", "name($) num(5)"},
        {"$x", "name($x)"},
        {"¥1,000", "name(¥) num(1000)"},
        {"€3.5", "name(€) num(3.5)"},
        {"°C", "name(°C)"},
        {"5℃", "num(5) name(℃)"},
        {"km/h", "name(km/h)"},
        {"60 km/h", "num(60) name(km/h)"},
        {"m/s", "name(m/s)"},
        {"kg/m", "name(kg) op(/) name(m)"},
        {"m/s2", "name(m) op(/) name(s2)"},
        {"km/", "name(km) op(/)"},
        {"km/ h", "name(km) op(/) name(h)"},
        {"坪単価", "name(坪単価)"},
        {"π", "name(π)"},
        {"e\u0301t\u00e9", "name(e\u0301t\u00e9)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lex(c.line), c.expected) << c.line;
}

TEST(Lexer, ReadsOperatorsAndBrackets) {
    const Case cases[] = {
        {"a == b <= c >= d != e < f > g",
         "name(a) op(==) name(b) op(<=) name(c) op(>=) name(d) op(!=) name(e) "
         "op(<) name(f) op(>) name(g)"},
        {"x = 1", "name(x) op(=) num(1)"},
        {"1+2-3*4/5^6%", "num(1) op(+) num(2) op(-) num(3) op(*) num(4) op(/) num(5) op(^) num(6) op(%)"},
        {"5 km → m", "num(5) name(km) op(→) name(m)"},
        {"a:b", "name(a) op(:) name(b)"},
        {"[1,(2)]", "[ num(1) , ( num(2) ) ]"},
        {"5 != 3", "num(5) op(!=) num(3)"},
        {"=<", "op(=) op(<)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lex(c.line), c.expected) << c.line;
}

TEST(Lexer, ReadsQuotedTextsAndTheirEscapes) {
    const Case cases[] = {
        {"\"abc\"", "str(\"abc\")"},
        {"'abc'", "str(\"abc\")"},
        {"\"\"", "str(\"\")"},
        {"\"a b\" 1", "str(\"a b\") num(1)"},
        {"\"a\\nb\"", "str(\"a\nb\")"},
        {"\"a\\tb\"", "str(\"a\tb\")"},
        {"\"a\\\"b\"", "str(\"a\"b\")"},
        {"\"a\\\\b\"", "str(\"a\\b\")"},
        {"\"a\\qb\"", "str(\"aqb\")"},
        {"\"it’s\"", "str(\"it’s\")"},
        {"\"say 'hi'\"", "str(\"say 'hi'\")"},
        {"“ｆｕｌｌ”", "str(\"ｆｕｌｌ\")"},
        {"＂x＂", "str(\"x\")"},
        {"‘a’", "str(\"a\")"},
        {"'it’s", "str(\"it\") name(s)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lex(c.line), c.expected) << c.line;
}

TEST(Lexer, UnclosedQuotesFailNamingTheQuote) {
    const BilingualFailure cases[] = {
        {"\"abc", "Missing closing \"", "文字の終わりの \" がありません"},
        {"“abc", "Missing closing \"", "文字の終わりの \" がありません"},
        {"'abc", "Missing closing '", "文字の終わりの ' がありません"},
        {"'it’s'", "Missing closing '", "文字の終わりの ' がありません"},
        {"\"a\\\"", "Missing closing \"", "文字の終わりの \" がありません"},
        {"\"a\\", "Missing closing \"", "文字の終わりの \" がありません"},
    };
    expectFailuresInBothLanguages(cases, lexError);
}

TEST(Lexer, ReadsLineReferences) {
    const Case cases[] = {
        {"#12", "ref(12)"},
        {"#0012", "ref(12)"},
        {"#0", "ref(0)"},
        {"#3+#4", "ref(3) op(+) ref(4)"},
        {"#12abc", "ref(12) name(abc)"},
        // Too many digits saturate rather than wrap around to a small line number.
        {"#99999999999999999999999", "ref(9223372036854775807)"},
        {"#9223372036854775807", "ref(9223372036854775807)"},
        {"#9223372036854775808", "ref(9223372036854775807)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lex(c.line), c.expected) << c.line;
    EXPECT_EQ(starts("1 + #12"), (std::vector<std::size_t>{0, 2, 4, 7}));
}

TEST(Lexer, CharactersThatStartNoTokenFail) {
    EngineSettingsScope english(AppLanguage::english);
    const Case cases[] = {
        {"5!", "!"},
        {"!", "!"},
        {"#", "#"},
        {"#a", "#"},
        {"# 1", "#"},
        {"1 & 2", "&"},
        {"a | b", "|"},
        {"1; 2", ";"},
        {"£5", "£"},
        {"²", "²"},
        {"5。", "。"},
        {"＄5", "＄"},
        {"1 ？", "？"},
        {"½", "½"},
        {"①", "①"},
        {"「a」", "「"},
        // A digit with a combining keycap is one character, and not a digit.
        {"1\u20E3", "1\u20E3"},
        {"5 \xFF", "\uFFFD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lexError(c.line), "The character “" + c.expected + "” can’t be used") << c.line;

    EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(lexError("5!"), "「!」は使えない文字です");
    EXPECT_EQ(lexError("1\u20E3"), "「1\u20E3」は使えない文字です");
}

TEST(Lexer, NormalizesLookAlikesOutsideQuotedTexts) {
    const Case cases[] = {
        {"１２３＋４５", "123+45"},
        {"ＡＢＣａｂｃ", "ABCabc"},
        {"３×４", "3*4"},
        {"3·4•5⋅6", "3*4*5*6"},
        {"8÷2", "8/2"},
        {"5–4—3−2", "5-4-3-2"},
        {"a ≠ b", "a != b"},
        {"a ≤ b ≦ c", "a <= b <= c"},
        {"a ≥ b ≧ c", "a >= b >= c"},
        {"5 ⇒ km ▶ m ➡ cm → mm", "5 → km → m → cm → mm"},
        {"1\u30002", "1 2"},
        {"【1、2】〔3〕", "[1,2][3]"},
        {"！＃％（）＊＋，－．／", "!#%()*+,-./"},
        {"：＜＝＞［］＾", ":<=>[]^"},
        // Left as typed.
        {"＄＆＇；？＠＼＿｀｛｜｝～￥‒―。「」", "＄＆＇；？＠＼＿｀｛｜｝～￥‒―。「」"},
        // Quoted texts stay as typed; their quotes become ASCII.
        {"“ｆｕｌｌ×”", "\"ｆｕｌｌ×\""},
        {"‘１’＋１", "'１'+1"},
        {"\"it’s ×\" × 2", "\"it’s ×\" * 2"},
        {"'a“b' ×", "'a“b' *"},
        {"“a\\”b” ×", "\"a\\”b\" *"},
        {"“open ×", "\"open ×"},
        {"", ""},
        {"\xFF"
         "1",
         "\uFFFD"
         "1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lexer::normalize(c.line), c.expected) << c.line;

    EXPECT_EQ(lex("１２３＋４５"), "num(123) op(+) num(45)");
    EXPECT_EQ(lex("３×４"), "num(3) op(*) num(4)");
    EXPECT_EQ(lex("a ≠ b"), "name(a) op(!=) name(b)");
    EXPECT_EQ(lex("a ≦ b"), "name(a) op(<=) name(b)");
    EXPECT_EQ(lex("5 ⇒ km"), "num(5) op(→) name(km)");
    EXPECT_EQ(lex("１，０００"), "num(1000)");
}

TEST(Lexer, StartsCountCharactersOfTheNormalizedLine) {
    EXPECT_EQ(starts(""), (std::vector<std::size_t>{0}));
    EXPECT_EQ(starts("  "), (std::vector<std::size_t>{2}));
    EXPECT_EQ(starts("ab + 12"), (std::vector<std::size_t>{0, 3, 5, 7}));
    EXPECT_EQ(starts("\"x\" 1"), (std::vector<std::size_t>{0, 4, 5}));
    // ≠ becomes two characters; a decomposed é is one.
    EXPECT_EQ(starts("a≠e\u0301x"), (std::vector<std::size_t>{0, 1, 3, 5}));
    EXPECT_EQ(starts("１２＋坪"), (std::vector<std::size_t>{0, 2, 3, 4}));
    EXPECT_EQ(starts("1\r\n2"), (std::vector<std::size_t>{0, 2, 3}));
    EXPECT_EQ(starts("1\n2"), (std::vector<std::size_t>{0, 2, 3}));
    // Past the first eight bytes as well.
    EXPECT_EQ(starts("12345678 + 9\r\n1"), (std::vector<std::size_t>{0, 9, 11, 13, 14}));
    EXPECT_EQ(starts("12345678 + 坪 + 1"), (std::vector<std::size_t>{0, 9, 11, 13, 15, 16}));
    EXPECT_EQ(starts("12345678 + 9\r1"), (std::vector<std::size_t>{0, 9, 11, 13, 14}));

    const std::vector<Token> tokens = Lexer::tokenize("x = 5");
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens.back(), Token::make(Token::Kind::eof, 5));
    EXPECT_EQ(tokens[2], Token::makeNumber(5, 4));
    EXPECT_NE(tokens[2], Token::makeNumber(5, 3));
    EXPECT_NE(tokens[0], Token::makeText(Token::Kind::string, "x", 0));
}

TEST(Lexer, LineMapLeadsTokenStartsBackToTheTypedText) {
    const std::string typed = "３ ≠ “ｘ” e\u0301";
    const Lexer::LineMap map = Lexer::lineMap(typed);
    EXPECT_EQ(map.normalized, Lexer::normalize(typed));
    const std::vector<Token> tokens = Lexer::tokenize(typed);
    ASSERT_EQ(tokens.size(), 5u);
    std::vector<std::size_t> offsets;
    for (const Token& token : tokens)
        offsets.push_back(map.sourceOffset(token.start));
    // "３" 3 bytes, " ", "≠" 3 bytes, " ", "“" 3 bytes, "ｘ" 3, "”" 3, " ", "é" 3 bytes.
    EXPECT_EQ(offsets, (std::vector<std::size_t>{0, 4, 8, 18, typed.size()}));

    // Every byte of the normalised line leads back, runs of ASCII and escapes in quotes too.
    const Lexer::LineMap mixed = Lexer::lineMap("a×\"b\\\"c\" 1");
    EXPECT_EQ(mixed.normalized, "a*\"b\\\"c\" 1");
    EXPECT_EQ(mixed.sourceOffsets, (std::vector<std::size_t>{0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11}));

    const Lexer::LineMap ascii = Lexer::lineMap("a+1");
    EXPECT_EQ(ascii.sourceOffset(2), 2u);
    EXPECT_EQ(ascii.sourceOffset(3), 3u);
}

} // namespace
} // namespace vell
