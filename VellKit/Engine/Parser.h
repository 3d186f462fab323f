#pragma once

// Turns the tokens of one line into a Statement: the name the line assigns, if any, and its
// expression tree. Recursive descent with precedence climbing for the binary operators, no backtracking.

#include "Engine/Expr.h"
#include "Engine/Token.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <variant>
#include <vector>

namespace vell {

// One parsed line: `name` for "price = 1200", absent for a bare expression.
struct Statement {
    std::optional<std::string> name;
    ExprPtr expr;
};

class Parser {
public:
    // Deeper trees, or deeper nesting of brackets and prefixes, fail: evaluating and destroying a
    // tree recurse once per level, and one keystroke must not exhaust the stack.
    static constexpr std::size_t maxDepth = 1000;

    // `tokens` as Lexer::tokenize gives them, closed by eof.
    explicit Parser(std::vector<Token> tokens);

    // Throws CalcError. A parser serves one statement.
    Statement parseStatement();
    // The same, except that an expression followed by more tokens (as prose often reads) gives
    // none instead of throwing trailingTokensMessage(), which costs far more than the parse.
    std::optional<Statement> parseWholeStatement();
    static std::string trailingTokensMessage();
    // The same again, except that the failures found without a throw come back as their message:
    // trailing tokens, and a line that ends where an operand should follow ("5 +", as every line
    // reads while it is typed). Other failures throw CalcError.
    using Reading = std::variant<Statement, std::string>;
    Reading readStatement();

    // The tokens, handed back once the statement is read, for the caller to fill again.
    std::vector<Token> releaseTokens() && { return std::move(tokens_); }

    // "==", "!=", "<", "<=", ">", ">=". The words the parser reads are in LanguageWords.h.
    static const std::unordered_set<std::string_view>& comparisonOperators();

private:
    // The precedence levels, lowest binding first; each reads from the current token and leaves the
    // index on the first token it did not use.
    // parseWholeStatement without the failure of a line that ended early.
    std::optional<Statement> parseToEnd();
    ExprPtr parseConversion();
    ExprPtr parseOr();
    ExprPtr parseAdditive();
    // From "or" down to * and /, by precedence climbing: `lowest` is the loosest level read.
    ExprPtr parseBinary(int lowest);
    int levelOf(const Token& token) const;
    ExprPtr parseUnary();
    ExprPtr parsePower();
    ExprPtr parsePostfix();
    ExprPtr parsePrimary();
    std::string parseUnitTarget();

    const Token& current() const { return tokens_[index_]; }
    const Token& peek() const { return tokens_[index_ + 1 < tokens_.size() ? index_ + 1 : index_]; }
    void advance() {
        if (index_ + 1 < tokens_.size()) ++index_;
    }

    // Everything below runs off the path that nested brackets recurse through, so that the frames
    // on that path stay small.
    void enter();
    void leave() { --nesting_; }
    ExprPtr bounded(ExprPtr node) const;
    ExprPtr endEarly();
    void failIfEnded() const;
    ExprPtr binary(std::string_view op, ExprPtr&& left, ExprPtr&& right) const;
    ExprPtr unary(std::string_view op, ExprPtr&& operand) const;
    void joinAt(ExprPtr& left, int level);
    bool extendConversion(ExprPtr& left);
    bool extendPostfix(ExprPtr& base);
    ExprPtr prefixNot();
    ExprPtr prefixMinus();
    ExprPtr prefixPlus();
    void raise(ExprPtr& base);
    void applyUnit(ExprPtr& operand, std::size_t nameIndex) const;
    ExprPtr parseLiteral();
    ExprPtr parseNamed();
    ExprPtr parseCall(std::size_t nameIndex);
    ExprPtr parseSignedAmount(std::size_t nameIndex);
    ExprPtr parseParenthesized();
    ExprPtr parseList();

    std::vector<Token> tokens_;
    std::size_t index_ = 0;
    std::size_t nesting_ = 0;
    bool endedEarly_ = false;
};

} // namespace vell
