#pragma once

// One sheet's undo history: whole snapshots of its text and locks, grouped into undo steps by a fixed rule.

#include "Document/Date.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

// The undoable state of one sheet.
struct SheetSnapshot {
    std::string text;
    std::vector<std::int64_t> lockedLines;

    // Texts compare by canonical equivalence.
    friend bool operator==(const SheetSnapshot& a, const SheetSnapshot& b);
};

class SheetHistory {
public:
    static constexpr std::size_t limit = 200; // past snapshots kept
    static constexpr double coalesceWindow =
        0.9; // seconds after a step began in which a small change joins it

    explicit SheetHistory(SheetSnapshot current);

    bool canUndo() const { return !past_.empty(); }
    bool canRedo() const { return !future_.empty(); }
    bool matches(const SheetSnapshot& snapshot) const { return snapshot == current_; }

    // The sheet now holds `snapshot`; `at` is the moment of the change.
    void record(SheetSnapshot snapshot, Date at);
    // The snapshot to put into the sheet, or none when there is nothing to step to.
    std::optional<SheetSnapshot> undo();
    std::optional<SheetSnapshot> redo();

    // Characters equal to "\n"; a "\r\n" pair is one character and is not one of them.
    static std::size_t newlineCount(std::string_view text);

    const std::vector<SheetSnapshot>& past() const { return past_; }
    const std::vector<SheetSnapshot>& future() const { return future_; }
    const SheetSnapshot& current() const { return current_; }
    Date lastBreakAt() const { return lastBreakAt_; }
    bool forceBreak() const { return forceBreak_; }

private:
    void setCurrent(SheetSnapshot snapshot);

    std::vector<SheetSnapshot> past_;
    std::vector<SheetSnapshot> future_;
    SheetSnapshot current_;
    Date lastBreakAt_ = Date::distantPast;
    bool forceBreak_ = false;
    // Of current_, so a keystroke measures only the new text.
    std::size_t currentCharacters_ = 0;
    std::size_t currentNewlines_ = 0;
};

} // namespace vell
