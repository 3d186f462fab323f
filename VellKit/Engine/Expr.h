#pragma once

// The expression tree of one line: immutable nodes behind shared pointers, so subtrees may be
// shared and a tree is cheap to hold. Match on the cases with std::visit or Expr::as.
// Destroying, comparing and walking a tree recurse once per level; the parser keeps trees within
// Parser::maxDepth levels, and code that builds trees itself should do the same.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vell {

class Expr;
using ExprPtr = std::shared_ptr<const Expr>;

class Expr {
public:
    struct Number {
        double figure;
    };
    struct Text {
        std::string text;
    };
    struct List {
        std::vector<ExprPtr> items;
    };
    struct Index {
        ExprPtr base;
        ExprPtr index;
    };
    struct Identifier {
        std::string name;
    };
    struct Ref {
        std::int64_t line;
    };
    struct Unary {
        std::string op; // "-" or "not"
        ExprPtr operand;
    };
    struct Binary {
        std::string op; // + - * / ^ == != < <= > >= and or
        ExprPtr left;
        ExprPtr right;
    };
    struct Percent {
        ExprPtr operand;
    };
    struct UnitApply {
        ExprPtr operand;
        std::string word;
    };
    struct Call {
        std::string name;
        std::vector<ExprPtr> arguments;
    };
    struct Convert {
        ExprPtr operand;
        std::string word; // the target unit text
    };
    struct PercentOf {
        ExprPtr share;
        ExprPtr whole;
    };

    using Node = std::variant<Number, Text, List, Index, Identifier, Ref, Unary, Binary, Percent, UnitApply,
                              Call, Convert, PercentOf>;

    // The cases in the order of Node.
    enum class Case : std::uint8_t {
        number,
        text,
        list,
        index,
        identifier,
        ref,
        unary,
        binary,
        percent,
        unitApply,
        call,
        convert,
        percentOf,
    };

    explicit Expr(Node node);
    // The case T made in place from `args`, as the factories below make their nodes.
    template <typename T, typename... Args>
    explicit Expr(std::in_place_type_t<T> type, Args&&... args)
        : node_(type, std::forward<Args>(args)...), depth_(depthOfNode()) {}

    const Node& node() const { return node_; }
    Case kind() const { return static_cast<Case>(node_.index()); }
    template <typename T>
    const T* as() const {
        return std::get_if<T>(&node_);
    }
    // Levels from this node down to its deepest leaf; a leaf has depth 1.
    std::size_t depth() const { return depth_; }

    static ExprPtr number(double figure);
    static ExprPtr text(std::string text);
    static ExprPtr list(std::vector<ExprPtr> items);
    static ExprPtr index(ExprPtr base, ExprPtr index);
    static ExprPtr identifier(std::string name);
    static ExprPtr ref(std::int64_t line);
    static ExprPtr unary(std::string op, ExprPtr operand);
    static ExprPtr binary(std::string op, ExprPtr left, ExprPtr right);
    static ExprPtr percent(ExprPtr operand);
    static ExprPtr unitApply(ExprPtr operand, std::string word);
    static ExprPtr call(std::string name, std::vector<ExprPtr> arguments);
    static ExprPtr convert(ExprPtr operand, std::string word);
    static ExprPtr percentOf(ExprPtr share, ExprPtr whole);

    // Structural: the same cases with equal payloads all the way down (numbers as doubles).
    friend bool operator==(const Expr& a, const Expr& b);

    // A compact prefix form for tests and diagnostics, e.g. (+ 1 (* 2 (unit 3 kg))).
    std::string debugDescription() const;

private:
    std::size_t depthOfNode() const;

    Node node_;
    std::size_t depth_;
};

// Structural equality of two trees; two null pointers are equal.
bool sameTree(const ExprPtr& a, const ExprPtr& b);

} // namespace vell
