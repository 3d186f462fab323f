#include "Sheet/SheetTotal.h"

#include "Engine/CalcError.h"

#include <string>

namespace vell {

std::optional<Value> SheetTotal::of(const std::vector<LineResult>& results) {
    std::vector<const Value*> numbers;
    for (const LineResult& result : results) {
        const Value* value = result.outcome.as<Value>();
        if (value && value->isNumber()) numbers.push_back(value);
    }
    if (numbers.empty()) return std::nullopt;

    // Lengths and durations have no sum; metres and kilometres do (one signature).
    const std::string* signature = nullptr;
    for (const Value* value : numbers) {
        if (!value->unit) continue;
        if (!signature)
            signature = &value->unit->signature();
        else if (*signature != value->unit->signature())
            return std::nullopt;
    }

    Value total = *numbers.front();
    try {
        for (std::size_t i = 1; i < numbers.size(); ++i)
            total = Value::add(total, *numbers[i]);
    } catch (const CalcError&) {
        return std::nullopt;
    }
    return total;
}

} // namespace vell
