#pragma once

// A unit of measure: a small handle to shared immutable data, so copying one never copies the
// unit's texts, dimensions or components. Two units are equal when their dimensions, factor and
// offset are equal; names and components take no part.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vell {

class MeasureUnit {
public:
    // Dimension name ("length", "currency.JPY", ...) to exponent; never holds a zero exponent.
    using Dimensions = std::map<std::string, std::int64_t, std::less<>>;

    struct Component;
    using Components = std::vector<Component>;

    // A simple unit from its fields; zero exponents are dropped from the dimensions. (Two constructors
    // rather than a default for the components: Component is not complete here.)
    MeasureUnit(std::string symbol, std::string display, Dimensions dimensions, double factor,
                double offset = 0, bool tight = false);
    MeasureUnit(std::string symbol, std::string display, Dimensions dimensions, double factor, double offset,
                bool tight, Components components);

    // A composite unit: symbol and display are the composite symbol, dimensions summed, factor the
    // product of the component factors raised to their exponents, offset 0, not tight. Returns none
    // when an exponent sum leaves the 64-bit range.
    static std::optional<MeasureUnit> composite(Components components);

    const std::string& symbol() const;
    const std::string& display() const;
    const Dimensions& dimensions() const;
    double factor() const;
    double offset() const;
    bool tight() const;
    const Components& components() const;
    // The signature of the unit's own dimensions (kept with the unit, computed once).
    const std::string& signature() const;

    // "length·mass·time^-2": non-zero entries by name, joined by U+00B7; empty for no dimensions.
    static std::string signature(const Dimensions& dimensions);
    // "kg/m·s²", "1/s", "m^12".
    static std::string compositeSymbol(const Components& components);
    // Drops zero exponents; none when nothing is left; a single component with exponent 1 is that
    // unit itself; otherwise a composite. None also when the exponent arithmetic overflows.
    static std::optional<MeasureUnit> fromComponents(const Components& components);
    // Opens every composite one level, merges components with the same symbol, then fromComponents.
    // None also when the exponent arithmetic overflows.
    static std::optional<MeasureUnit> normalized(const Components& components);
    // As fromComponents and normalized, but an overflow throws "Can't calculate this" instead of
    // reading as no unit.
    static std::optional<MeasureUnit> fromComponentsOrThrow(const Components& components);
    static std::optional<MeasureUnit> normalizedOrThrow(const Components& components);

    // The unit of a product (sign +1) or quotient (sign -1) and the scale the caller multiplies the
    // numeric result by. Throws CalcError for a unit with an offset, and "Can't calculate this" when
    // the exponent arithmetic overflows.
    struct Combined;
    static Combined combine(const std::optional<MeasureUnit>& left, const std::optional<MeasureUnit>& right,
                            int sign);
    // Throws CalcError when the unit has an offset (°C, °F).
    static void checkNoOffset(const std::optional<MeasureUnit>& unit);

    // 1 -> "¹" ... 9 -> "⁹"; empty for any other number.
    static std::string_view superscript(std::int64_t exponent);

    // Same shared entry (a cheap identity test; equal units need not be identical).
    bool isIdentical(const MeasureUnit& other) const { return data_ == other.data_; }

    friend bool operator==(const MeasureUnit& a, const MeasureUnit& b);
    std::size_t hash() const;

private:
    struct Data;
    explicit MeasureUnit(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

    std::shared_ptr<const Data> data_;
};

struct MeasureUnit::Component {
    Component(MeasureUnit unit, std::int64_t exponent) : unit(std::move(unit)), exponent(exponent) {}

    MeasureUnit unit;
    std::int64_t exponent;

    friend bool operator==(const Component& a, const Component& b) {
        return a.exponent == b.exponent && a.unit == b.unit;
    }
};

struct MeasureUnit::Combined {
    std::optional<MeasureUnit> unit;
    double scale;
};

struct MeasureUnit::Data {
    std::string symbol;
    std::string display;
    Dimensions dimensions;
    double factor;
    double offset;
    bool tight;
    Components components;
    std::string signature;
};

inline const std::string& MeasureUnit::symbol() const {
    return data_->symbol;
}
inline const std::string& MeasureUnit::display() const {
    return data_->display;
}
inline const MeasureUnit::Dimensions& MeasureUnit::dimensions() const {
    return data_->dimensions;
}
inline double MeasureUnit::factor() const {
    return data_->factor;
}
inline double MeasureUnit::offset() const {
    return data_->offset;
}
inline bool MeasureUnit::tight() const {
    return data_->tight;
}
inline const MeasureUnit::Components& MeasureUnit::components() const {
    return data_->components;
}
inline const std::string& MeasureUnit::signature() const {
    return data_->signature;
}

// Checked 64-bit exponent arithmetic shared by the unit algebra.
namespace exponent {
std::optional<std::int64_t> add(std::int64_t a, std::int64_t b);
std::optional<std::int64_t> multiply(std::int64_t a, std::int64_t b);
} // namespace exponent

} // namespace vell

template <>
struct std::hash<vell::MeasureUnit> {
    std::size_t operator()(const vell::MeasureUnit& unit) const { return unit.hash(); }
};

template <>
struct std::hash<vell::MeasureUnit::Component> {
    std::size_t operator()(const vell::MeasureUnit::Component& component) const;
};
