#include "Engine/UnitRegistry.h"

#include "Unicode/Unicode.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>

namespace vell {

namespace {

// Unit words are a few bytes long, and looked up for every unit written: FNV-1a costs less for
// them than the library's hash.
struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        std::uint64_t hash = 0xcbf29ce484222325ull;
        for (const char c : text)
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
        return static_cast<std::size_t>(hash);
    }
};

using AliasMap = std::unordered_map<std::string, MeasureUnit, StringHash, std::equal_to<>>;

struct Simple {
    const char* symbol;
    const char* display;
    MeasureUnit::Dimensions dimensions;
    double factor;
    double offset;
    bool tight;
};

std::vector<std::string> names(std::initializer_list<const char*> list) {
    return {list.begin(), list.end()};
}

std::vector<UnitRegistry::Row> buildTable() {
    std::vector<UnitRegistry::Row> rows;
    rows.reserve(70);
    auto simple = [&rows](Simple fields, std::vector<std::string> aliases) {
        rows.push_back({MeasureUnit(fields.symbol, fields.display, std::move(fields.dimensions),
                                    fields.factor, fields.offset, fields.tight),
                        std::move(aliases)});
    };
    auto row = [&rows](const char* symbol) -> const MeasureUnit& {
        for (const auto& existing : rows) {
            if (existing.unit.symbol() == symbol) return existing.unit;
        }
        std::abort(); // the table names only rows above
    };
    auto composite = [&rows](MeasureUnit::Components components, std::vector<std::string> aliases) {
        rows.push_back({*MeasureUnit::composite(std::move(components)), std::move(aliases)});
    };
    // mph and knot: the composite's dimensions and factor under a name of their own.
    auto named = [&rows](const char* symbol, MeasureUnit::Components components,
                         std::vector<std::string> aliases) {
        auto made = *MeasureUnit::composite(std::move(components));
        rows.push_back({MeasureUnit(symbol, symbol, made.dimensions(), made.factor(), made.offset(),
                                    made.tight(), made.components()),
                        std::move(aliases)});
    };
    const MeasureUnit::Dimensions length{{"length", 1}};
    const MeasureUnit::Dimensions area{{"length", 2}};
    const MeasureUnit::Dimensions volume{{"length", 3}};
    const MeasureUnit::Dimensions mass{{"mass", 1}};
    const MeasureUnit::Dimensions time{{"time", 1}};
    const MeasureUnit::Dimensions data{{"data", 1}};
    const MeasureUnit::Dimensions temperature{{"temperature", 1}};
    const MeasureUnit::Dimensions force{{"mass", 1}, {"length", 1}, {"time", -2}};
    const MeasureUnit::Dimensions pressure{{"mass", 1}, {"length", -1}, {"time", -2}};
    const MeasureUnit::Dimensions angle{{"angle", 1}};

    simple({"mm", "mm", length, 0.001, 0, false}, names({"mm", "ミリ", "ミリメートル"}));
    simple({"cm", "cm", length, 0.01, 0, false}, names({"cm", "センチ", "センチメートル"}));
    simple({"m", "m", length, 1, 0, false}, names({"m", "メートル"}));
    simple({"km", "km", length, 1000, 0, false}, names({"km", "キロメートル"}));
    simple({"inch", "in", length, 0.0254, 0, false}, names({"in", "inch", "inches", "インチ"}));
    simple({"ft", "ft", length, 0.3048, 0, false}, names({"ft", "feet", "foot", "フィート"}));
    simple({"yd", "yd", length, 0.9144, 0, false}, names({"yd", "yard", "yards", "ヤード"}));
    simple({"mi", "mi", length, 1609.344, 0, false}, names({"mi", "mile", "miles", "マイル"}));
    simple({"nmi", "nmi", length, 1852, 0, false}, names({"nmi", "海里"}));
    simple({"mg", "mg", mass, 1e-6, 0, false}, names({"mg", "ミリグラム"}));
    simple({"g", "g", mass, 0.001, 0, false}, names({"g", "グラム"}));
    simple({"kg", "kg", mass, 1, 0, false}, names({"kg", "キログラム"}));
    simple({"t", "t", mass, 1000, 0, false}, names({"t", "ton", "tons", "トン"}));
    simple({"oz", "oz", mass, 0.028349523125, 0, false}, names({"oz", "ounce", "オンス"}));
    simple({"lb", "lb", mass, 0.45359237, 0, false}, names({"lb", "lbs", "pound", "ポンド"}));
    simple({"ms", "ms", time, 0.001, 0, false}, names({"ms", "ミリ秒"}));
    simple({"s", "s", time, 1, 0, false}, names({"s", "sec", "secs", "second", "seconds", "秒"}));
    simple({"min", "min", time, 60, 0, false}, names({"min", "mins", "minute", "minutes", "分"}));
    simple({"h", "h", time, 3600, 0, false}, names({"h", "hr", "hrs", "hour", "hours", "時間"}));
    simple({"day", "day", time, 86400, 0, false}, names({"day", "days", "日", "日間"}));
    simple({"week", "week", time, 604800, 0, false}, names({"week", "weeks", "週", "週間"}));
    simple({"month", "month", time, 2629800, 0, false}, names({"month", "months", "ヶ月", "カ月", "か月"}));
    simple({"year", "year", time, 31557600, 0, false}, names({"year", "years", "年"}));
    simple({"B", "B", data, 1, 0, false}, names({"B", "byte", "bytes", "バイト"}));
    simple({"KB", "KB", data, 1000, 0, false}, names({"KB", "kb"}));
    simple({"MB", "MB", data, 1000000, 0, false}, names({"MB", "mb"}));
    simple({"GB", "GB", data, 1000000000, 0, false}, names({"GB", "gb"}));
    simple({"TB", "TB", data, 1000000000000, 0, false}, names({"TB", "tb"}));
    simple({"KiB", "KiB", data, 1024, 0, false}, names({"KiB"}));
    simple({"MiB", "MiB", data, 1048576, 0, false}, names({"MiB"}));
    simple({"GiB", "GiB", data, 1073741824, 0, false}, names({"GiB"}));
    simple({"°C", "°C", temperature, 1, 273.15, true}, names({"°C", "℃", "C", "celsius", "摂氏"}));
    simple({"°F", "°F", temperature, 0.5555555555555556, 255.3722222222222, true},
           names({"°F", "℉", "F", "fahrenheit", "華氏"}));
    simple({"K", "K", temperature, 1, 0, false}, names({"K", "kelvin"}));
    composite({{row("mm"), 2}}, names({"mm2", "mm²", "平方ミリメートル"}));
    composite({{row("cm"), 2}}, names({"cm2", "cm²", "平方センチメートル"}));
    composite({{row("m"), 2}}, names({"m2", "m²", "平米", "平方メートル"}));
    composite({{row("km"), 2}}, names({"km2", "km²", "平方キロメートル"}));
    simple({"ha", "ha", area, 10000, 0, false}, names({"ha", "ヘクタール"}));
    simple({"a", "a", area, 100, 0, false}, names({"are", "アール"}));
    simple({"tsubo", "坪", area, 3.3057851239669422, 0, true}, names({"坪", "tsubo"}));
    simple({"jo", "畳", area, 1.62, 0, true}, names({"畳", "jo"}));
    simple({"acre", "acre", area, 4046.8564224, 0, false}, names({"acre", "acres", "エーカー"}));
    composite({{row("mm"), 3}}, names({"mm3", "mm³"}));
    composite({{row("cm"), 3}}, names({"cm3", "cm³"}));
    composite({{row("mm"), 4}}, names({"mm4", "mm⁴"}));
    composite({{row("cm"), 4}}, names({"cm4", "cm⁴"}));
    simple({"ml", "mL", volume, 1e-6, 0, false}, names({"ml", "mL", "cc", "ミリリットル"}));
    simple({"l", "L", volume, 0.001, 0, false}, names({"l", "L", "liter", "litre", "リットル"}));
    composite({{row("m"), 3}}, names({"m3", "m³", "立方メートル"}));
    simple({"gal", "gal", volume, 0.003785411784, 0, false}, names({"gal", "gallon", "ガロン"}));
    composite({{row("m"), 1}, {row("s"), -1}}, names({"m/s", "mps"}));
    composite({{row("km"), 1}, {row("h"), -1}}, names({"km/h", "kph", "キロ毎時"}));
    named("mph", {{row("mi"), 1}, {row("h"), -1}}, names({"mph"}));
    named("knot", {{row("nmi"), 1}, {row("h"), -1}}, names({"knot", "knots", "ノット"}));
    simple({"N", "N", force, 1, 0, false}, names({"N", "ニュートン"}));
    simple({"kN", "kN", force, 1000, 0, false}, names({"kN"}));
    simple({"MN", "MN", force, 1000000, 0, false}, names({"MN"}));
    simple({"kgf", "kgf", force, 9.80665, 0, false}, names({"kgf", "重量キログラム"}));
    simple({"tf", "tf", force, 9806.65, 0, false}, names({"tf", "tonf"}));
    simple({"Pa", "Pa", pressure, 1, 0, false}, names({"Pa", "パスカル"}));
    simple({"hPa", "hPa", pressure, 100, 0, false}, names({"hPa", "ヘクトパスカル"}));
    simple({"kPa", "kPa", pressure, 1000, 0, false}, names({"kPa"}));
    simple({"MPa", "MPa", pressure, 1000000, 0, false}, names({"MPa"}));
    simple({"GPa", "GPa", pressure, 1000000000, 0, false}, names({"GPa"}));
    simple({"deg", "°", angle, 0.017453292519943295, 0, true}, names({"deg", "°", "度"}));
    simple({"rad", "rad", angle, 1, 0, false}, names({"rad", "radian", "ラジアン"}));
    simple({"JPY", "円", {{"currency.JPY", 1}}, 1, 0, true}, names({"円", "yen", "JPY", "¥", "￥"}));
    simple({"USD", "$", {{"currency.USD", 1}}, 1, 0, true}, names({"USD", "$", "ドル"}));
    simple({"EUR", "€", {{"currency.EUR", 1}}, 1, 0, true}, names({"EUR", "€", "ユーロ"}));
    return rows;
}

