#pragma once

// The statements of a sheet read as a program, and the functions that def makes. Nodes are
// immutable once built; bodies are shared, so a function and the node it came from hold one body.

#include "Engine/Expr.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vell {

class ProgramNode;
using ProgramNodes = std::vector<ProgramNode>;
using ProgramBody = std::shared_ptr<const ProgramNodes>;

class ProgramNode {
public:
    // Every index is the zero-based line of the row that made the node (the header's for a block).
    struct Line {
        std::size_t index;
        std::string_view source; // the trimmed text, in the text the lines were read from
    };
    struct Blank {
        std::size_t index;
    };
    struct Comment {
        std::size_t index;
    };
    struct Invalid {
        std::size_t index;
        std::string message; // already localised
    };
    struct Branch {
        std::size_t index;
        ExprPtr condition; // null for else
        ProgramBody body;
    };
    struct IfChain {
        std::vector<Branch> branches;
    };
    struct ForLoop {
        std::size_t index;
        std::string name;
        ExprPtr iterable;
        ProgramBody body;
    };
    struct WhileLoop {
        std::size_t index;
        ExprPtr condition;
        ProgramBody body;
    };
    struct Define {
        std::size_t index;
        std::string name;
        std::vector<std::string> params;
        ProgramBody body;
    };
    struct Ret {
        std::size_t index;
        ExprPtr value; // null for a bare return
    };
    struct BreakLoop {
        std::size_t index;
    };
    struct ContinueLoop {
        std::size_t index;
    };

    using Node = std::variant<Line, Blank, Comment, Invalid, IfChain, ForLoop, WhileLoop, Define, Ret,
                              BreakLoop, ContinueLoop>;

    // The cases in the order of Node.
    enum class Case : std::uint8_t {
        line,
        blank,
        comment,
        invalid,
        ifChain,
        forLoop,
        whileLoop,
        define,
        ret,
        breakLoop,
        continueLoop,
    };

    explicit ProgramNode(Node node) : node_(std::move(node)) {}

    const Node& node() const { return node_; }
    Case kind() const { return static_cast<Case>(node_.index()); }
    template <typename T>
    const T* as() const {
        return std::get_if<T>(&node_);
    }

    // A compact form for tests and diagnostics, e.g. for@0 i (call range 3) { line@1 "s = i" }.
    std::string debugDescription() const;

private:
    Node node_;
};

std::string debugDescription(const ProgramNodes& nodes);

// A function made by def.
struct ProgramFunction {
    std::string name;
    std::vector<std::string> params;
    ProgramBody body;
    // The sheet the function belongs to when that is not the sheet being evaluated.
    std::optional<std::string> home;
};

} // namespace vell
