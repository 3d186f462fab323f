#pragma once

// Short unit conversions and arithmetic, each the one line of its sheet: the `lines` workload of
// LineBench and ProfileRun.

#include <string>
#include <string_view>

namespace vell::bench {

inline constexpr std::string_view shortLines[] = {
    "3 km in mile",
    "25 °C in °F",
    "1.5 kN/mm2 in N/mm2",
    "100 円 * 1.08",
    "2^10",
    "sqrt(2)",
    "12 * 4 + 7",
    "5 ft in cm",
    "60 mph in km/h",
    "2 h + 30 min",
    "1 坪 in m2",
    "3万 + 1500円",
    "10 kg in lb",
    "1 GB in MB",
    "72 km/h in m/s",
    "20% of 350",
    "1/3",
    "355 ml in l",
    "500 g × 3",
    "1.2 m × 3.4 m",
    "3 m2 in ft2",
    "3 h in min",
    "sin(30)",
    "round(2.5)",
    "abs(-7)",
    "8 inch in cm",
    "15 min in s",
    "1 mile in km",
    "0.5 l in ml",
    "2 days in h",
    "(3 + 4) × 5",
    "7 / 2",
    "1e3 + 1",
    "1,234 + 5",
    "9.81 m/s2 × 80 kg",
    "50 N in kN",
    "2.5 t in kg",
    "360 ° in rad",
    "log(1000)",
    "100 km / 8 l",
    "1.08 × 4,800円",
    "max(3, 9, 4)",
    "2 × pi",
};

// The lines as one sheet, as `vell-eval` evaluates them.
inline std::string shortLinesSheet() {
    std::string sheet;
    for (const std::string_view line : shortLines) {
        if (!sheet.empty()) sheet += '\n';
        sheet += line;
    }
    return sheet;
}

} // namespace vell::bench
