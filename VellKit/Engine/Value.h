#pragma once

// The result of every expression: a number (with an optional unit, possibly a percentage), a list or
// a text. List and text payloads are shared and immutable, so copying a value never copies them.

#include "Engine/MeasureUnit.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

class Value {
public:
    // Texts and lists stay within these sizes. A list's size is its weight: its items at every
    // depth, so [[0, 0], 0] weighs 4. Every list is built through Value::list or ListBuilder, which
    // refuse a list past either limit with "The list is too big".
    static constexpr std::size_t maxTextLength = 100000; // user-perceived characters
    // One character may carry any number of combining marks, so texts are held to a size in bytes as
    // well: past it, joining or repeating fails like past the character limit.
    static constexpr std::size_t maxTextBytes = 16 * maxTextLength;
    static constexpr std::size_t maxListWeight = 100000;
    static constexpr std::size_t maxListDepth = 100; // a flat list has depth 1

    enum class KindTag : std::uint8_t {
        list,
        text,
        number
    };

    // What a value is, with its payload. Equality compares the case and the payload (lists item by
    // item with Value equality, texts by canonical equivalence).
    class Kind {
    public:
        Kind() = default; // number

        KindTag tag() const { return tag_; }
        bool isList() const { return tag_ == KindTag::list; }
        bool isText() const { return tag_ == KindTag::text; }
        bool isNumber() const { return tag_ == KindTag::number; }

        // The items of a list; empty for the other kinds.
        const std::vector<Value>& items() const;
        // The text of a text; empty for the other kinds.
        const std::string& text() const;
        // Items at every depth (0 for non-lists) and nesting depth (0 for non-lists, 1 for a flat list).
        std::size_t listWeight() const;
        std::size_t listDepth() const;

        friend bool operator==(const Kind& a, const Kind& b);

        struct ListPayload; // opaque outside the engine's value code

    private:
        friend class Value;
        Kind(KindTag tag, std::shared_ptr<const void> payload) : tag_(tag), payload_(std::move(payload)) {}
        const ListPayload* list() const;

        KindTag tag_ = KindTag::number;
        std::shared_ptr<const void> payload_;
    };

    class ListBuilder;

    double number = 0;
    std::optional<MeasureUnit> unit;
    bool isPercent = false;
    Kind kind;

    // The number 0.
    Value() = default;
    // A number value from its fields.
    explicit Value(double number, std::optional<MeasureUnit> unit = std::nullopt, bool isPercent = false)
        : number(number), unit(std::move(unit)), isPercent(isPercent) {}

    // A list of the items in order. Throws "The list is too big" past the weight or depth limit.
    static Value list(std::vector<Value> items);
    // A text value (no length limit here; joining and repeating check theirs).
    static Value text(std::string text);
    // A percentage: figure 5 for five per cent.
    static Value percent(double figure) { return Value(figure, std::nullopt, true); }

    bool isNumber() const { return kind.isNumber(); }
    bool isList() const { return kind.isList(); }
    bool isText() const { return kind.isText(); }
    const std::vector<Value>& items() const { return kind.items(); }
    const std::string& textValue() const { return kind.text(); }

    bool isUnitless() const { return !unit.has_value(); }
    // A percentage becomes its plain fraction; every other value is returned unchanged.
    Value percentResolved() const;
    // "数" / "a number", "文字" / "text", "表" / "a list", in the current language.
    std::string kindName() const;

    // Arithmetic. Each throws CalcError with a message in the current language.
    static Value add(const Value& left, const Value& right);
    static Value plus(const Value& left, const Value& right) { return add(left, right); }
    static Value subtract(const Value& left, const Value& right);
    static Value multiply(const Value& left, const Value& right);
    static Value divide(const Value& left, const Value& right);
    static Value power(const Value& base, const Value& exponent);
    static Value repeated(const Value& sequence, const Value& count);
    // This number in the target unit (a unitless number takes the unit with its figure unchanged).
    Value converted(const MeasureUnit& target) const;

    struct Aligned {
        double left;
        double right;
        std::optional<MeasureUnit> unit;
    };
    // Both numbers in one unit: the right one converted into the left one's unit.
    static Aligned alignUnits(const Value& left, const Value& right);
    // The message for two operands the operator does not take; the caller throws it.
    static std::string operandError(std::string_view op, const Value& left, const Value& right);

    // Number and flags as written, e.g. 5 m, 5%, [1, "a"]; for tests and diagnostics.
    std::string debugDescription() const;

    friend bool operator==(const Value& a, const Value& b);
};

// Collects list items one by one under the weight and depth limits, so a list that would grow past
// them is refused before it is built.
class Value::ListBuilder {
public:
    ListBuilder() = default;
    void reserve(std::size_t count) { items_.reserve(count); }
    // Throws "The list is too big" when the item would take the list past a limit.
    void append(Value item);
    std::size_t size() const { return items_.size(); }
    std::size_t weight() const { return weight_; }
    Value build() &&;

private:
    std::vector<Value> items_;
    std::size_t weight_ = 0;
    std::size_t depth_ = 1;
};

std::ostream& operator<<(std::ostream& out, const Value& value);
std::ostream& operator<<(std::ostream& out, const MeasureUnit& unit);

} // namespace vell
