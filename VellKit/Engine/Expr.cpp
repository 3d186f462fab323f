#include "Engine/Expr.h"

#include "Engine/LanguageWords.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>

namespace vell {

namespace {

std::size_t depthOf(const ExprPtr& e) {
    return e ? e->depth() : 0;
}

std::size_t depthOf(const std::vector<ExprPtr>& items) {
    std::size_t deepest = 0;
    for (const ExprPtr& item : items)
        deepest = std::max(deepest, depthOf(item));
    return deepest;
}

std::size_t depthOf(const Expr::Node& node) {
    return 1 +
           std::visit(
               [](const auto& n) -> std::size_t {
                   using T = std::decay_t<decltype(n)>;
                   if constexpr (std::is_same_v<T, Expr::List>)
                       return depthOf(n.items);
                   else if constexpr (std::is_same_v<T, Expr::Call>)
                       return depthOf(n.arguments);
                   else if constexpr (std::is_same_v<T, Expr::Index>)
                       return std::max(depthOf(n.base), depthOf(n.index));
                   else if constexpr (std::is_same_v<T, Expr::Binary>)
                       return std::max(depthOf(n.left), depthOf(n.right));
                   else if constexpr (std::is_same_v<T, Expr::PercentOf>)
                       return std::max(depthOf(n.share), depthOf(n.whole));
                   else if constexpr (std::is_same_v<T, Expr::Unary> || std::is_same_v<T, Expr::Percent> ||
                                      std::is_same_v<T, Expr::UnitApply> || std::is_same_v<T, Expr::Convert>)
                       return depthOf(n.operand);
                   else
                       return 0;
               },
               node);
}

// Nodes come and go by the thousand with every evaluation, all of one size: a free list per thread
// keeps them away from the general heap. A thread's list is emptied when the thread ends; a node
// dropped after that goes back to the heap at once.
template <std::size_t Size>
class NodeBlocks {
public:
    static void* take() {
        Blocks& blocks = state();
        if (Block* block = blocks.head) {
            blocks.head = block->next;
            --blocks.count;
            return block;
        }
        if (!blocks.watched) watchThreadEnd();
        return ::operator new(Size);
    }

    static void give(void* pointer) {
        Blocks& blocks = state();
        if (blocks.closed || blocks.count >= kept) {
            ::operator delete(pointer);
            return;
        }
        Block* block = static_cast<Block*>(pointer);
        block->next = blocks.head;
        blocks.head = block;
        ++blocks.count;
    }

private:
    static constexpr std::size_t kept = 8192;

    struct Block {
        Block* next;
    };
    static_assert(Size >= sizeof(Block));

    // Trivially destructible, so that it can still be asked after the thread's other thread-local
    // objects are gone.
    struct Blocks {
        Block* head = nullptr;
        std::size_t count = 0;
        bool watched = false;
        bool closed = false;
    };

    static Blocks& state() {
        thread_local Blocks blocks;
        return blocks;
    }

    struct Closer {
        ~Closer() {
            Blocks& blocks = state();
            blocks.closed = true;
            while (Block* block = blocks.head) {
                blocks.head = block->next;
                ::operator delete(block);
            }
            blocks.count = 0;
        }
    };

    [[gnu::noinline]] static void watchThreadEnd() {
        thread_local Closer closer;
        static_cast<void>(closer);
        state().watched = true;
    }
};

template <typename T>
struct NodeAllocator {
    using value_type = T;

    NodeAllocator() = default;
    template <typename U>
    NodeAllocator(const NodeAllocator<U>&) {}

    T* allocate(std::size_t n) {
        if (n != 1) return static_cast<T*>(::operator new(n * sizeof(T)));
        return static_cast<T*>(NodeBlocks<sizeof(T)>::take());
    }
    void deallocate(T* pointer, std::size_t n) {
        if (n != 1) {
            ::operator delete(pointer);
            return;
        }
        NodeBlocks<sizeof(T)>::give(pointer);
    }

    template <typename U>
    friend bool operator==(const NodeAllocator&, const NodeAllocator<U>&) {
        return true;
    }
};

template <typename Payload>
ExprPtr makeNode(Payload payload) {
    return std::allocate_shared<const Expr>(NodeAllocator<Expr>(), std::in_place_type<Payload>,
                                            std::move(payload));
}

bool sameTrees(const std::vector<ExprPtr>& a, const std::vector<ExprPtr>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!sameTree(a[i], b[i])) return false;
    return true;
}

void appendNumber(std::string& out, double figure) {
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, figure);
    out.append(buffer, result.ptr);
}

void describe(std::string& out, const ExprPtr& e);

void describeAll(std::string& out, const std::vector<ExprPtr>& items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out.append(", ");
        describe(out, items[i]);
    }
}

// (head a), (head a b) or (head a word)
void describeForm(std::string& out, std::string_view head, const ExprPtr& a, const ExprPtr* b = nullptr,
                  std::string_view word = {}) {
    out.push_back('(');
    out.append(head);
    out.push_back(' ');
    describe(out, a);
    if (b) {
        out.push_back(' ');
        describe(out, *b);
    }
    if (!word.empty()) out.append(" ").append(word);
    out.push_back(')');
}

