#pragma once

// The surroundings of one curve sample or surface cell: x (and y on a surface) bound over the line's
// context. Functions defined with def are not callable inside a plotted expression.

#include "Engine/EvalContext.h"

#include <optional>

namespace vell {

class PlotContext final : public EvalContext {
public:
    // The base must outlive the context; a context is meant to live for one evaluation.
    PlotContext(EvalContext& base, double x, std::optional<double> y = std::nullopt)
        : base_(&base), x_(x), y_(y) {}

    EvalContext& base() const { return *base_; }
    double x() const { return x_; }
    std::optional<double> y() const { return y_; }

    std::optional<Value> lookupName(std::string_view name) override;
    std::optional<Value> lineValue(std::int64_t line) override;
    std::optional<Value> callUserFunction(std::string_view name,
                                          const std::vector<Value>& arguments) override;
    void reportWork(std::size_t units) override;

private:
    EvalContext* base_;
    double x_;
    std::optional<double> y_;
};

} // namespace vell
