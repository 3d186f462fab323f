#include "Engine/Parser.h"

#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/LanguageWords.h"
#include "Engine/UnitRegistry.h"
#include "Unicode/Unicode.h"

#include <cmath>
#include <cstdlib>
#include <utility>

// Nested brackets recurse through every level function, so those functions keep only a pointer or
// two in their frames: building nodes, loop bodies and messages live in helpers kept out of line.
namespace vell {

namespace {

[[noreturn, gnu::noinline, gnu::cold]] void fail(std::string_view japanese, std::string_view english) {
    throw CalcError(L10n::text(japanese, english));
}

[[noreturn, gnu::noinline, gnu::cold]] void failNestedTooDeeply() {
    fail("式の入れ子が深すぎます", "This expression is nested too deeply");
}

[[noreturn, gnu::noinline, gnu::cold]] void failUnclosedCall(const std::string& name) {
    fail(name + "( の閉じ括弧がありません", "Missing ) to close " + name + "(");
}

// In Japanese and in English.
constexpr std::string_view endedMessage[] = {"式が途中で終わっています", "The expression ends in the middle"};

[[noreturn, gnu::noinline, gnu::cold]] void failExpectedOperand(const Token& token) {
    switch (token.kind) {
    case Token::Kind::op:
        fail("「" + token.text + "」の使い方が正しくありません",
             "“" + token.text + "” isn’t used correctly here");
    case Token::Kind::rparen:
        fail("対応する開き括弧がありません", "No matching opening parenthesis");
    case Token::Kind::rbracket:
        fail("対応する [ がありません", "No matching [");
    case Token::Kind::comma:
        fail("カンマの位置が正しくありません", "A comma is in the wrong place");
    default:
        fail(endedMessage[0], endedMessage[1]);
    }
}

// Words the lower levels take ("and", "of", "の", ...): one before "(" is no call to multiply by,
// so "(a > 1) and (b > 2)" is a condition and "10% of (200 + 5)" a share.
bool isKeyword(std::string_view word) {
    return word == LanguageWords::japaneseOfWord || LanguageWords::isReserved(word);
}

// A currency written as its sign ("$", "¥", "€"). Before a signed number it takes the sign into the
// amount: "$-5" is minus five dollars, not the amount $1 less 5. Unit names written in letters keep
// the rule of every other name, so "h - 5" still subtracts from h, which may be a named value.
bool isCurrencySign(std::string_view name) {
    if (name.empty() || unicode::isAlphabetic(unicode::firstScalar(name))) return false;
    const auto unit = UnitRegistry::lookup(name);
    return unit && unit->signature().starts_with("currency.");
}

} // namespace

Parser::Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {
    if (tokens_.empty() || tokens_.back().kind != Token::Kind::eof) {
        const std::size_t end = tokens_.empty() ? 0 : tokens_.back().start + 1;
        tokens_.push_back(Token::make(Token::Kind::eof, end));
    }
}

const std::unordered_set<std::string_view>& Parser::comparisonOperators() {
    static const std::unordered_set<std::string_view> operators{"==", "!=", "<", "<=", ">", ">="};
    return operators;
}

// A failed parse drops the parser, so leaving is not needed on the way out of an exception.
[[gnu::noinline]] void Parser::enter() {
    if (++nesting_ > maxDepth && !endedEarly_) failNestedTooDeeply();
}

ExprPtr Parser::bounded(ExprPtr node) const {
    if (node->depth() > maxDepth && !endedEarly_) failNestedTooDeeply();
    return node;
}

// A line that ends where an operand should follow ("5 +", as every line is while it is typed) is
// read to its end with a stand-in operand, and fails once, at the top, rather than by a throw
// through every level. Any other failure met on the way out (an unclosed bracket, the depth limit)
// would have come after it, and is not raised: the tree is dropped.
[[gnu::noinline]] ExprPtr Parser::endEarly() {
    endedEarly_ = true;
    static const ExprPtr standIn = Expr::number(0);
    return standIn;
}

void Parser::failIfEnded() const {
    if (endedEarly_) failExpectedOperand(tokens_.back());
}

[[gnu::noinline]] ExprPtr Parser::binary(std::string_view op, ExprPtr&& left, ExprPtr&& right) const {
    return bounded(Expr::binary(std::string(op), std::move(left), std::move(right)));
}

[[gnu::noinline]] ExprPtr Parser::unary(std::string_view op, ExprPtr&& operand) const {
    return bounded(Expr::unary(std::string(op), std::move(operand)));
}

Statement Parser::parseStatement() {
    std::optional<Statement> statement = parseWholeStatement();
    if (!statement) throw CalcError(trailingTokensMessage());
    return std::move(*statement);
}

std::string Parser::trailingTokensMessage() {
    return L10n::text("式の書き方が正しくありません", "This expression isn’t written correctly");
}

std::optional<Statement> Parser::parseWholeStatement() {
    std::optional<Statement> statement = parseToEnd();
    failIfEnded();
    return statement;
}

Parser::Reading Parser::readStatement() {
    std::optional<Statement> statement = parseToEnd();
    if (endedEarly_) return L10n::text(endedMessage[0], endedMessage[1]);
    if (!statement) return trailingTokensMessage();
    return std::move(*statement);
}

std::optional<Statement> Parser::parseToEnd() {
    Statement statement;
    if (current().isName() && peek().isOp("=") && !LanguageWords::isReserved(current().text)) {
        statement.name = current().text;
        advance();
        advance();
    }
    if (current().kind == Token::Kind::eof) fail("式がありません", "There’s no expression");
    statement.expr = parseConversion();
    if (endedEarly_ || current().kind != Token::Kind::eof) return std::nullopt;
    return statement;
}

ExprPtr Parser::parseConversion() {
    ExprPtr left = parseOr();
    while (current().kind != Token::Kind::eof && extendConversion(left)) {
    }
    return left;
}

[[gnu::noinline]] bool Parser::extendConversion(ExprPtr& left) {
    const Token& token = current();
    if ((token.isName() && LanguageWords::isConversionWord(token.text) && peek().isName()) ||
        token.isOp(LanguageWords::conversionArrow)) {
        advance();
        std::string target = parseUnitTarget();
        left = bounded(Expr::convert(std::move(left), std::move(target)));
        return true;
    }
    if (token.isName(LanguageWords::ofWord) || token.isName(LanguageWords::japaneseOfWord)) {
        advance();
        ExprPtr whole = parseAdditive();
        left = bounded(Expr::percentOf(std::move(left), std::move(whole)));
        return true;
    }
    return false;
}

// The binary levels, loosest first; 0 for a token that joins nothing. Implicit multiplication ("2
// (3 + 4)", "3 sqrt(2)") binds as * and /.
namespace {

constexpr int orLevel = 1;
constexpr int andLevel = 2;
constexpr int comparisonLevel = 3;
constexpr int additiveLevel = 4;
constexpr int multiplicativeLevel = 5;

// The one character of a one-character operator, 0 for every other token.
char soleOperator(const Token& token) {
    return token.kind == Token::Kind::op && token.text.size() == 1 ? token.text[0] : '\0';
}

bool isComparison(const Token& token) {
    if (token.kind != Token::Kind::op) return false;
    const std::string& op = token.text;
    if (op.size() == 1) return op[0] == '<' || op[0] == '>';
    return op.size() == 2 && op[1] == '=' && (op[0] == '=' || op[0] == '!' || op[0] == '<' || op[0] == '>');
}

} // namespace

int Parser::levelOf(const Token& token) const {
    switch (token.kind) {
    case Token::Kind::op:
        switch (soleOperator(token)) {
        case '+':
        case '-':
            return additiveLevel;
        case '*':
        case '/':
            return multiplicativeLevel;
        default:
            return isComparison(token) ? comparisonLevel : 0;
        }
    case Token::Kind::identifier:
        if (token.text == LanguageWords::orWord) return orLevel;
        if (token.text == LanguageWords::andWord) return andLevel;
        return peek().kind == Token::Kind::lparen && !isKeyword(token.text) ? multiplicativeLevel : 0;
    case Token::Kind::number:
    case Token::Kind::lparen:
        return multiplicativeLevel;
    default:
        return 0;
    }
}

ExprPtr Parser::parseOr() {
    return parseBinary(orLevel);
}

ExprPtr Parser::parseAdditive() {
    return parseBinary(additiveLevel);
}

// Operators of `lowest` and tighter levels, each level joining from the left; "not" prefixes an
// operand down to the comparisons.
ExprPtr Parser::parseBinary(int lowest) {
    ExprPtr left =
        lowest <= comparisonLevel && current().isName(LanguageWords::notWord) ? prefixNot() : parseUnary();
    for (;;) {
        const int level = levelOf(current());
        if (level < lowest || level == 0) return left;
        joinAt(left, level);
    }
}

// The current token joins at `level`: an operator, or the start of an implicitly multiplied operand.
[[gnu::noinline]] void Parser::joinAt(ExprPtr& left, int level) {
    const Token& token = current();
    const bool implicit = level == multiplicativeLevel && token.kind != Token::Kind::op;
    const std::size_t op = index_;
    if (!implicit) advance();
    ExprPtr right = level == multiplicativeLevel ? parseUnary() : parseBinary(level + 1);
    left = binary(implicit ? std::string_view("*") : std::string_view(tokens_[op].text), std::move(left),
                  std::move(right));
}

[[gnu::noinline]] ExprPtr Parser::prefixNot() {
    advance();
    enter();
    ExprPtr operand = parseBinary(comparisonLevel);
    leave();
    return unary(LanguageWords::notWord, std::move(operand));
}

ExprPtr Parser::parseUnary() {
    const char op = soleOperator(current());
    if (op == '-') return prefixMinus();
    if (op == '+') return prefixPlus();
    return parsePower();
}

[[gnu::noinline]] ExprPtr Parser::prefixMinus() {
    advance();
    enter();
    ExprPtr operand = parseUnary();
    leave();
    return unary("-", std::move(operand));
}

[[gnu::noinline]] ExprPtr Parser::prefixPlus() {
    advance();
    enter();
    ExprPtr operand = parseUnary();
    leave();
    return operand;
}

ExprPtr Parser::parsePower() {
    ExprPtr base = parsePostfix();
    if (soleOperator(current()) == '^') raise(base);
    return base;
}

// The current token is "^"; `base` becomes base ^ exponent.
[[gnu::noinline]] void Parser::raise(ExprPtr& base) {
    advance();
    enter();
    ExprPtr exponent = parseUnary();
    leave();
    base = binary("^", std::move(base), std::move(exponent));
}

ExprPtr Parser::parsePostfix() {
    ExprPtr base = parsePrimary();
    while (extendPostfix(base)) {
    }
    return base;
}

[[gnu::noinline]] bool Parser::extendPostfix(ExprPtr& base) {
    const Token& token = current();
    if (token.isName()) {
        // Keywords belong to the lower levels; a name before "(" is a call, multiplied there.
        if (isKeyword(token.text) || peek().kind == Token::Kind::lparen) return false;
        std::string name = token.text;
        advance();
        if (current().isOp("^")) {
            ExprPtr power = Expr::identifier(std::move(name));
            raise(power);
            base = binary("*", std::move(base), std::move(power));
        } else {
            base = bounded(Expr::unitApply(std::move(base), std::move(name)));
        }
        return true;
    }
    if (token.isOp("%")) {
        advance();
        base = bounded(Expr::percent(std::move(base)));
        return true;
    }
    if (token.kind == Token::Kind::lbracket) {
        advance();
        enter();
        ExprPtr index = parseConversion();
        if (current().kind != Token::Kind::rbracket && !endedEarly_) fail("] がありません", "Missing ]");
        advance();
        leave();
        base = bounded(Expr::index(std::move(base), std::move(index)));
        return true;
    }
    return false;
}

ExprPtr Parser::parsePrimary() {
    switch (current().kind) {
    case Token::Kind::number:
    case Token::Kind::string:
    case Token::Kind::ref:
        return parseLiteral();
    case Token::Kind::identifier:
        return parseNamed();
    case Token::Kind::lparen:
        return parseParenthesized();
    case Token::Kind::lbracket:
        return parseList();
    case Token::Kind::eof:
        return endEarly();
    default:
        failExpectedOperand(current());
    }
}

[[gnu::noinline]] ExprPtr Parser::parseLiteral() {
    const Token& token = current();
    advance();
    switch (token.kind) {
    case Token::Kind::number:
        return Expr::number(token.number);
    case Token::Kind::string:
        return Expr::text(token.text);
    default:
        return Expr::ref(token.ref);
    }
}

[[gnu::noinline]] ExprPtr Parser::parseNamed() {
    const std::size_t name = index_;
    advance();
    if (current().kind == Token::Kind::lparen) return parseCall(name);
    if (current().kind == Token::Kind::number && UnitRegistry::isUnit(tokens_[name].text)) {
        // A unit written before a number: "$ 5", "¥1,000".
        ExprPtr operand = parsePostfix();
        applyUnit(operand, name);
        return operand;
    }
    if ((current().isOp("-") || current().isOp("+")) && peek().kind == Token::Kind::number &&
        isCurrencySign(tokens_[name].text))
        return parseSignedAmount(name);
    return Expr::identifier(tokens_[name].text);
}

// The current token is the sign after the currency sign at `nameIndex`, and a number follows it.
[[gnu::noinline]] ExprPtr Parser::parseSignedAmount(std::size_t nameIndex) {
    const bool negative = current().isOp("-");
    advance();
    ExprPtr operand = parsePostfix();
    if (negative) operand = unary("-", std::move(operand));
    applyUnit(operand, nameIndex);
    return operand;
}

[[gnu::noinline]] void Parser::applyUnit(ExprPtr& operand, std::size_t nameIndex) const {
    operand = bounded(Expr::unitApply(std::move(operand), tokens_[nameIndex].text));
}

// The current token is the "(" after the name at `nameIndex`.
[[gnu::noinline]] ExprPtr Parser::parseCall(std::size_t nameIndex) {
    advance();
    std::vector<ExprPtr> arguments;
    if (current().kind == Token::Kind::rparen) {
        advance();
        return Expr::call(tokens_[nameIndex].text, std::move(arguments));
    }
    enter();
    for (;;) {
        arguments.emplace_back();
        arguments.back() = parseConversion();
        if (current().kind == Token::Kind::comma) {
            advance();
        } else if (current().kind == Token::Kind::rparen) {
            advance();
            break;
        } else if (endedEarly_) {
            break;
        } else {
            failUnclosedCall(tokens_[nameIndex].text);
        }
    }
    leave();
    return bounded(Expr::call(tokens_[nameIndex].text, std::move(arguments)));
}

[[gnu::noinline]] ExprPtr Parser::parseParenthesized() {
    advance();
    enter();
    ExprPtr inner = parseConversion();
    if (current().kind != Token::Kind::rparen && !endedEarly_)
        fail("閉じ括弧がありません", "Missing closing parenthesis");
    advance();
    leave();
    return inner;
}

[[gnu::noinline]] ExprPtr Parser::parseList() {
    advance();
    enter();
    std::vector<ExprPtr> items;
    for (;;) {
        if (current().kind == Token::Kind::rbracket) {
            advance();
            break;
        }
        items.push_back(parseConversion());
        if (current().kind == Token::Kind::comma) {
            advance();
        } else if (current().kind == Token::Kind::rbracket) {
            advance();
            break;
        } else if (endedEarly_) {
            break;
        } else {
            fail("表の閉じ括弧 ] がありません", "Missing ] to close the list");
        }
    }
    leave();
    return bounded(Expr::list(std::move(items)));
}

std::string Parser::parseUnitTarget() {
    if (!current().isName()) fail("変換先の単位が必要です", "A unit to convert to is needed");
    std::string target = current().text;
    advance();
    while (current().kind != Token::Kind::eof) {
        const Token& token = current();
        const Token& next = peek();
        if ((token.isOp("/") || token.isOp("*")) && next.isName() && !LanguageWords::isReserved(next.text)) {
            target.append(token.isOp("/") ? "/" : "·").append(next.text);
            advance();
            advance();
        } else if (token.isOp("^") && next.kind == Token::Kind::number &&
                   next.number == std::floor(next.number) && std::fabs(next.number) <= 9) {
            // Numbers from the lexer are never negative; the sign is written all the same.
            const int exponent = static_cast<int>(next.number);
            target.append(exponent < 0 ? "^-" : "^").push_back(static_cast<char>('0' + std::abs(exponent)));
            advance();
            advance();
        } else {
            break;
        }
    }
    return target;
}

} // namespace vell
