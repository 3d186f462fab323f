#include "Sheet/PlotContext.h"

namespace vell {

std::optional<Value> PlotContext::lookupName(std::string_view name) {
    if (name == "x" || name == "X") return Value(x_);
    if (y_ && (name == "y" || name == "Y")) return Value(*y_);
    return base_->lookupName(name);
}

std::optional<Value> PlotContext::lineValue(std::int64_t line) {
    return base_->lineValue(line);
}

std::optional<Value> PlotContext::callUserFunction(std::string_view, const std::vector<Value>&) {
    return std::nullopt;
}

void PlotContext::reportWork(std::size_t units) {
    base_->reportWork(units);
}

} // namespace vell
