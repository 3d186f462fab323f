#include "Engine/ValueFormatter.h"

#include "Engine/EngineSettings.h"
#include "Engine/Value.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vell {

namespace {

constexpr std::size_t maxListItemsShown = 100;
// A hundred items at every level, each a text of up to the text limit, would make the display of a
// few nested lists gigabytes long; the display stops growing past the size of the longest text.
constexpr std::size_t maxDisplayBytes = Value::maxTextBytes;
constexpr std::string_view cutMark = "…";

// 10^k as the double nearest to it, for k in 0...299 (read from decimal text, so exactly rounded).
double powerOfTen(int k) {
    static const std::array<double, 300> powers = [] {
        std::array<double, 300> table{};
        for (int i = 0; i < 300; ++i) {
            std::array<char, 8> text{'1', 'e'};
            auto [end, ec] = std::to_chars(text.data() + 2, text.data() + text.size(), i);
            (void)ec;
            std::from_chars(text.data(), end, table[static_cast<std::size_t>(i)]);
        }
        return table;
    }();
    return powers[static_cast<std::size_t>(k)];
}

void appendCount(std::string& out, std::size_t count) {
    std::array<char, 24> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), count);
    (void)ec;
    out.append(buffer.data(), end);
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The C "%.6e" form, shortened: 1.5e20, 1e15, 1.234568e20, 2.5e-12.
std::string scientific(double x) {
    std::array<char, 40> buffer{};
    auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::scientific, 6);
    (void)ec;
    std::string text(buffer.data(), end);
    // to_chars writes at least two exponent digits, as %.6e does.
    replaceAll(text, "e+0", "e");
    replaceAll(text, "e-0", "e-");
    replaceAll(text, "e+", "e");
    auto point = text.find('.');
    auto exponent = text.find('e');
    if (point != std::string::npos && exponent != std::string::npos && point < exponent) {
        auto last = exponent;
        while (last > point + 1 && text[last - 1] == '0')
            --last;
        if (last == point + 1) --last; // no digits left: the point goes too
        text.erase(last, exponent - last);
    }
    return text;
}

void appendFormatted(std::string& out, const Value& value, bool grouping);

void appendList(std::string& out, const Value& value, bool grouping) {
    const auto& items = value.items();
    out += '[';
    std::size_t shown = std::min(items.size(), maxListItemsShown);
    for (std::size_t i = 0; i < shown; ++i) {
        if (out.size() > maxDisplayBytes) return;
        if (i > 0) out += ", ";
        if (items[i].isText()) {
            out += '"';
            out += items[i].textValue();
            out += '"';
        } else {
            appendFormatted(out, items[i], grouping);
        }
    }
    if (items.size() > maxListItemsShown) {
        out += ", … 全 ";
        appendCount(out, items.size());
        out += " 個";
    }
    out += ']';
}

void appendFormatted(std::string& out, const Value& value, bool grouping) {
    switch (value.kind.tag()) {
    case Value::KindTag::text:
        out += value.textValue();
        return;
    case Value::KindTag::list:
        appendList(out, value, grouping);
        return;
    case Value::KindTag::number:
        break;
    }
    if (out.empty())
        out = ValueFormatter::formatNumber(value.number, grouping);
    else
        out += ValueFormatter::formatNumber(value.number, grouping);
    if (value.isPercent) {
        out += '%';
    } else if (value.unit) {
        if (!value.unit->tight()) out += ' ';
        out += value.unit->display();
    }
}

} // namespace

namespace {

// The text of a number with at most 13 digits and at most `allowed` decimals, without to_chars.
// Below 10^13, at most one whole number m gives back x as m / 10^k (both exact in a double, so the
// division is the correctly rounded reading of "m e-k"), and rounding x × 10^k finds it. A text with
// fewer decimals is the same one with its trailing zeros dropped, so the most decimals that stay
// below 10^13 are tried, and the zeros dropped: the fewest decimals that read back as x, which is
// what to_chars writes. None for every other number.
std::optional<std::string> shortDecimal(double x, std::size_t allowed, bool grouping) {
    static constexpr double powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
    constexpr double limit = 1e13;
    const double magnitude = std::fabs(x);
    if (!(magnitude < limit)) return std::nullopt;
    std::size_t k = allowed;
    while (k > 0 && magnitude * powers[k] >= limit)
        --k;
    const double whole = std::round(magnitude * powers[k]);
    if (whole >= limit || whole / powers[k] != magnitude) return std::nullopt;
    auto digitsValue = static_cast<std::uint64_t>(whole);
    if (digitsValue == 0) return "0";
    while (k > 0 && digitsValue % 10 == 0) {
        digitsValue /= 10;
        --k;
    }
    std::array<char, 24> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), digitsValue).ptr;
    std::string_view digits(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    // "5" with two decimals is "0.05".
    const std::size_t intLength = digits.size() > k ? digits.size() - k : 1;
    const std::size_t zeros = digits.size() > k ? 0 : k - digits.size();
    std::string out;
    out.reserve(1 + intLength + intLength / 3 + 1 + k);
    if (x < 0) out += '-';
    if (digits.size() > k) {
        for (std::size_t i = 0; i < intLength; ++i) {
            if (grouping && i > 0 && (intLength - i) % 3 == 0) out += ',';
            out += digits[i];
        }
        digits.remove_prefix(intLength);
    } else {
        out += '0';
    }
    if (k > 0) {
        out += '.';
        out.append(zeros, '0');
        out.append(digits);
    }
    return out;
}

} // namespace

