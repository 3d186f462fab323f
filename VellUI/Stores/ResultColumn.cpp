#include "Stores/ResultColumn.h"

#include "Stores/AppSettings.h"

#include <algorithm>
#include <cmath>

namespace vell {

double ResultColumn::cap(std::optional<double> available) {
    if (!available || !(*available > 0)) return maximum;
    return std::min(maximum, std::max(minimum, *available - 150));
}

void ResultColumn::setWidth(double proposed, std::optional<double> available, AppSettings& settings) {
    if (std::isnan(proposed)) return;
    const double width = std::min(cap(available), std::max(minimum, proposed));
    if (std::abs(width - settings.resultColumnWidth()) <= 0.5) return;
    settings.setResultColumnWidth(width);
}

} // namespace vell
