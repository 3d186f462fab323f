// Addition, subtraction, multiplication, division, powers and conversion of values.

#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/Value.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

std::string nounJa(const Value& value) {
    switch (value.kind.tag()) {
    case Value::KindTag::list:
        return "表";
    case Value::KindTag::text:
        return "文字";
    case Value::KindTag::number:
        break;
    }
    return "数";
}

std::string nounEn(const Value& value) {
    switch (value.kind.tag()) {
    case Value::KindTag::list:
        return "a list";
    case Value::KindTag::text:
        return "text";
    case Value::KindTag::number:
        break;
    }
    return "a number";
}

std::string operandMessage(std::string_view opJa, std::string_view opEn, const Value& left,
                           const Value& right) {
    if (left.isText() != right.isText()) {
        const Value& other = left.isText() ? right : left;
        return L10n::text("文字と" + nounJa(other) + "は " + std::string(opJa) +
                              " でつなげません（str(値) で文字にできます）",
                          "Text and " + nounEn(other) + " can't be joined with " + std::string(opEn) +
                              " (str(value) makes text)");
    }
    return L10n::text(nounJa(left) + "と" + nounJa(right) + "は " + std::string(opJa) + " で計算できません",
                      std::string(opEn) + " doesn't work between " + nounEn(left) + " and " + nounEn(right));
}

[[noreturn]] void refuse(std::string_view op, const Value& left, const Value& right) {
    throw CalcError(operandMessage(op, op, left, right));
}

[[noreturn]] void throwListTooBig() {
    throw CalcError(L10n::text("表が大きすぎます", "The list is too big"));
}
[[noreturn]] void throwTextTooLong() {
    throw CalcError(L10n::text("文字が長すぎます", "The text is too long"));
}

// Whether the texts together stay within the limits of characters and bytes; counts characters only
// when the bytes alone cannot tell (a character is at least one byte).
bool textsFit(std::size_t repeat, std::string_view text) {
    if (text.empty() || repeat == 0) return true;
    if (text.size() > Value::maxTextBytes / repeat) return false;
    if (text.size() <= Value::maxTextLength / repeat) return true;
    auto count = unicode::graphemeCount(text);
    return count <= Value::maxTextLength / repeat;
}

bool joinedTextsFit(std::string_view left, std::string_view right) {
    if (left.size() + right.size() > Value::maxTextBytes) return false;
    if (left.size() + right.size() <= Value::maxTextLength) return true;
    return unicode::graphemeCount(left) + unicode::graphemeCount(right) <= Value::maxTextLength;
}

// A sum or difference that is only rounding noise of its operands is exactly zero.
double snapped(double result, double a, double b) {
    double m = std::max(std::fabs(a), std::fabs(b));
    if (m > 0 && std::fabs(result) < m * 1e-14) return 0;
    return result;
}

// x in `from` expressed in `to` (units of one dimension): x × fa / fb + (oa − ob) / fb. A unit of
// the same scale gives x back exactly. The offsets are brought together on their own instead of
// through the base unit, so a value far smaller than an offset keeps its digits; a sum that cancels
// to within a few units in the last place of its larger term is rounding noise and gives 0. Without
// offsets the product comes before the quotient, as it always has: the answers at 1e12 and above,
// shown unrounded, stay as they were.
double convertedNumber(double x, const MeasureUnit& from, const MeasureUnit& to) {
    if (from.factor() == to.factor() && from.offset() == to.offset()) return x;
    const double scaled = (x * from.factor()) / to.factor();
    if (from.offset() == to.offset()) return scaled;
    const double shift = (from.offset() - to.offset()) / to.factor();
    const double result = scaled + shift;
    const double larger = std::max(std::fabs(scaled), std::fabs(shift));
    constexpr double noiseUlps = 4;
    if (std::isfinite(larger) && std::fabs(result) <= noiseUlps * (std::nextafter(larger, INFINITY) - larger))
        return 0;
    return result;
}

bool isWhole(double x) {
    return std::isfinite(x) && x == std::round(x);
}

Value addOrSubtract(const Value& left, const Value& right, int sign) {
    if (left.isPercent && right.isPercent)
        return Value::percent(sign > 0 ? left.number + right.number : left.number - right.number);
    if (left.isPercent) {
        auto aligned = Value::alignUnits(Value(left.number / 100), right);
        double result = sign > 0 ? aligned.left + aligned.right : aligned.left - aligned.right;
        return Value(snapped(result, aligned.left, aligned.right), std::move(aligned.unit));
    }
    if (right.isPercent) {
        double a = left.number;
        double q = right.number;
        return Value(sign > 0 ? (q * a) / 100 + a : (q * a) / -100 + a, left.unit);
    }
    auto aligned = Value::alignUnits(left, right);
    double result = sign > 0 ? aligned.left + aligned.right : aligned.left - aligned.right;
    return Value(snapped(result, aligned.left, aligned.right), std::move(aligned.unit));
}

// A number as percentResolved gives it, without copying the value.
struct ResolvedNumber {
    double number;
    const std::optional<MeasureUnit>& unit;
};

ResolvedNumber resolvedNumber(const Value& value) {
    static const std::optional<MeasureUnit> noUnit;
    if (value.isPercent) return {value.number / 100, noUnit};
    return {value.number, value.unit};
}

} // namespace

std::string Value::operandError(std::string_view op, const Value& left, const Value& right) {
    return operandMessage(op, op, left, right);
}