std::string ValueFormatter::DecimalFormatter::format(double x) const {
    if (auto text = shortDecimal(x, static_cast<std::size_t>(std::clamp(maxFractionDigits, 0, 10)), grouping))
        return std::move(*text);
    if (!std::isfinite(x)) {
        // Not reached from formatNumber; the default shortest text stands in.
        std::array<char, 32> buffer{};
        auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
        (void)ec;
        return std::string(buffer.data(), end);
    }
    // Only what to_chars writes is read, so neither buffer is cleared first.
    std::array<char, 400> buffer;
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed);
    (void)ec;
    std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const auto point = text.find('.');
    const std::string_view intText = text.substr(0, point);
    const std::string_view fracText =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);

    // The integer digits and then the decimals, one after the other, behind a spare place for a
    // carry out of the first digit.
    std::array<char, 402> digits;
    digits[0] = '0';
    std::copy(intText.begin(), intText.end(), digits.begin() + 1);
    std::copy(fracText.begin(), fracText.end(),
              digits.begin() + 1 + static_cast<std::ptrdiff_t>(intText.size()));
    std::size_t first = 1;
    std::size_t intLength = intText.size();
    std::size_t fracLength = fracText.size();
    const char* const frac = digits.data() + 1 + intLength;

    // Rounds to the allowed decimals, half to even.
    const auto allowed = static_cast<std::size_t>(std::clamp(maxFractionDigits, 0, 10));
    if (fracLength > allowed) {
        const char next = frac[allowed];
        const bool beyond = fracText.find_first_not_of('0', allowed + 1) != std::string_view::npos;
        fracLength = allowed;
        bool up = false;
        if (next > '5' || (next == '5' && beyond)) {
            up = true;
        } else if (next == '5') {
            const char last = allowed > 0 ? frac[allowed - 1] : (intLength == 0 ? '0' : frac[-1]);
            up = (last - '0') % 2 == 1;
        }
        if (up) {
            std::size_t i = 1 + intLength + fracLength;
            for (;;) {
                if (i == 1) {
                    // Every digit was a 9: a new first digit.
                    digits[0] = '1';
                    first = 0;
                    ++intLength;
                    break;
                }
                --i;
                if (digits[i] != '9') {
                    ++digits[i];
                    break;
                }
                digits[i] = '0';
            }
        }
    }
    const char* const intDigits = digits.data() + first;
    const char* const fracDigits = digits.data() + 1 + intText.size();
    while (fracLength > 0 && fracDigits[fracLength - 1] == '0')
        --fracLength;
    if (fracLength == 0 && std::all_of(intDigits, intDigits + intLength, [](char c) { return c == '0'; }))
        return "0";

    std::string out;
    out.reserve(1 + intLength + intLength / 3 + 1 + fracLength);
    if (negative) out += '-';
    for (std::size_t i = 0; i < intLength; ++i) {
        if (grouping && i > 0 && (intLength - i) % 3 == 0) out += ',';
        out += intDigits[i];
    }
    if (fracLength > 0) {
        out += '.';
        out.append(fracDigits, fracLength);
    }
    return out;
}

ValueFormatter::DecimalFormatter ValueFormatter::makeFormatter(bool grouping) {
    return DecimalFormatter{grouping, std::clamp(EngineSettings::current().maxFractionDigits, 0, 10)};
}

