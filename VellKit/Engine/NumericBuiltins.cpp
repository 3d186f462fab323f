// The numeric built-in functions: roots, absolute value and sign, rounding, logarithms,
// trigonometry, powers, remainders, greatest common divisor and least common multiple.

#include "Engine/BuiltinSupport.h"
#include "Engine/CalcError.h"
#include "Engine/EngineSettings.h"
#include "Engine/L10n.h"
#include "Engine/UnitRegistry.h"
#include "Engine/ValueFormatter.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <unordered_map>

namespace vell {

namespace {

using namespace builtins;

[[noreturn]] void throwCannotCalculate() {
    throw CalcError(L10n::text("計算できません", "Can’t calculate this"));
}

[[noreturn]] void throwUnitRefused(std::string_view name) {
    const std::string written(name);
    throw CalcError(
        L10n::text(written + " に単位付きの値は渡せません", written + " can’t take a value with a unit"));
}

std::optional<MeasureUnit> tableUnit(std::string_view word) {
    return UnitRegistry::find(word);
}

const std::optional<MeasureUnit>& degreeUnit() {
    static const std::optional<MeasureUnit> unit = tableUnit("deg");
    return unit;
}

const std::optional<MeasureUnit>& radianUnit() {
    static const std::optional<MeasureUnit> unit = tableUnit("rad");
    return unit;
}

// Exactly two arguments, else `usage` (Japanese, English).
void requireTwo(const Arguments& arguments, std::string_view japanese, std::string_view english) {
    if (arguments.size() != 2) throw CalcError(L10n::text(japanese, english));
}

Value sqrtOf(std::string_view name, const Arguments& arguments) {
    const Value& x = singleArgument(arguments, name);
    if (!(x.number >= 0)) {
        throw CalcError(
            L10n::text("負の数の平方根は計算できません", "Can’t take the square root of a negative number"));
    }
    if (!x.unit) return Value(std::sqrt(x.number));
    const auto refuse = [&] {
        const auto& display = x.unit->display();
        throw CalcError(L10n::text("sqrt に " + display + " は渡せません", "sqrt can’t take " + display));
    };
    if (x.unit->offset() != 0) refuse();
    MeasureUnit::Components halves =
        x.unit->components().empty() ? MeasureUnit::Components{{*x.unit, 1}} : x.unit->components();
    for (auto& component : halves) {
        if (component.exponent % 2 != 0) refuse();
        component.exponent /= 2;
    }
    return Value(std::sqrt(x.number), MeasureUnit::fromComponents(halves));
}

Value cbrtOf(std::string_view name, const Arguments& arguments) {
    return finiteResult(std::cbrt(unitlessArgument(arguments, name)));
}

Value absOf(std::string_view name, const Arguments& arguments) {
    const Value& x = singleArgument(arguments, name);
    return Value(std::fabs(x.number), x.unit);
}

Value signOf(std::string_view name, const Arguments& arguments) {
    const double x = singleArgument(arguments, name).number;
    // Not a number has no sign: it stays not a number rather than reading as negative.
    if (std::isnan(x)) return Value(x);
    return Value(x > 0 ? 1.0 : x == 0 ? 0.0 : -1.0);
}

// 10^d for d in -15...15, each the double nearest to it.
constexpr std::array<double, 31> powersOfTen{
    1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,
    1e1,   1e2,   1e3,   1e4,   1e5,   1e6,   1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

enum class Rounding {
    nearest,
    down,
    up,
    towardZero
};

Value rounded(std::string_view name, const Arguments& arguments, Rounding rounding) {
    if (arguments.empty() || arguments.size() > 2) {
        const std::string written(name);
        throw CalcError(L10n::text(written + "(値) または " + written + "(値, 桁数) で使います",
                                   "Use " + written + "(value) or " + written + "(value, digits)"));
    }
    double digits = 0;
    if (arguments.size() == 2) {
        if (arguments[1].unit)
            throw CalcError(L10n::text("桁数に単位は使えません", "Digits can’t have a unit"));
        digits = std::round(arguments[1].number);
    }
    if (!std::isfinite(digits) || std::fabs(digits) > 15) {
        throw CalcError(L10n::text("桁数は -15〜15 で指定してください", "Digits must be between -15 and 15"));
    }
    const Value& x = arguments[0];
    const double p = powersOfTen[static_cast<std::size_t>(static_cast<int>(digits) + 15)];
    const double scaled = x.number * p;
    // Past 2^52 every double is already whole, and an infinite product would lose a finite number:
    // such a number needs no rounding at that many digits.
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 4503599627370496.0) return Value(x.number, x.unit);
    const double s = ValueFormatter::clean(scaled);
    double whole = 0;
    switch (rounding) {
    case Rounding::nearest:
        whole = std::round(s);
        break;
    case Rounding::down:
        whole = std::floor(s);
        break;
    case Rounding::up:
        whole = std::ceil(s);
        break;
    case Rounding::towardZero:
        whole = std::trunc(s);
        break;
    }
    return Value(whole / p, x.unit);
}

Value roundOf(std::string_view name, const Arguments& arguments) {
    return rounded(name, arguments, Rounding::nearest);
}
Value floorOf(std::string_view name, const Arguments& arguments) {
    return rounded(name, arguments, Rounding::down);
}
Value ceilOf(std::string_view name, const Arguments& arguments) {
    return rounded(name, arguments, Rounding::up);
}
Value truncOf(std::string_view name, const Arguments& arguments) {
    return rounded(name, arguments, Rounding::towardZero);
}

// The argument of a logarithm: a positive number without unit.
double logarithmArgument(std::string_view name, const Arguments& arguments) {
    const double x = unitlessArgument(arguments, name);
    if (!(x > 0))
        throw CalcError(L10n::text("log は正の数にだけ使えます", "log works only on positive numbers"));
    return x;
}

Value lnOf(std::string_view name, const Arguments& arguments) {
    return finiteResult(std::log(logarithmArgument(name, arguments)));
}
Value log10Of(std::string_view name, const Arguments& arguments) {
    return finiteResult(std::log10(logarithmArgument(name, arguments)));
}
Value log2Of(std::string_view name, const Arguments& arguments) {
    return finiteResult(std::log2(logarithmArgument(name, arguments)));
}
Value expOf(std::string_view name, const Arguments& arguments) {
    return finiteResult(std::exp(unitlessArgument(arguments, name)));
}

Value sinOf(std::string_view name, const Arguments& arguments) {
    return finiteResult(std::sin(angleArgument(arguments, name)));
}
Value cosOf(std::string_view name, const Arguments& arguments) {
    return finiteResult(std::cos(angleArgument(arguments, name)));
}
Value tanOf(std::string_view name, const Arguments& arguments) {
    return finiteResult(std::tan(angleArgument(arguments, name)));
}

Value asinOf(std::string_view name, const Arguments& arguments) {
    const double x = unitlessArgument(arguments, name);
    if (!(x >= -1 && x <= 1)) {
        throw CalcError(
            L10n::text("asin は -1〜1 の値にだけ使えます", "asin needs a value between -1 and 1"));
    }
    return angleResult(std::asin(x));
}
Value acosOf(std::string_view name, const Arguments& arguments) {
    const double x = unitlessArgument(arguments, name);
    if (!(x >= -1 && x <= 1)) {
        throw CalcError(
            L10n::text("acos は -1〜1 の値にだけ使えます", "acos needs a value between -1 and 1"));
    }
    return angleResult(std::acos(x));
}
Value atanOf(std::string_view name, const Arguments& arguments) {
    return angleResult(std::atan(unitlessArgument(arguments, name)));
}

Value powOf(std::string_view, const Arguments& arguments) {
    requireTwo(arguments, "pow(値, 指数) で使います", "Use pow(value, exponent)");
    return Value::power(arguments[0], arguments[1]);
}

Value modOf(std::string_view, const Arguments& arguments) {
    requireTwo(arguments, "mod(値, 値) で使います", "Use mod(value, value)");
    auto aligned = Value::alignUnits(arguments[0], arguments[1]);
    if (aligned.right == 0) throw CalcError(L10n::text("0 では割れません", "Cannot divide by zero"));
    return Value(std::fmod(aligned.left, aligned.right), std::move(aligned.unit));
}

Value hypotOf(std::string_view, const Arguments& arguments) {
    requireTwo(arguments, "hypot(値, 値) で使います", "Use hypot(value, value)");
    auto aligned = Value::alignUnits(arguments[0], arguments[1]);
    return Value(std::hypot(aligned.left, aligned.right), std::move(aligned.unit));
}

struct IntegerPair {
    std::int64_t x;
    std::int64_t y;
    std::int64_t gcd;
};

// The magnitudes of the two rounded operands and their greatest common divisor.
IntegerPair integerOperands(std::string_view name, const Arguments& arguments) {
    if (arguments.size() != 2) {
        const std::string written(name);
        throw CalcError(
            L10n::text(written + "(整数, 整数) で使います", "Use " + written + "(integer, integer)"));
    }
    if (arguments[0].unit || arguments[1].unit) throwUnitRefused(name);
    constexpr double limit = 9007199254740992.0; // 2^53
    std::array<std::int64_t, 2> magnitudes{};
    for (std::size_t i = 0; i < 2; ++i) {
        const double rounded = std::round(arguments[i].number);
        if (!std::isfinite(rounded) || std::fabs(rounded) > limit) {
            const std::string written(name);
            throw CalcError(
                L10n::text(written + " には大きすぎる数です", "The numbers are too large for " + written));
        }
        magnitudes[i] = static_cast<std::int64_t>(std::fabs(rounded));
    }
    if (magnitudes[0] == 0 || magnitudes[1] == 0)
        throw CalcError(L10n::text("0 は使えません", "Zero can’t be used here"));
    std::int64_t a = magnitudes[0];
    std::int64_t b = magnitudes[1];
    while (b != 0) {
        const std::int64_t r = a % b;
        a = b;
        b = r;
    }
    return {magnitudes[0], magnitudes[1], a};
}

Value gcdOf(std::string_view name, const Arguments& arguments) {
    return Value(static_cast<double>(integerOperands(name, arguments).gcd));
}

Value lcmOf(std::string_view name, const Arguments& arguments) {
    const auto operands = integerOperands(name, arguments);
    std::int64_t product = 0;
    if (__builtin_mul_overflow(operands.x / operands.gcd, operands.y, &product))
        throw CalcError(L10n::text("lcm の答えが大きすぎます", "The lcm result is too large"));
    return Value(static_cast<double>(product));
}

} // namespace

namespace builtins {

double unitlessArgument(const Arguments& arguments, std::string_view name) {
    const Value& x = singleArgument(arguments, name);
    if (x.unit) throwUnitRefused(name);
    return x.number;
}

double angleArgument(const Arguments& arguments, std::string_view name) {
    const Value& x = singleArgument(arguments, name);
    if (!x.unit) return EngineSettings::current().degrees ? x.number * std::numbers::pi / 180 : x.number;
    if (x.unit->signature() == "angle") return x.number * x.unit->factor();
    const std::string written(name);
    throw CalcError(L10n::text(written + " には角度を渡してください", written + " needs an angle"));
}

Value angleResult(double radians) {
    if (EngineSettings::current().degrees) return Value(radians * 180 / std::numbers::pi, degreeUnit());
    return Value(radians, radianUnit());
}

Value finiteResult(double x) {
    if (!std::isfinite(x)) throwCannotCalculate();
    return Value(x);
}

Builtin numericBuiltin(std::string_view name) {
    static const std::unordered_map<std::string_view, Builtin> table{
        {"sqrt", sqrtOf},   {"cbrt", cbrtOf},   {"abs", absOf},     {"sign", signOf}, {"round", roundOf},
        {"floor", floorOf}, {"ceil", ceilOf},   {"trunc", truncOf}, {"ln", lnOf},     {"log", log10Of},
        {"log10", log10Of}, {"log2", log2Of},   {"exp", expOf},     {"sin", sinOf},   {"cos", cosOf},
        {"tan", tanOf},     {"asin", asinOf},   {"acos", acosOf},   {"atan", atanOf}, {"pow", powOf},
        {"mod", modOf},     {"hypot", hypotOf}, {"gcd", gcdOf},     {"lcm", lcmOf},
    };
    const auto found = table.find(name);
    return found == table.end() ? nullptr : found->second;
}

} // namespace builtins

} // namespace vell
