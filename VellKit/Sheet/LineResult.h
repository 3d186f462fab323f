#pragma once

// What one line of a sheet shows after evaluation, and the name it assigns.

#include "Engine/Value.h"
#include "Sheet/PlotSpec.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>

namespace vell {

class LineOutcome {
public:
    struct Failure {
        std::string message; // already in the user's language
        friend bool operator==(const Failure&, const Failure&) = default;
    };
    struct Blank {
        friend bool operator==(const Blank&, const Blank&) = default;
    };
    // A note: comment syntax, or a failing line without any ASCII digit.
    struct Comment {
        friend bool operator==(const Comment&, const Comment&) = default;
    };

    // A plot is held behind a shared pointer: it is large and rare, and every line's result would
    // otherwise be as large as a plot. A sheet's results are kept and copied by every window.
    using Node = std::variant<Value, std::shared_ptr<const PlotSpec>, Failure, Blank, Comment>;

    // The cases in the order of Node.
    enum class Case : std::uint8_t {
        value,
        plot,
        failure,
        blank,
        comment,
    };

    LineOutcome() : node_(Blank{}) {}

    static LineOutcome value(Value value) { return LineOutcome(Node(std::move(value))); }
    static LineOutcome plot(PlotSpec spec) {
        return LineOutcome(Node(std::make_shared<const PlotSpec>(std::move(spec))));
    }
    static LineOutcome failure(std::string message) { return LineOutcome(Node(Failure{std::move(message)})); }
    static LineOutcome blank() { return LineOutcome(); }
    static LineOutcome comment() { return LineOutcome(Node(Comment{})); }

    const Node& node() const { return node_; }
    Case kind() const { return static_cast<Case>(node_.index()); }
    template <typename T>
    const T* as() const {
        if constexpr (std::is_same_v<T, PlotSpec>) {
            const auto* plot = std::get_if<std::shared_ptr<const PlotSpec>>(&node_);
            return plot ? plot->get() : nullptr;
        } else {
            return std::get_if<T>(&node_);
        }
    }

    // Plots compare by what they draw.
    friend bool operator==(const LineOutcome& a, const LineOutcome& b);

    // value 5 m, failure "…", plot curve "…", blank, comment; for tests and diagnostics.
    std::string debugDescription() const;

private:
    explicit LineOutcome(Node node) : node_(std::move(node)) {}

    Node node_;
};

struct LineResult {
    LineOutcome outcome;
    // Only value and plot outcomes of a named line carry it.
    std::optional<std::string> name;

    friend bool operator==(const LineResult&, const LineResult&) = default;

    std::string debugDescription() const;
};

} // namespace vell