namespace {

// clean()'s rounding. When the number it gives is the double nearest to a decimal of at most 15
// digits, `found(digits, decimals)` is told the decimal's digits (of the magnitude) and decimals.
template <typename Found>
double cleaned(double x, Found&& found) {
    if (x == 0) {
        found(0.0, 0);
        return 0;
    }
    // Whole numbers below 1e12 have at most 12 digits and come back unchanged: x × 10^k stays a
    // whole number below 2^53, so the rounding and the division are exact. Counters and indices in
    // loops are compared through here.
    if (std::fabs(x) < 1e12 && x == std::trunc(x)) {
        found(std::fabs(x), 0);
        return x;
    }
    if (!std::isfinite(x)) return x;
    int e = static_cast<int>(std::floor(std::log10(std::fabs(x))));
    int k = 12 - e;
    if (k < 1 || k > 299) return x;
    double p = powerOfTen(k);
    const double whole = std::round(x * p);
    // Up to 10^22 the power is exact, and so the division is the correctly rounded reading of the
    // decimal (whole stays below 2^53).
    if (k <= 22) found(std::fabs(whole), k);
    return whole / p;
}

// The text DecimalFormatter gives for the double nearest to ±digits × 10^-decimals, when digits has
// at most 15 digits: no other decimal of 15 digits or fewer reads as that double, so the decimal
// (without trailing zeros) is the shortest text that reads back as it, the one that is rounded.
std::string decimalText(bool negative, std::uint64_t digits, int decimals, int allowed, bool grouping) {
    static constexpr auto powers = [] {
        std::array<std::uint64_t, 16> table{};
        std::uint64_t power = 1;
        for (std::uint64_t& entry : table) {
            entry = power;
            power *= 10;
        }
        return table;
    }();
    while (decimals > 0 && digits % 10 == 0) {
        digits /= 10;
        --decimals;
    }
    if (decimals > allowed) {
        // Half to even on the decimal text: what is dropped against half a unit of the last digit kept.
        const int dropped = decimals - allowed;
        std::uint64_t kept = 0;
        bool up = false;
        if (dropped < 16) {
            const std::uint64_t scale = powers[static_cast<std::size_t>(dropped)];
            kept = digits / scale;
            const std::uint64_t rest = digits % scale;
            up = rest > scale / 2 || (rest == scale / 2 && kept % 2 == 1);
        }
        digits = kept + (up ? 1 : 0);
        decimals = allowed;
        while (decimals > 0 && digits % 10 == 0) {
            digits /= 10;
            --decimals;
        }
    }
    if (digits == 0) return "0";

    std::array<char, 24> figures{};
    const auto end = std::to_chars(figures.data(), figures.data() + figures.size(), digits).ptr;
    const auto count = static_cast<std::size_t>(end - figures.data());
    const auto fraction = static_cast<std::size_t>(decimals);
    // "5" with two decimals is "0.05".
    const std::size_t intLength = count > fraction ? count - fraction : 0;
    std::array<char, 48> text{};
    std::size_t length = 0;
    if (negative) text[length++] = '-';
    if (intLength == 0) text[length++] = '0';
    for (std::size_t i = 0; i < intLength; ++i) {
        if (grouping && i > 0 && (intLength - i) % 3 == 0) text[length++] = ',';
        text[length++] = figures[i];
    }
    if (fraction > 0) {
        text[length++] = '.';
        for (std::size_t zeros = count < fraction ? fraction - count : 0; zeros > 0; --zeros)
            text[length++] = '0';
        for (std::size_t i = intLength; i < count; ++i)
            text[length++] = figures[i];
    }
    return std::string(text.data(), length);
}

} // namespace

double ValueFormatter::clean(double x) {
    return cleaned(x, [](double, int) {});
}

std::string ValueFormatter::formatNumber(double x, bool grouping) {
    std::uint64_t digits = 0;
    int decimals = -1;
    const double value = cleaned(x, [&](double whole, int k) {
        digits = static_cast<std::uint64_t>(whole);
        decimals = k;
    });
    if (x == 0) return "0";
    if (std::isnan(value)) return "—";
    if (std::isinf(value)) return value > 0 ? "∞" : "-∞";
    double magnitude = std::fabs(value);
    if (magnitude >= 1e15 || magnitude < 1e-9) return scientific(value);
    // Most answers: the decimal that clean() rounded to is written out directly.
    if (decimals >= 0)
        return decimalText(value < 0, digits, decimals, makeFormatter(grouping).maxFractionDigits, grouping);
    return makeFormatter(grouping).format(value);
}

std::string ValueFormatter::format(const Value& value, bool grouping) {
    std::string out;
    appendFormatted(out, value, grouping);
    if (out.size() > maxDisplayBytes) {
        // Cut at the start of a scalar, leaving room for the mark.
        std::size_t end = maxDisplayBytes - cutMark.size();
        while (end > 0 && (static_cast<unsigned char>(out[end]) & 0xC0) == 0x80)
            --end;
        out.resize(end);
        out += cutMark;
    }
    return out;
}

} // namespace vell