struct AliasMaps {
    AliasMap exact;
    AliasMap lowercased;
};

const AliasMaps& aliasMaps() {
    static const AliasMaps maps = [] {
        AliasMaps built;
        for (const auto& row : UnitRegistry::table()) {
            for (const auto& alias : row.aliases) {
                built.exact.try_emplace(alias, row.unit);
                built.lowercased.try_emplace(unicode::toLower(alias), row.unit);
            }
        }
        return built;
    }();
    return maps;
}

// Whether a text has at least two user-perceived characters.
bool hasTwoCharacters(std::string_view text) {
    if (text.size() < 2) return false;
    if (unicode::isAscii(text)) return text.size() > 2 || text != "\r\n";
    return unicode::graphemeCount(text) >= 2;
}

// The last user-perceived character.
std::string_view lastCharacter(std::string_view text) {
    if (text.empty()) return {};
    if (unicode::isAscii(text)) {
        if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") return text.substr(text.size() - 2);
        return text.substr(text.size() - 1);
    }
    auto bounds = unicode::graphemeBoundaries(text);
    auto start = bounds[bounds.size() - 2];
    return text.substr(start);
}

bool isTrimmable(char32_t scalar) {
    return scalar == '\t' || unicode::isSpaceSeparator(scalar);
}

std::string_view trimmed(std::string_view text) {
    // Leading.
    while (!text.empty()) {
        std::size_t offset = 0;
        char32_t scalar = unicode::decodeNext(text, offset);
        if (!isTrimmable(scalar)) break;
        text.remove_prefix(offset);
    }
    // Trailing: step back to the start of the last scalar.
    while (!text.empty()) {
        std::size_t start = text.size() - 1;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        std::size_t offset = start;
        char32_t scalar = unicode::decodeNext(text, offset);
        if (offset != text.size() || !isTrimmable(scalar)) break;
        text.remove_suffix(text.size() - start);
    }
    return text;
}

