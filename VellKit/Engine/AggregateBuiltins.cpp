// The built-in functions that take lists and texts: min, max, sum, avg, average, len, str, list,
// reverse and sort.

#include "Engine/BuiltinSupport.h"
#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace vell {

namespace {

using namespace builtins;

[[noreturn]] void throwNeedsValues(std::string_view name) {
    const std::string written(name);
    throw CalcError(L10n::text(written + " には値が必要です", written + " needs values"));
}

[[noreturn]] void throwTextTooLong() {
    throw CalcError(L10n::text("文字が長すぎます", "The text is too long"));
}

Value extreme(std::string_view name, const Arguments& arguments, bool largest) {
    const auto items = flattenNumbers(name, arguments);
    if (items.empty()) throwNeedsValues(name);
    const Value reference = items.front().percentResolved();
    std::size_t best = 0;
    double bestNumber = reference.number;
    for (std::size_t i = 1; i < items.size(); ++i) {
        const double n = Value::alignUnits(reference, items[i].percentResolved()).right;
        if (largest ? n > bestNumber : n < bestNumber) {
            best = i;
            bestNumber = n;
        }
    }
    const Value& winner = items[best];
    const auto& unit = items.front().unit;
    if (!unit) return winner;
    if (winner.unit) return winner.percentResolved().converted(*unit);
    return Value(winner.percentResolved().number, unit);
}

Value minOf(std::string_view name, const Arguments& arguments) {
    return extreme(name, arguments, false);
}

Value maxOf(std::string_view name, const Arguments& arguments) {
    return extreme(name, arguments, true);
}

Value sumOf(std::string_view name, const Arguments& arguments) {
    const auto items = flattenNumbers(name, arguments);
    if (items.empty()) throw CalcError(L10n::text("sum には値が必要です", "sum needs values"));
    return sumValues(items.front(), std::span(items).subspan(1));
}

Value averageOf(std::string_view name, const Arguments& arguments) {
    const auto items = flattenNumbers(name, arguments);
    if (items.empty()) throw CalcError(L10n::text("avg には値が必要です", "avg needs values"));
    const Value total = sumValues(items.front(), std::span(items).subspan(1));
    const double mean = total.number / static_cast<double>(items.size());
    // A total of percentages is itself a percentage: its mean is one too (15% for 10% and 20%), not
    // the bare figure, which would read a hundred times too large.
    if (total.isPercent) return Value::percent(mean);
    return Value(mean, total.unit);
}

Value lenOf(std::string_view name, const Arguments& arguments) {
    const Value& x = singleArgument(arguments, name);
    if (x.isList()) return Value(static_cast<double>(x.items().size()));
    if (x.isText()) return Value(static_cast<double>(unicode::graphemeCount(x.textValue())));
    throw CalcError(L10n::text("len は表か文字の長さを数えます", "len counts the length of a list or text"));
}

// More than the bytes ValueFormatter::format gives for the value, counted without building the text;
// stops counting once past `cap`.
std::size_t formattedSizeBound(const Value& value, std::size_t cap) {
    switch (value.kind.tag()) {
    case Value::KindTag::text:
        return value.textValue().size();
    case Value::KindTag::number:
        return 64 + (value.unit ? value.unit->display().size() : 0);
    case Value::KindTag::list:
        break;
    }
    const auto& items = value.items();
    std::size_t bound = 64; // brackets and the ending of a long list
    for (std::size_t i = 0; i < items.size() && i < 100 && bound <= cap; ++i)
        bound += 4 + formattedSizeBound(items[i], cap); // quotes and ", "
    return bound;
}

Value strOf(std::string_view name, const Arguments& arguments) {
    const Value& value = singleArgument(arguments, name);
    // Lists show up to 100 items at every level, so the text of a list of long texts can be vastly
    // longer than any text: it is refused before it is built, as a joined text would be.
    constexpr std::size_t byteCap = Value::maxTextBytes;
    if (formattedSizeBound(value, byteCap) > byteCap) throwTextTooLong();
    std::string text = ValueFormatter::format(value, false);
    if (text.size() > Value::maxTextLength && unicode::graphemeCount(text) > Value::maxTextLength)
        throwTextTooLong();
    return Value::text(std::move(text));
}

Value listOf(std::string_view, const Arguments& arguments) {
    return Value::list(characters(arguments));
}

Value reverseOf(std::string_view, const Arguments& arguments) {
    if (arguments.size() == 1 && arguments.front().isNumber()) {
        throw CalcError(L10n::text("reverse は表か文字を逆に並べます", "reverse works on a list or text"));
    }
    if (arguments.size() == 1 && arguments.front().isText()) {
        const auto& text = arguments.front().textValue();
        const auto characters = unicode::graphemes(text);
        std::string reversed;
        reversed.reserve(text.size());
        for (auto it = characters.rbegin(); it != characters.rend(); ++it)
            reversed += *it;
        return Value::text(std::move(reversed));
    }
    auto items = characters(arguments);
    std::reverse(items.begin(), items.end());
    return Value::list(std::move(items));
}

Value sortOf(std::string_view, const Arguments& arguments) {
    if (arguments.size() == 1 && arguments.front().isNumber()) {
        throw CalcError(L10n::text("sort は表の中身を並べ替えます", "sort arranges the items of a list"));
    }
    auto items = characters(arguments);
    if (items.empty()) return Value::list({});

    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const bool allTexts = std::all_of(items.begin(), items.end(), [](const Value& v) { return v.isText(); });
    if (allTexts) {
        // Canonically equivalent texts share one composed form; UTF-8 bytes sort as their scalars.
        // A list repeated with "*" holds one text many times over: a composed copy for every item
        // would take that text's size a hundred thousand times, so each distinct text is composed
        // once, and items of the same text compare equal without reading it.
        std::unordered_map<const std::string*, std::size_t> composedAt;
        std::vector<std::string> composed;
        composed.reserve(items.size()); // the keys below point into these strings
        std::vector<std::string_view> keys;
        keys.reserve(items.size());
        for (const auto& item : items) {
            const auto [at, fresh] = composedAt.try_emplace(&item.textValue(), composed.size());
            if (fresh) composed.push_back(unicode::nfc(item.textValue()));
            keys.push_back(composed[at->second]);
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return keys[a].data() != keys[b].data() && keys[a] < keys[b];
        });
    } else {
        if (!std::all_of(items.begin(), items.end(), [](const Value& v) { return v.isNumber(); })) {
            throw CalcError(L10n::text("sort で並べ替えられるのは、数どうしか文字どうしです",
                                       "sort needs all numbers or all text"));
        }
        const Value reference = items.front().percentResolved();
        std::vector<double> keys;
        keys.reserve(items.size());
        for (const auto& item : items)
            keys.push_back(Value::alignUnits(reference, item.percentResolved()).right);
        // Not-a-number keys go last, in their order, so the comparison stays a strict weak ordering.
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (std::isnan(keys[a])) return false;
            return std::isnan(keys[b]) || keys[a] < keys[b];
        });
    }
    std::vector<Value> sorted;
    sorted.reserve(items.size());
    for (const auto index : order)
        sorted.push_back(std::move(items[index]));
    return Value::list(std::move(sorted));
}

} // namespace