Value::Aligned Value::alignUnits(const Value& left, const Value& right) {
    if (!left.isNumber() || !right.isNumber())
        throw CalcError(operandMessage("この計算", "this calculation", left, right));
    if (!left.unit && !right.unit) return {left.number, right.number, std::nullopt};
    if (!left.unit) return {left.number, right.number, right.unit};
    if (!right.unit) return {left.number, right.number, left.unit};
    if (left.unit->dimensions() != right.unit->dimensions()) {
        const auto& a = left.unit->display();
        const auto& b = right.unit->display();
        throw CalcError(L10n::text(a + " と " + b + " は足し引きできません",
                                   a + " and " + b + " can't be added together"));
    }
    return {left.number, right.converted(*left.unit).number, left.unit};
}

Value Value::add(const Value& left, const Value& right) {
    if (left.isList() && right.isList()) {
        if (left.kind.listWeight() + right.kind.listWeight() > maxListWeight) throwListTooBig();
        std::vector<Value> items;
        items.reserve(left.items().size() + right.items().size());
        items.insert(items.end(), left.items().begin(), left.items().end());
        items.insert(items.end(), right.items().begin(), right.items().end());
        return list(std::move(items));
    }
    if (left.isText() && right.isText()) {
        if (!joinedTextsFit(left.textValue(), right.textValue())) throwTextTooLong();
        return text(left.textValue() + right.textValue());
    }
    if (!left.isNumber() || !right.isNumber()) refuse("+", left, right);
    return addOrSubtract(left, right, +1);
}

Value Value::subtract(const Value& left, const Value& right) {
    if (!left.isNumber() || !right.isNumber()) refuse("-", left, right);
    return addOrSubtract(left, right, -1);
}

Value Value::multiply(const Value& left, const Value& right) {
    if (left.isNumber() && right.isNumber()) {
        const ResolvedNumber a = resolvedNumber(left);
        const ResolvedNumber b = resolvedNumber(right);
        auto combined = MeasureUnit::combine(a.unit, b.unit, +1);
        return Value((a.number * b.number) * combined.scale, std::move(combined.unit));
    }
    if (left.isNumber()) return repeated(right, left);
    if (right.isNumber()) return repeated(left, right);
    refuse("*", left, right);
}

Value Value::repeated(const Value& sequence, const Value& count) {
    Value resolved = count.percentResolved();
    if (!resolved.isNumber() || resolved.unit || !isWhole(resolved.number)) {
        throw CalcError(L10n::text(nounJa(sequence) + "をくり返す回数は、単位の無い整数で書きます",
                                   "The repeat count must be a whole number without a unit"));
    }
    double clamped = std::clamp(resolved.number, 0.0, static_cast<double>(maxListWeight + 1));
    auto n = static_cast<std::size_t>(clamped);
    if (sequence.isList()) {
        std::size_t weight = sequence.kind.listWeight();
        if (weight > 0 && n * weight > maxListWeight) throwListTooBig();
        const auto& items = sequence.items();
        std::vector<Value> result;
        result.reserve(items.size() * n);
        for (std::size_t i = 0; i < n; ++i)
            result.insert(result.end(), items.begin(), items.end());
        return list(std::move(result));
    }
    if (sequence.isText()) {
        const auto& source = sequence.textValue();
        if (!textsFit(n, source)) throwTextTooLong();
        std::string result;
        result.reserve(source.size() * n);
        for (std::size_t i = 0; i < n; ++i)
            result += source;
        return text(std::move(result));
    }
    refuse("*", sequence, count);
}

Value Value::divide(const Value& left, const Value& right) {
    if (!left.isNumber() || !right.isNumber()) refuse("/", left, right);
    const ResolvedNumber a = resolvedNumber(left);
    const ResolvedNumber b = resolvedNumber(right);
    if (b.number == 0) throw CalcError(L10n::text("0 で割ることはできません", "Cannot divide by zero"));
    auto combined = MeasureUnit::combine(a.unit, b.unit, -1);
    return Value((a.number / b.number) * combined.scale, std::move(combined.unit));
}

Value Value::power(const Value& base, const Value& exponent) {
    if (!base.isNumber() || !exponent.isNumber()) refuse("^", base, exponent);
    Value a = base.percentResolved();
    Value b = exponent.percentResolved();
    if (b.unit) throw CalcError(L10n::text("指数に単位は使えません", "An exponent can't have a unit"));
    double r = std::pow(a.number, b.number);
    if (!std::isfinite(r)) throw CalcError(L10n::text("計算できません", "Can't calculate this"));
    if (!a.unit) return Value(r);
    if (!isWhole(b.number) || std::fabs(b.number) > 9) {
        throw CalcError(L10n::text("単位のある値は整数乗だけできます",
                                   "Values with units can only be raised to whole-number powers"));
    }
    if (a.unit->offset() != 0) {
        const auto& display = a.unit->display();
        throw CalcError(L10n::text(display + " は累乗できません", display + " can't be raised to a power"));
    }
    auto unit = MeasureUnit::normalizedOrThrow({{*a.unit, static_cast<std::int64_t>(b.number)}});
    return Value(r, std::move(unit));
}

Value Value::converted(const MeasureUnit& target) const {
    if (!isNumber()) {
        throw CalcError(
            L10n::text(nounJa(*this) + "に単位は付けられません", "Can't attach a unit to " + nounEn(*this)));
    }
    if (!unit) return Value(number, target);
    if (unit->dimensions() != target.dimensions()) {
        const auto& from = unit->display();
        const auto& to = target.display();
        throw CalcError(
            L10n::text(from + " は " + to + " に変換できません", "Can't convert " + from + " to " + to));
    }
    return Value(convertedNumber(number, *unit, target), target);
}

} // namespace vell
