#include "Engine/Comparison.h"

#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "Unicode/Decimal.h"
#include "Unicode/Unicode.h"

#include <cmath>

namespace vell {

namespace {

Value truth(bool holds) {
    return Value(holds ? 1.0 : 0.0);
}

// Lexicographic order of the scalar values of the composed forms; UTF-8 bytes sort as their scalars.
int textOrder(const std::string& left, const std::string& right) {
    if (unicode::isAscii(left) && unicode::isAscii(right)) return left.compare(right);
    return unicode::nfc(left).compare(unicode::nfc(right));
}

bool relationHolds(std::string_view op, double a, double b) {
    if (op == "==") return a == b;
    if (op == "!=") return a != b;
    if (op == "<") return a < b;
    if (op == "<=") return a <= b;
    if (op == ">") return a > b;
    return a >= b;
}

// The same relations over the order of two texts (negative: left first).
bool orderHolds(std::string_view op, int order) {
    if (op == "<") return order < 0;
    if (op == "<=") return order <= 0;
    if (op == ">") return order > 0;
    return order >= 0;
}

} // namespace

Value Comparison::compare(std::string_view op, const Value& left, const Value& right) {
    if (!left.isNumber() || !right.isNumber()) return compareNonNumbers(op, left, right);

    Value resolvedLeft;
    Value resolvedRight;
    const Value* a = &left;
    const Value* b = &right;
    if (left.isPercent) a = &(resolvedLeft = left.percentResolved());
    if (right.isPercent) b = &(resolvedRight = right.percentResolved());

    // Quantities of different kinds are simply unequal; only ordering them is an error.
    if (a->unit && b->unit && a->unit->dimensions() != b->unit->dimensions()) {
        if (op == "==") return truth(false);
        if (op == "!=") return truth(true);
    }
    const auto aligned = Value::alignUnits(*a, *b);
    return truth(
        relationHolds(op, ValueFormatter::clean(aligned.left), ValueFormatter::clean(aligned.right)));
}

Value Comparison::compareNonNumbers(std::string_view op, const Value& left, const Value& right) {
    const bool equality = op == "==";
    const bool inequality = op == "!=";
    if (left.isText() && right.isText()) {
        if (equality || inequality) {
            return truth(unicode::canonicallyEqual(left.textValue(), right.textValue()) == equality);
        }
        return truth(orderHolds(op, textOrder(left.textValue(), right.textValue())));
    }
    if (left.isList() && right.isList()) {
        if (equality || inequality) return truth(listsEqual(left.items(), right.items()) == equality);
        throw CalcError(L10n::text("表どうしは大小を比べられません",
                                   "Lists can be checked for equality, but not ordered"));
    }
    if (equality) return truth(false);
    if (inequality) return truth(true);
    const auto leftNoun = left.kindName();
    const auto rightNoun = right.kindName();
    throw CalcError(L10n::text(leftNoun + "と" + rightNoun + "は大小を比べられません",
                               leftNoun + " and " + rightNoun + " can’t be ordered"));
}

bool Comparison::listsEqual(const std::vector<Value>& left, const std::vector<Value>& right) {
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (compare("==", left[i], right[i]).number == 0) return false;
    }
    return true;
}

bool Comparison::isTruthy(const Value& value) {
    switch (value.kind.tag()) {
    case Value::KindTag::list:
        return !value.items().empty();
    case Value::KindTag::text:
        return !value.textValue().empty();
    case Value::KindTag::number:
        break;
    }
    return value.number != 0;
}

Value Comparison::evaluateIndex(const Value& base, const Value& index) {
    Value resolved;
    const Value* i = &index;
    if (index.isPercent) i = &(resolved = index.percentResolved());
    if (!i->isNumber() || i->unit || !std::isfinite(i->number) || i->number != std::round(i->number)) {
        throw CalcError(L10n::text("[ ] の中は、単位の無い整数で書きます",
                                   "The index in [ ] must be a whole number without a unit"));
    }
    if (std::fabs(i->number) > 1e9)
        throw CalcError(L10n::text("[ ] の中の数が大きすぎます", "The index in [ ] is too large"));

    switch (base.kind.tag()) {
    case Value::KindTag::list:
        return listItem(base.items(), L10n::text("表", "The list"), i->number);
    case Value::KindTag::text:
        return textItem(unicode::graphemes(base.textValue()), L10n::text("文字", "The text"), i->number);
    case Value::KindTag::number:
        break;
    }
    throw CalcError(L10n::text("数に [ ] は付けられません", "[ ] can’t be used on a number"));
}

namespace {

// The position an index selects among n elements; throws when there is none.
std::size_t position(std::size_t n, bool isList, std::string_view label, double index) {
    // The index is whole (evaluateIndex checks it) and is written as that integer.
    if (n == 0) {
        const auto i = decimal(static_cast<std::int64_t>(index));
        throw CalcError(
            L10n::text("空の" + std::string(label) + "には " + i + " 番目がありません",
                       std::string("An empty ") + (isList ? "list" : "text") + " has no item " + i));
    }
    const double count = static_cast<double>(n);
    const double j = index >= 0 ? index : index + count;
    if (j < 0 || j >= count) {
        const auto i = decimal(static_cast<std::int64_t>(index));
        const auto last = decimal(static_cast<std::int64_t>(count - 1));
        throw CalcError(L10n::text(std::string(label) + "の " + i + " 番目はありません（0〜" + last + "）",
                                   std::string(label) + " has no item " + i + " (valid: 0–" + last + ")"));
    }
    return static_cast<std::size_t>(j);
}

} // namespace

Value Comparison::listItem(const std::vector<Value>& items, std::string_view label, double index) {
    return items[position(items.size(), true, label, index)];
}

Value Comparison::textItem(const std::vector<std::string_view>& characters, std::string_view label,
                           double index) {
    return Value::text(std::string(characters[position(characters.size(), false, label, index)]));
}

} // namespace vell
