#pragma once

// The caret moves of the on-screen keypad.

#include <array>
#include <optional>
#include <string_view>

namespace vell {

enum class CursorMove {
    up,
    down,
    left,
    right,
    lineStart,
    lineEnd
};

struct CursorMoves {
    static constexpr std::array<CursorMove, 6> allCases{CursorMove::up,        CursorMove::down,
                                                        CursorMove::left,      CursorMove::right,
                                                        CursorMove::lineStart, CursorMove::lineEnd};
    static std::string_view rawValue(CursorMove move);
    // Exactly one of the six raw values; anything else is no move.
    static std::optional<CursorMove> fromRawValue(std::string_view raw);
};

} // namespace vell