namespace builtins {

std::vector<Value> flattenNumbers(std::string_view name, const Arguments& arguments) {
    std::vector<Value> numbers;
    const auto walk = [&](const auto& self, const Value& value) -> void {
        switch (value.kind.tag()) {
        case Value::KindTag::number:
            numbers.push_back(value);
            return;
        case Value::KindTag::list:
            for (const auto& item : value.items())
                self(self, item);
            return;
        case Value::KindTag::text:
            break;
        }
        throw CalcError(argumentKindError(name, value));
    };
    for (const auto& argument : arguments)
        walk(walk, argument);
    return numbers;
}

Value sumValues(const Value& first, std::span<const Value> rest) {
    Value total = first;
    for (const auto& value : rest)
        total = Value::add(total, value);
    return total;
}

std::vector<Value> characters(const Arguments& arguments) {
    if (arguments.size() == 1 && arguments.front().isText()) {
        std::vector<Value> characters;
        for (const auto character : unicode::graphemes(arguments.front().textValue()))
            characters.push_back(Value::text(std::string(character)));
        return characters;
    }
    if (arguments.size() == 1 && arguments.front().isList()) return arguments.front().items();
    return arguments;
}

Builtin aggregateBuiltin(std::string_view name) {
    static const std::unordered_map<std::string_view, Builtin> table{
        {"min", minOf}, {"max", maxOf}, {"sum", sumOf},   {"avg", averageOf},     {"average", averageOf},
        {"len", lenOf}, {"str", strOf}, {"list", listOf}, {"reverse", reverseOf}, {"sort", sortOf},
    };
    const auto found = table.find(name);
    return found == table.end() ? nullptr : found->second;
}

} // namespace builtins

} // namespace vell