void describe(std::string& out, const ExprPtr& e) {
    if (!e) {
        out.append("null");
        return;
    }
    std::visit(
        [&out](const auto& n) {
            using T = std::decay_t<decltype(n)>;
            if constexpr (std::is_same_v<T, Expr::Number>) {
                appendNumber(out, n.figure);
            } else if constexpr (std::is_same_v<T, Expr::Text>) {
                out.append("\"").append(n.text).append("\"");
            } else if constexpr (std::is_same_v<T, Expr::List>) {
                out.push_back('[');
                describeAll(out, n.items);
                out.push_back(']');
            } else if constexpr (std::is_same_v<T, Expr::Index>) {
                describeForm(out, "index", n.base, &n.index);
            } else if constexpr (std::is_same_v<T, Expr::Identifier>) {
                out.append(n.name);
            } else if constexpr (std::is_same_v<T, Expr::Ref>) {
                out.push_back('#');
                char buffer[24];
                out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, n.line).ptr);
            } else if constexpr (std::is_same_v<T, Expr::Unary>) {
                describeForm(out, n.op, n.operand);
            } else if constexpr (std::is_same_v<T, Expr::Binary>) {
                describeForm(out, n.op, n.left, &n.right);
            } else if constexpr (std::is_same_v<T, Expr::Percent>) {
                describeForm(out, "%", n.operand);
            } else if constexpr (std::is_same_v<T, Expr::UnitApply>) {
                describeForm(out, "unit", n.operand, nullptr, n.word);
            } else if constexpr (std::is_same_v<T, Expr::Call>) {
                out.append(n.name).push_back('(');
                describeAll(out, n.arguments);
                out.push_back(')');
            } else if constexpr (std::is_same_v<T, Expr::Convert>) {
                describeForm(out, "convert", n.operand, nullptr, n.word);
            } else {
                describeForm(out, LanguageWords::ofWord, n.share, &n.whole);
            }
        },
        e->node());
}

} // namespace

Expr::Expr(Node node) : node_(std::move(node)), depth_(depthOf(node_)) {}

std::size_t Expr::depthOfNode() const {
    return depthOf(node_);
}

ExprPtr Expr::number(double figure) {
    return makeNode(Number{figure});
}
ExprPtr Expr::text(std::string text) {
    return makeNode(Text{std::move(text)});
}
ExprPtr Expr::list(std::vector<ExprPtr> items) {
    return makeNode(List{std::move(items)});
}
ExprPtr Expr::index(ExprPtr base, ExprPtr index) {
    return makeNode(Index{std::move(base), std::move(index)});
}
ExprPtr Expr::identifier(std::string name) {
    return makeNode(Identifier{std::move(name)});
}
ExprPtr Expr::ref(std::int64_t line) {
    return makeNode(Ref{line});
}
ExprPtr Expr::unary(std::string op, ExprPtr operand) {
    return makeNode(Unary{std::move(op), std::move(operand)});
}
ExprPtr Expr::binary(std::string op, ExprPtr left, ExprPtr right) {
    return makeNode(Binary{std::move(op), std::move(left), std::move(right)});
}
ExprPtr Expr::percent(ExprPtr operand) {
    return makeNode(Percent{std::move(operand)});
}
ExprPtr Expr::unitApply(ExprPtr operand, std::string word) {
    return makeNode(UnitApply{std::move(operand), std::move(word)});
}
ExprPtr Expr::call(std::string name, std::vector<ExprPtr> arguments) {
    return makeNode(Call{std::move(name), std::move(arguments)});
}
ExprPtr Expr::convert(ExprPtr operand, std::string word) {
    return makeNode(Convert{std::move(operand), std::move(word)});
}
ExprPtr Expr::percentOf(ExprPtr share, ExprPtr whole) {
    return makeNode(PercentOf{std::move(share), std::move(whole)});
}

bool operator==(const Expr& a, const Expr& b) {
    if (&a == &b) return true;
    if (a.node_.index() != b.node_.index() || a.depth_ != b.depth_) return false;
    return std::visit(
        [&b](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b.node_);
            if constexpr (std::is_same_v<T, Expr::Number>)
                return x.figure == y.figure;
            else if constexpr (std::is_same_v<T, Expr::Text>)
                return x.text == y.text;
            else if constexpr (std::is_same_v<T, Expr::List>)
                return sameTrees(x.items, y.items);
            else if constexpr (std::is_same_v<T, Expr::Index>)
                return sameTree(x.base, y.base) && sameTree(x.index, y.index);
            else if constexpr (std::is_same_v<T, Expr::Identifier>)
                return x.name == y.name;
            else if constexpr (std::is_same_v<T, Expr::Ref>)
                return x.line == y.line;
            else if constexpr (std::is_same_v<T, Expr::Unary>)
                return x.op == y.op && sameTree(x.operand, y.operand);
            else if constexpr (std::is_same_v<T, Expr::Binary>)
                return x.op == y.op && sameTree(x.left, y.left) && sameTree(x.right, y.right);
            else if constexpr (std::is_same_v<T, Expr::Percent>)
                return sameTree(x.operand, y.operand);
            else if constexpr (std::is_same_v<T, Expr::UnitApply> || std::is_same_v<T, Expr::Convert>)
                return x.word == y.word && sameTree(x.operand, y.operand);
            else if constexpr (std::is_same_v<T, Expr::Call>)
                return x.name == y.name && sameTrees(x.arguments, y.arguments);
            else
                return sameTree(x.share, y.share) && sameTree(x.whole, y.whole);
        },
        a.node_);
}

bool sameTree(const ExprPtr& a, const ExprPtr& b) {
    if (!a || !b) return !a && !b;
    return *a == *b;
}

std::string Expr::debugDescription() const {
    std::string out;
    // Describing goes through pointers; a non-owning alias of this node avoids a copy.
    describe(out, ExprPtr(ExprPtr(), this));
    return out;
}

} // namespace vell
