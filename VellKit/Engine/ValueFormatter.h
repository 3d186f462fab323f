#pragma once

// Turns values and numbers into the answer texts the user sees.

#include <string>

namespace vell {

class Value;

struct ValueFormatter {
    // Fixed-point decimal text: ASCII digits, "-" for a negative, "." before the decimals, optional ","
    // between groups of three integer digits. The decimals are cut to `maxFractionDigits`, rounding
    // half to even on the shortest decimal text that reads back as the number; no trailing zeros, and
    // a number that rounds to zero is "0".
    struct DecimalFormatter {
        bool grouping = false;
        int maxFractionDigits = 10;
        std::string format(double x) const;
    };

    // The answer text of a value: a text as it is, a list in brackets (texts inside it quoted, at most
    // 100 items shown), a number with its percent sign or unit. A text longer than
    // Value::maxTextBytes is cut there and ends with "…".
    static std::string format(const Value& value, bool grouping);
    // The text of a bare number: 13 significant digits, "—" for NaN, "∞"/"-∞", a short scientific form
    // at 1e15 and above and below 1e-9.
    static std::string formatNumber(double x, bool grouping);
    // The number rounded to 13 significant digits (halves away from zero) below 1e12 in magnitude;
    // larger numbers and non-finite ones unchanged, -0 becomes 0.
    static double clean(double x);
    // A fresh decimal formatter with the current EngineSettings' fraction digits.
    static DecimalFormatter makeFormatter(bool grouping);
};

} // namespace vell
