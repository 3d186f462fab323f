#include "Sheet/LineResult.h"

namespace vell {

bool operator==(const LineOutcome& a, const LineOutcome& b) {
    if (a.kind() != b.kind()) return false;
    if (const PlotSpec* plot = a.as<PlotSpec>())
        return plot == b.as<PlotSpec>() || *plot == *b.as<PlotSpec>();
    return a.node_ == b.node_;
}

std::string LineOutcome::debugDescription() const {
    switch (kind()) {
    case Case::value:
        return "value " + as<Value>()->debugDescription();
    case Case::plot: {
        const PlotSpec& spec = *as<PlotSpec>();
        return "plot " + std::string(PlotSpec::kindName(spec.kind)) + " \"" + spec.title + "\"";
    }
    case Case::failure:
        return "failure \"" + as<Failure>()->message + "\"";
    case Case::blank:
        return "blank";
    case Case::comment:
        return "comment";
    }
    return {};
}

std::string LineResult::debugDescription() const {
    return outcome.debugDescription() + (name ? " named " + *name : std::string());
}

} // namespace vell
