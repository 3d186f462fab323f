#include "Engine/Value.h"

#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ostream>

namespace vell {

struct Value::Kind::ListPayload {
    std::vector<Value> items;
    std::size_t weight;
    std::size_t depth;
};

namespace {

using ListPayload = Value::Kind::ListPayload;

[[noreturn]] void throwListTooBig() {
    throw CalcError(L10n::text("表が大きすぎます", "The list is too big"));
}

const std::vector<Value>& emptyItems() {
    static const std::vector<Value> items;
    return items;
}

const std::string& emptyText() {
    static const std::string text;
    return text;
}

// What an item adds to the list that holds it.
std::size_t weightOf(const Value& item) {
    return 1 + item.kind.listWeight();
}
std::size_t depthWith(const Value& item) {
    return item.kind.listDepth() + 1;
}

void appendShortest(std::string& out, double x) {
    std::array<char, 32> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
    (void)ec;
    out.append(buffer.data(), end);
}

void describe(std::string& out, const Value& value) {
    switch (value.kind.tag()) {
    case Value::KindTag::text:
        out += '"';
        out += value.textValue();
        out += '"';
        return;
    case Value::KindTag::list: {
        out += '[';
        bool first = true;
        for (const auto& item : value.items()) {
            if (!first) out += ", ";
            first = false;
            describe(out, item);
        }
        out += ']';
        return;
    }
    case Value::KindTag::number:
        appendShortest(out, value.number);
        if (value.isPercent) out += '%';
        if (value.unit) {
            out += ' ';
            out += value.unit->display();
        }
        return;
    }
}

} // namespace

const Value::Kind::ListPayload* Value::Kind::list() const {
    return tag_ == KindTag::list ? static_cast<const ListPayload*>(payload_.get()) : nullptr;
}

const std::vector<Value>& Value::Kind::items() const {
    const auto* payload = list();
    return payload ? payload->items : emptyItems();
}

const std::string& Value::Kind::text() const {
    return tag_ == KindTag::text ? *static_cast<const std::string*>(payload_.get()) : emptyText();
}

std::size_t Value::Kind::listWeight() const {
    const auto* payload = list();
    return payload ? payload->weight : 0;
}

std::size_t Value::Kind::listDepth() const {
    const auto* payload = list();
    return payload ? payload->depth : 0;
}

bool operator==(const Value::Kind& a, const Value::Kind& b) {
    if (a.tag_ != b.tag_) return false;
    switch (a.tag_) {
    case Value::KindTag::number:
        return true;
    case Value::KindTag::text:
        return unicode::canonicallyEqual(a.text(), b.text());
    case Value::KindTag::list:
        return std::equal(a.items().begin(), a.items().end(), b.items().begin(), b.items().end());
    }
    return false;
}

Value Value::list(std::vector<Value> items) {
    std::size_t weight = 0;
    std::size_t depth = 1;
    for (const auto& item : items) {
        weight += weightOf(item);
        depth = std::max(depth, depthWith(item));
    }
    if (weight > maxListWeight || depth > maxListDepth) throwListTooBig();
    Value value;
    value.kind = Kind(KindTag::list,
                      std::make_shared<const ListPayload>(ListPayload{std::move(items), weight, depth}));
    return value;
}

Value Value::text(std::string text) {
    Value value;
    value.kind = Kind(KindTag::text, std::make_shared<const std::string>(std::move(text)));
    return value;
}

void Value::ListBuilder::append(Value item) {
    std::size_t weight = weight_ + weightOf(item);
    std::size_t depth = std::max(depth_, depthWith(item));
    if (weight > maxListWeight || depth > maxListDepth) throwListTooBig();
    items_.push_back(std::move(item));
    weight_ = weight;
    depth_ = depth;
}

Value Value::ListBuilder::build() && {
    Value value;
    value.kind = Kind(KindTag::list,
                      std::make_shared<const ListPayload>(ListPayload{std::move(items_), weight_, depth_}));
    items_.clear();
    weight_ = 0;
    depth_ = 1;
    return value;
}

Value Value::percentResolved() const {
    if (!isPercent || !isNumber()) return *this;
    return Value(number / 100);
}

std::string Value::kindName() const {
    switch (kind.tag()) {
    case KindTag::list:
        return L10n::text("表", "a list");
    case KindTag::text:
        return L10n::text("文字", "text");
    case KindTag::number:
        break;
    }
    return L10n::text("数", "a number");
}

bool operator==(const Value& a, const Value& b) {
    return a.number == b.number && a.unit == b.unit && a.isPercent == b.isPercent && a.kind == b.kind;
}

std::string Value::debugDescription() const {
    std::string out;
    describe(out, *this);
    return out;
}

std::ostream& operator<<(std::ostream& out, const Value& value) {
    return out << value.debugDescription();
}

std::ostream& operator<<(std::ostream& out, const MeasureUnit& unit) {
    return out << unit.symbol() << " (" << unit.signature() << ")";
}

} // namespace vell
