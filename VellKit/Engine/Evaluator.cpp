#include "Engine/Evaluator.h"

#include <numbers>

namespace vell {

bool Evaluator::useDegrees = false;

const std::unordered_map<std::string, double>& Evaluator::constants() {
    static const std::unordered_map<std::string, double> table{
        {"pi", std::numbers::pi},
        {"π", std::numbers::pi},
        {"PI", std::numbers::pi},
        {"e", std::numbers::e},
        {"tau", 2 * std::numbers::pi},
        {"τ", 2 * std::numbers::pi},
        {"True", 1.0},
        {"False", 0.0},
    };
    return table;
}

std::optional<double> Evaluator::constant(std::string_view name) {
    const auto& table = constants();
    const auto found = table.find(std::string(name));
    if (found == table.end()) return std::nullopt;
    return found->second;
}

} // namespace vell
