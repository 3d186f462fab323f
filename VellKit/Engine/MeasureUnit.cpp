#include "Engine/MeasureUnit.h"

#include "Engine/CalcError.h"
#include "Engine/L10n.h"

#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <unordered_map>

namespace vell {

namespace exponent {

std::optional<std::int64_t> add(std::int64_t a, std::int64_t b) {
    std::int64_t result = 0;
    if (__builtin_add_overflow(a, b, &result)) return std::nullopt;
    return result;
}

std::optional<std::int64_t> multiply(std::int64_t a, std::int64_t b) {
    std::int64_t result = 0;
    if (__builtin_mul_overflow(a, b, &result)) return std::nullopt;
    return result;
}

} // namespace exponent

namespace {

void appendInteger(std::string& out, std::int64_t value) {
    std::array<char, 24> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    (void)ec;
    out.append(buffer.data(), end);
}

void appendMagnitude(std::string& out, std::int64_t value) {
    // The magnitude as unsigned, so the 64-bit minimum has one too.
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::array<char, 24> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude);
    (void)ec;
    out.append(buffer.data(), end);
}

void dropZeroExponents(MeasureUnit::Dimensions& dimensions) {
    std::erase_if(dimensions, [](const auto& entry) { return entry.second == 0; });
}

// The summed dimensions of a list of components; none when a product or sum overflows.
std::optional<MeasureUnit::Dimensions> summedDimensions(const MeasureUnit::Components& components) {
    MeasureUnit::Dimensions sum;
    for (const auto& component : components) {
        for (const auto& [name, power] : component.unit.dimensions()) {
            auto term = exponent::multiply(power, component.exponent);
            if (!term) return std::nullopt;
            auto& slot = sum[name];
            auto total = exponent::add(slot, *term);
            if (!total) return std::nullopt;
            slot = *total;
        }
    }
    dropZeroExponents(sum);
    return sum;
}

void appendComponentText(std::string& out, const MeasureUnit& unit, std::int64_t exponent) {
    // `exponent` is the magnitude's sign-carrying original; only its magnitude is written.
    out += unit.display();
    std::uint64_t magnitude =
        exponent < 0 ? 0 - static_cast<std::uint64_t>(exponent) : static_cast<std::uint64_t>(exponent);
    if (magnitude == 1) return;
    if (magnitude >= 2 && magnitude <= 9) {
        out += MeasureUnit::superscript(static_cast<std::int64_t>(magnitude));
        return;
    }
    out += '^';
    appendMagnitude(out, exponent);
}

enum class Outcome {
    unit,
    none,
    overflow
};

struct Built {
    Outcome outcome;
    std::optional<MeasureUnit> unit;
};

Built fromComponentsChecked(const MeasureUnit::Components& components) {
    MeasureUnit::Components kept;
    kept.reserve(components.size());
    for (const auto& component : components) {
        if (component.exponent != 0) kept.push_back(component);
    }
    if (kept.empty()) return {Outcome::none, std::nullopt};
    if (kept.size() == 1 && kept.front().exponent == 1) return {Outcome::unit, kept.front().unit};
    auto unit = MeasureUnit::composite(std::move(kept));
    if (!unit) return {Outcome::overflow, std::nullopt};
    return {Outcome::unit, std::move(unit)};
}

Built normalizedChecked(const MeasureUnit::Components& components) {
    MeasureUnit::Components result;
    auto merge = [&result](const MeasureUnit& unit, std::int64_t power) {
        for (auto& element : result) {
            if (element.unit.symbol() == unit.symbol()) {
                auto sum = exponent::add(element.exponent, power);
                if (!sum) return false;
                element.exponent = *sum;
                return true;
            }
        }
        result.emplace_back(unit, power);
        return true;
    };
    for (const auto& component : components) {
        const auto& inner = component.unit.components();
        if (inner.empty()) {
            if (!merge(component.unit, component.exponent)) return {Outcome::overflow, std::nullopt};
            continue;
        }
        for (const auto& part : inner) {
            auto power = exponent::multiply(part.exponent, component.exponent);
            if (!power || !merge(part.unit, *power)) return {Outcome::overflow, std::nullopt};
        }
    }
    return fromComponentsChecked(result);
}

[[noreturn]] void throwCannotCalculate() {
    throw CalcError(L10n::text("計算できません", "Can't calculate this"));
}

std::optional<MeasureUnit> orThrow(Built built) {
    if (built.outcome == Outcome::overflow) throwCannotCalculate();
    return std::move(built.unit);
}

std::size_t mix(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

} // namespace

MeasureUnit::MeasureUnit(std::string symbol, std::string display, Dimensions dimensions, double factor,
                         double offset, bool tight)
    : MeasureUnit(std::move(symbol), std::move(display), std::move(dimensions), factor, offset, tight, {}) {}

MeasureUnit::MeasureUnit(std::string symbol, std::string display, Dimensions dimensions, double factor,
                         double offset, bool tight, Components components) {
    dropZeroExponents(dimensions);
    auto text = signature(dimensions);
    data_ = std::make_shared<const Data>(Data{std::move(symbol), std::move(display), std::move(dimensions),
                                              factor, offset, tight, std::move(components), std::move(text)});
}

std::optional<MeasureUnit> MeasureUnit::composite(Components components) {
    auto dimensions = summedDimensions(components);
    if (!dimensions) return std::nullopt;
    double factor = 1.0;
    for (const auto& component : components)
        factor *= std::pow(component.unit.factor(), static_cast<double>(component.exponent));
    auto symbol = compositeSymbol(components);
    auto display = symbol;
    return MeasureUnit(std::move(symbol), std::move(display), std::move(*dimensions), factor, 0, false,
                       std::move(components));
}

std::string MeasureUnit::signature(const Dimensions& dimensions) {
    std::string out;
    bool first = true;
    for (const auto& [name, power] : dimensions) { // a std::map iterates in ascending name order
        if (power == 0) continue;
        if (!first) out += "·";
        first = false;
        out += name;
        if (power != 1) {
            out += '^';
            appendInteger(out, power);
        }
    }
    return out;
}

std::string MeasureUnit::compositeSymbol(const Components& components) {
    std::string numerator;
    std::string denominator;
    for (const auto& component : components) {
        if (component.exponent > 0) {
            if (!numerator.empty()) numerator += "·";
            appendComponentText(numerator, component.unit, component.exponent);
        }
    }
    for (const auto& component : components) {
        if (component.exponent < 0) {
            if (!denominator.empty()) denominator += "·";
            appendComponentText(denominator, component.unit, component.exponent);
        }
    }
    if (numerator.empty()) numerator = "1";
    if (denominator.empty()) return numerator;
    return numerator + "/" + denominator;
}

std::optional<MeasureUnit> MeasureUnit::fromComponents(const Components& components) {
    return fromComponentsChecked(components).unit;
}

std::optional<MeasureUnit> MeasureUnit::normalized(const Components& components) {
    return normalizedChecked(components).unit;
}

std::optional<MeasureUnit> MeasureUnit::fromComponentsOrThrow(const Components& components) {
    return orThrow(fromComponentsChecked(components));
}

std::optional<MeasureUnit> MeasureUnit::normalizedOrThrow(const Components& components) {
    return orThrow(normalizedChecked(components));
}

void MeasureUnit::checkNoOffset(const std::optional<MeasureUnit>& unit) {
    if (!unit || unit->offset() == 0) return;
    throw CalcError(L10n::text(unit->display() + " は掛け算・割り算に使えません",
                               unit->display() + " can\u2019t be used in multiplication or division"));
}

namespace {

MeasureUnit::Combined combineAnew(const std::optional<MeasureUnit>& left, const MeasureUnit& right, int sign);

// The units of a product or quotient, by the identity of their shared data. An entry holds on to
// both units, so that no other unit can take the address of theirs while it is kept.
struct CombinedKey {
    const void* left;
    const void* right;
    int sign;
    friend bool operator==(const CombinedKey&, const CombinedKey&) = default;
};

struct CombinedKeyHash {
    std::size_t operator()(const CombinedKey& key) const {
        const auto mix = [](std::size_t seed, std::size_t value) {
            return seed ^ (value + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2));
        };
        return mix(mix(std::hash<const void*>{}(key.left), std::hash<const void*>{}(key.right)),
                   static_cast<std::size_t>(key.sign));
    }
};

struct CombinedEntry {
    std::optional<MeasureUnit> left;
    MeasureUnit right;
    MeasureUnit::Combined combined;
};

} // namespace

