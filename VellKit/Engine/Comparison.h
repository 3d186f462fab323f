#pragma once

// How values compare under "==", "!=", "<", "<=", ">" and ">=", whether a value counts as true, and
// what an index in brackets selects from a list or a text. Pure functions of their arguments; the
// failures are CalcErrors.

#include "Engine/Value.h"

#include <string_view>
#include <vector>

namespace vell {

struct Comparison {
    // The plain number 1 or 0. Numbers compare at 13 significant digits, after percentages become
    // fractions and units are aligned; every other pair goes to compareNonNumbers.
    static Value compare(std::string_view op, const Value& left, const Value& right);
    // At least one side is not a number: texts and lists compare among themselves, other pairs are
    // unequal and cannot be ordered.
    static Value compareNonNumbers(std::string_view op, const Value& left, const Value& right);
    static bool listsEqual(const std::vector<Value>& left, const std::vector<Value>& right);
    // A number is true unless it is 0; a text or a list unless it is empty.
    static bool isTruthy(const Value& value);

    // base[index] on a list or a text; a negative index counts from the end.
    static Value evaluateIndex(const Value& base, const Value& index);
    static Value listItem(const std::vector<Value>& items, std::string_view label, double index);
    static Value textItem(const std::vector<std::string_view>& characters, std::string_view label,
                          double index);
};

} // namespace vell
