// Calls of the built-in functions: the arguments are evaluated, offered to the user's functions
// first, checked for their kinds, and handed to the built-in of that name in either family.

#include "Engine/BuiltinSupport.h"
#include "Engine/CalcError.h"
#include "Engine/Evaluator.h"
#include "Engine/L10n.h"
#include "Unicode/Unicode.h"

#include <unordered_map>

namespace vell {

namespace {

std::string lowerCased(std::string_view name) {
    if (!unicode::isAscii(name)) return unicode::toLower(name);
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

struct BuiltinEntry {
    builtins::Builtin builtin;
    bool takesLists;
};

// The built-in of every lower-cased name, and whether it takes lists and texts.
const std::unordered_map<std::string_view, BuiltinEntry>& builtinTable() {
    static const std::unordered_map<std::string_view, BuiltinEntry> table = [] {
        std::unordered_map<std::string_view, BuiltinEntry> built;
        for (const std::string_view name : Evaluator::builtinNames) {
            builtins::Builtin builtin = builtins::numericBuiltin(name);
            if (!builtin) builtin = builtins::aggregateBuiltin(name);
            if (builtin)
                built.emplace(name, BuiltinEntry{builtin, Evaluator::listTakingFunctions().contains(name)});
        }
        return built;
    }();
    return table;
}

} // namespace

const std::unordered_set<std::string_view>& Evaluator::listTakingFunctions() {
    static const std::unordered_set<std::string_view> names{"len", "str", "list",    "sort", "reverse",
                                                            "sum", "avg", "average", "min",  "max"};
    return names;
}

Value Evaluator::callFunction(std::string_view name, const std::vector<ExprPtr>& arguments) const {
    std::vector<Value> values;
    values.reserve(arguments.size());
    for (const auto& argument : arguments) {
        Value value = evaluate(*argument);
        if (value.isPercent) value = value.percentResolved();
        values.push_back(std::move(value));
    }

    if (auto answer = context_->callUserFunction(name, values)) return std::move(*answer);

    const std::string lower = lowerCased(name);
    // Every built-in in one table: one look-up for the common case.
    if (const auto found = builtinTable().find(lower); found != builtinTable().end()) {
        if (!found->second.takesLists)
            for (const auto& value : values)
                if (!value.isNumber()) throw CalcError(builtins::argumentKindError(name, value));
        return found->second.builtin(name, values);
    }
    if (!listTakingFunctions().contains(lower)) {
        for (const auto& value : values) {
            if (!value.isNumber()) throw CalcError(builtins::argumentKindError(name, value));
        }
    }
    builtins::Builtin builtin = builtins::numericBuiltin(lower);
    if (!builtin) builtin = builtins::aggregateBuiltin(lower);
    if (!builtin) {
        const std::string written(name);
        throw CalcError(
            L10n::text(written + " という関数はありません", "There is no function named " + written));
    }
    return builtin(name, values);
}

namespace builtins {

std::string argumentKindError(std::string_view name, const Value& argument) {
    const std::string written(name);
    const auto noun = argument.kindName();
    return L10n::text(written + " に" + noun + "は渡せません", written + " can’t take " + noun);
}

const Value& singleArgument(const Arguments& arguments, std::string_view name) {
    if (arguments.size() != 1) {
        const std::string written(name);
        throw CalcError(L10n::text(written + " は引数が 1 つ必要です", written + " needs one argument"));
    }
    return arguments.front();
}

} // namespace builtins

} // namespace vell
