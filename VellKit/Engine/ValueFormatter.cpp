#include "Engine/ValueFormatter.h"

#include "Engine/EngineSettings.h"
#include "Engine/Value.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
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

// Rounds the decimal digits "intPart.fracPart" to `digits` decimals, half to even, in place.
void roundDecimals(std::string& intPart, std::string& fracPart, std::size_t digits) {
    if (fracPart.size() <= digits) return;
    char next = fracPart[digits];
    bool beyond = fracPart.find_first_not_of('0', digits + 1) != std::string::npos;
    fracPart.resize(digits);
    bool up = false;
    if (next > '5' || (next == '5' && beyond)) {
        up = true;
    } else if (next == '5') {
        char last = digits > 0 ? fracPart.back() : (intPart.empty() ? '0' : intPart.back());
        up = (last - '0') % 2 == 1;
    }
    if (!up) return;
    // Carry through the decimals, then the integer digits.
    for (auto i = fracPart.size(); i-- > 0;) {
        if (fracPart[i] != '9') {
            ++fracPart[i];
            return;
        }
        fracPart[i] = '0';
    }
    for (auto i = intPart.size(); i-- > 0;) {
        if (intPart[i] != '9') {
            ++intPart[i];
            return;
        }
        intPart[i] = '0';
    }
    intPart.insert(intPart.begin(), '1');
}

std::string grouped(const std::string& digits) {
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
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
    out += ValueFormatter::formatNumber(value.number, grouping);
    if (value.isPercent) {
        out += '%';
    } else if (value.unit) {
        if (!value.unit->tight()) out += ' ';
        out += value.unit->display();
    }
}

} // namespace

std::string ValueFormatter::DecimalFormatter::format(double x) const {
    if (!std::isfinite(x)) {
        // Not reached from formatNumber; the default shortest text stands in.
        std::array<char, 32> buffer{};
        auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
        (void)ec;
        return std::string(buffer.data(), end);
    }
    std::array<char, 400> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed);
    (void)ec;
    std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    auto point = text.find('.');
    std::string intPart(text.substr(0, point));
    std::string fracPart(point == std::string_view::npos ? std::string_view() : text.substr(point + 1));
    roundDecimals(intPart, fracPart, static_cast<std::size_t>(std::clamp(maxFractionDigits, 0, 10)));
    while (!fracPart.empty() && fracPart.back() == '0')
        fracPart.pop_back();
    bool zero = fracPart.empty() && intPart.find_first_not_of('0') == std::string::npos;
    if (zero) return "0";
    std::string out;
    if (negative) out += '-';
    out += grouping ? grouped(intPart) : intPart;
    if (!fracPart.empty()) {
        out += '.';
        out += fracPart;
    }
    return out;
}

ValueFormatter::DecimalFormatter ValueFormatter::makeFormatter(bool grouping) {
    return DecimalFormatter{grouping, std::clamp(EngineSettings::current().maxFractionDigits, 0, 10)};
}

double ValueFormatter::clean(double x) {
    if (x == 0) return 0;
    // Whole numbers below 1e12 have at most 12 digits and come back unchanged: x × 10^k stays a
    // whole number below 2^53, so the rounding and the division are exact. Counters and indices in
    // loops are compared through here.
    if (std::fabs(x) < 1e12 && x == std::trunc(x)) return x;
    if (!std::isfinite(x)) return x;
    int e = static_cast<int>(std::floor(std::log10(std::fabs(x))));
    int k = 12 - e;
    if (k < 1 || k > 299) return x;
    double p = powerOfTen(k);
    return std::round(x * p) / p;
}

std::string ValueFormatter::formatNumber(double x, bool grouping) {
    if (x == 0) return makeFormatter(grouping).format(0.0);
    double cleaned = clean(x);
    if (std::isnan(cleaned)) return "—";
    if (std::isinf(cleaned)) return cleaned > 0 ? "∞" : "-∞";
    double magnitude = std::fabs(cleaned);
    if (magnitude >= 1e15 || magnitude < 1e-9) return scientific(cleaned);
    return makeFormatter(grouping).format(cleaned);
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
