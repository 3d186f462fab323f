#pragma once

// Internal to the built-in function sources (Builtins.cpp, NumericBuiltins.cpp,
// AggregateBuiltins.cpp): the argument steps they share and their tables by name.

#include "Engine/Value.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vell::builtins {

using Arguments = std::vector<Value>;
// `name` as written, for messages; the arguments evaluated and percent-resolved.
using Builtin = Value (*)(std::string_view name, const Arguments& arguments);

// By lower-case name; null for a name that is no function of the family.
Builtin numericBuiltin(std::string_view name);
Builtin aggregateBuiltin(std::string_view name);

// "sqrt can’t take a list": an argument of a kind the function does not take.
std::string argumentKindError(std::string_view name, const Value& argument);

// Argument steps; `name` is the function name as written.
const Value& singleArgument(const Arguments& arguments, std::string_view name);
double unitlessArgument(const Arguments& arguments, std::string_view name);
// The angle in radians: a unitless number in the angle setting's unit, or an angle unit.
double angleArgument(const Arguments& arguments, std::string_view name);
// An angle in the unit of the angle setting ("deg" or "rad").
Value angleResult(double radians);
// A plain number; infinity and NaN fail.
Value finiteResult(double x);
// Every number in the arguments and, at any depth, in their lists; a text fails.
std::vector<Value> flattenNumbers(std::string_view name, const Arguments& arguments);
// first + each of rest, the running total always on the left.
Value sumValues(const Value& first, std::span<const Value> rest);
// The items list, reverse and sort work on: the characters of a single text, the items of a
// single list, otherwise the arguments themselves.
std::vector<Value> characters(const Arguments& arguments);

} // namespace vell::builtins