template <typename Callback>
void splitAt(std::string_view text, std::initializer_list<std::string_view> separators, Callback&& callback) {
    std::size_t partStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t matched = 0;
        for (auto separator : separators) {
            if (text.substr(i, separator.size()) == separator) {
                matched = separator.size();
                break;
            }
        }
        if (matched == 0) {
            ++i;
            continue;
        }
        callback(text.substr(partStart, i - partStart));
        i += matched;
        partStart = i;
    }
    callback(text.substr(partStart));
}

} // namespace

const std::vector<UnitRegistry::Row>& UnitRegistry::table() {
    static const std::vector<Row> rows = buildTable();
    return rows;
}

const std::vector<std::string>& UnitRegistry::allAliases() {
    static const std::vector<std::string> aliases = [] {
        std::vector<std::string> all;
        for (const auto& row : table())
            all.insert(all.end(), row.aliases.begin(), row.aliases.end());
        std::vector<std::pair<std::size_t, std::string>> counted;
        counted.reserve(all.size());
        for (auto& alias : all)
            counted.emplace_back(unicode::graphemeCount(alias), std::move(alias));
        std::stable_sort(counted.begin(), counted.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        std::vector<std::string> sorted;
        sorted.reserve(counted.size());
        for (auto& entry : counted)
            sorted.push_back(std::move(entry.second));
        return sorted;
    }();
    return aliases;
}

const std::unordered_set<std::string>& UnitRegistry::slashSymbols() {
    static const std::unordered_set<std::string> symbols = [] {
        std::unordered_set<std::string> set;
        for (const auto& alias : allAliases()) {
            if (alias.find('/') != std::string::npos) set.insert(alias);
        }
        return set;
    }();
    return symbols;
}

const std::unordered_map<std::string, int>& UnitRegistry::superscriptValues() {
    static const std::unordered_map<std::string, int> values{{"¹", 1}, {"²", 2}, {"³", 3}, {"⁴", 4}, {"⁵", 5},
                                                             {"⁶", 6}, {"⁷", 7}, {"⁸", 8}, {"⁹", 9}};
    return values;
}

std::optional<MeasureUnit> UnitRegistry::lookup(std::string_view text) {
    const auto& maps = aliasMaps();
    if (auto found = maps.exact.find(text); found != maps.exact.end()) return found->second;
    if (!hasTwoCharacters(text)) return std::nullopt;
    if (auto found = maps.lowercased.find(unicode::toLower(text)); found != maps.lowercased.end())
        return found->second;
    return std::nullopt;
}

std::optional<std::int64_t> UnitRegistry::parseInteger(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    // from_chars takes a leading "-" but not a "+".
    std::string_view source = text.front() == '+' ? digits : text;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(source.data(), source.data() + source.size(), value);
    if (ec != std::errc() || end != source.data() + source.size()) return std::nullopt;
    return value;
}

std::optional<MeasureUnit::Component> UnitRegistry::parseFactor(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return std::nullopt;
    std::string_view name = text;
    std::int64_t power = 1;
    if (auto caret = text.find('^'); caret != std::string_view::npos) {
        name = text.substr(0, caret);
        auto parsed = parseInteger(text.substr(caret + 1));
        if (!parsed) return std::nullopt;
        power = *parsed;
    } else {
        auto last = lastCharacter(text);
        const auto& superscripts = superscriptValues();
        if (auto found = superscripts.find(std::string(last)); found != superscripts.end()) {
            power = found->second;
            name = text.substr(0, text.size() - last.size());
        } else if (last.size() == 1 && last[0] >= '0' && last[0] <= '9' && hasTwoCharacters(text)) {
            power = last[0] - '0';
            name = text.substr(0, text.size() - 1);
        }
    }
    if (power == 0) return std::nullopt;
    auto unit = lookup(name);
    if (!unit || unit->offset() != 0) return std::nullopt;
    return MeasureUnit::Component(std::move(*unit), power);
}

std::optional<MeasureUnit> UnitRegistry::parseCompound(std::string_view text) {
    std::vector<std::string_view> parts;
    bool tooMany = false;
    splitAt(text, {"/"}, [&](std::string_view part) {
        if (parts.size() == 3)
            tooMany = true;
        else
            parts.push_back(part);
    });
    if (tooMany) return std::nullopt;
    MeasureUnit::Components collected;
    for (std::size_t index = 0; index < parts.size(); ++index) {
        if (parts[index].empty()) return std::nullopt;
        bool failed = false;
        splitAt(parts[index], {"*", "·", "×"}, [&](std::string_view factorText) {
            if (failed) return;
            auto factor = parseFactor(factorText);
            if (!factor) {
                failed = true;
                return;
            }
            if (index > 0) {
                auto negated = exponent::multiply(factor->exponent, -1);
                if (!negated) {
                    failed = true;
                    return;
                }
                factor->exponent = *negated;
            }
            collected.push_back(std::move(*factor));
        });
        if (failed) return std::nullopt;
    }
    return MeasureUnit::normalized(collected);
}

std::optional<MeasureUnit> UnitRegistry::find(std::string_view text) {
    // Garbage words are kept too; the table is emptied before it grows large.
    constexpr std::size_t kept = 4096;
    thread_local std::unordered_map<std::string, std::optional<MeasureUnit>, StringHash, std::equal_to<>>
        found;
    if (const auto known = found.find(text); known != found.end()) return known->second;
    std::optional<MeasureUnit> unit = lookup(text);
    if (!unit) unit = parseCompound(text);
    if (found.size() >= kept) found.clear();
    found.emplace(std::string(text), unit);
    return unit;
}

bool UnitRegistry::isUnit(std::string_view text) {
    return find(text).has_value();
}

} // namespace vell
