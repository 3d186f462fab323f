#pragma once

// The built-in table of units with their names, the lookup of a unit by name, and the parsing of
// compound unit texts such as "N/mm2" or "kg·m/s²". Every table is built once, on first use.

#include "Engine/MeasureUnit.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vell {

struct UnitRegistry {
    struct Row {
        MeasureUnit unit;
        std::vector<std::string> aliases;
    };

    // The 70 rows of the built-in table, in table order.
    static const std::vector<Row>& table();
    // Every alias of every row, longest first (in characters; table order among equals).
    static const std::vector<std::string>& allAliases();
    // The aliases that contain "/" ("m/s", "km/h"): the lexer keeps them in one piece.
    static const std::unordered_set<std::string>& slashSymbols();
    // "¹" -> 1 ... "⁹" -> 9 (no superscript zero or minus).
    static const std::unordered_map<std::string, int>& superscriptValues();

    // The unit named by an alias: exactly, else (for texts of two characters or more) through the
    // lower-cased aliases. The text is not trimmed.
    static std::optional<MeasureUnit> lookup(std::string_view text);
    // One factor of a compound text: "mm2", "s²", "m^-1". None for anything else, and for °C or °F.
    static std::optional<MeasureUnit::Component> parseFactor(std::string_view text);
    // "N/mm2", "km/h", "m/s/s", "kg*m": at most three "/" parts of "*", "·" or "×" factors.
    static std::optional<MeasureUnit> parseCompound(std::string_view text);
    // A table alias (lookup), else a compound unit text (parseCompound). The answer for each text is
    // kept, per thread, so that a unit written on many lines is looked up and built once.
    static std::optional<MeasureUnit> find(std::string_view text);
    // A table alias or a compound unit text.
    static bool isUnit(std::string_view text);

    // Whole-text decimal integer: an optional "+" or "-", then one or more ASCII digits, within the
    // signed 64-bit range.
    static std::optional<std::int64_t> parseInteger(std::string_view text);
};

} // namespace vell
