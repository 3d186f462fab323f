#include "LineRules/CursorMove.h"

namespace vell {

std::string_view CursorMoves::rawValue(CursorMove move) {
    switch (move) {
    case CursorMove::up:
        return "up";
    case CursorMove::down:
        return "down";
    case CursorMove::left:
        return "left";
    case CursorMove::right:
        return "right";
    case CursorMove::lineStart:
        return "lineStart";
    case CursorMove::lineEnd:
        return "lineEnd";
    }
    return "up";
}

std::optional<CursorMove> CursorMoves::fromRawValue(std::string_view raw) {
    for (const CursorMove move : allCases)
        if (rawValue(move) == raw) return move;
    return std::nullopt;
}

} // namespace vell