// The same units are combined on line after line ("km / h", "N / mm2"), so each pair's answer is
// kept, per thread; a combination that throws is not kept and throws again.
MeasureUnit::Combined MeasureUnit::combine(const std::optional<MeasureUnit>& left,
                                           const std::optional<MeasureUnit>& right, int sign) {
    if (!right) return {left, 1.0};
    if (!left && sign > 0) return {right, 1.0};
    constexpr std::size_t kept = 1024;
    thread_local std::unordered_map<CombinedKey, CombinedEntry, CombinedKeyHash> cache;
    const CombinedKey key{left ? left->data_.get() : nullptr, right->data_.get(), sign};
    if (const auto found = cache.find(key); found != cache.end()) return found->second.combined;
    Combined combined = combineAnew(left, *right, sign);
    if (cache.size() >= kept) cache.clear();
    cache.emplace(key, CombinedEntry{left, *right, combined});
    return combined;
}

namespace {

MeasureUnit::Combined combineAnew(const std::optional<MeasureUnit>& left, const MeasureUnit& rightUnit,
                                  int sign) {
    using Components = MeasureUnit::Components;
    using Component = MeasureUnit::Component;
    const std::optional<MeasureUnit> right = rightUnit;
    MeasureUnit::checkNoOffset(left);
    MeasureUnit::checkNoOffset(right);

    Components working;
    if (left) {
        if (left->components().empty())
            working.emplace_back(*left, 1);
        else
            working = left->components();
    }
    Components single;
    const Components* incoming = &right->components();
    if (incoming->empty()) {
        single.emplace_back(*right, 1);
        incoming = &single;
    }

    double scale = 1.0;
    for (const auto& part : *incoming) {
        auto power = exponent::multiply(part.exponent, sign > 0 ? 1 : -1);
        if (!power) throwCannotCalculate();
        Component* target = nullptr;
        bool sameSymbol = false;
        for (auto& element : working) {
            if (element.unit.symbol() == part.unit.symbol()) {
                target = &element;
                sameSymbol = true;
                break;
            }
        }
        if (!target) {
            for (auto& element : working) {
                if (element.unit.dimensions() == part.unit.dimensions()) {
                    target = &element;
                    break;
                }
            }
        }
        if (!target) {
            working.emplace_back(part.unit, *power);
            continue;
        }
        if (!sameSymbol)
            scale *= std::pow(part.unit.factor() / target->unit.factor(), static_cast<double>(*power));
        auto sum = exponent::add(target->exponent, *power);
        if (!sum) throwCannotCalculate();
        target->exponent = *sum;
    }

    std::erase_if(working, [](const Component& element) { return element.exponent == 0; });
    auto dimensions = summedDimensions(working);
    if (!dimensions) throwCannotCalculate();
    if (dimensions->empty()) {
        for (const auto& element : working)
            scale *= std::pow(element.unit.factor(), static_cast<double>(element.exponent));
        return {std::nullopt, scale};
    }
    return {MeasureUnit::fromComponentsOrThrow(working), scale};
}

} // namespace

std::string_view MeasureUnit::superscript(std::int64_t exponent) {
    static constexpr std::array<std::string_view, 9> texts{"¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
    if (exponent < 1 || exponent > 9) return {};
    return texts[static_cast<std::size_t>(exponent - 1)];
}

bool operator==(const MeasureUnit& a, const MeasureUnit& b) {
    return a.factor() == b.factor() && a.offset() == b.offset() &&
           (a.isIdentical(b) || a.dimensions() == b.dimensions());
}

std::size_t MeasureUnit::hash() const {
    auto normal = [](double x) { return x == 0 ? 0.0 : x; };
    std::size_t seed = std::hash<std::string>{}(signature());
    seed = mix(seed, std::hash<double>{}(normal(factor())));
    return mix(seed, std::hash<double>{}(normal(offset())));
}

} // namespace vell

std::size_t
std::hash<vell::MeasureUnit::Component>::operator()(const vell::MeasureUnit::Component& component) const {
    std::size_t seed = component.unit.hash();
    return seed ^ (std::hash<std::int64_t>{}(component.exponent) + 0x9e3779b97f4a7c15ULL + (seed << 6) +
                   (seed >> 2));
}
