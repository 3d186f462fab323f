#include "Document/SheetHistory.h"

#include "Unicode/Unicode.h"

namespace vell {

namespace {

constexpr std::int64_t coalesceMicroseconds =
    static_cast<std::int64_t>(SheetHistory::coalesceWindow * 1e6 + 0.5);

} // namespace

bool operator==(const SheetSnapshot& a, const SheetSnapshot& b) {
    return a.lockedLines == b.lockedLines && unicode::canonicallyEqual(a.text, b.text);
}

SheetHistory::SheetHistory(SheetSnapshot current) {
    setCurrent(std::move(current));
}

std::size_t SheetHistory::newlineCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ++count;
    return count;
}

void SheetHistory::setCurrent(SheetSnapshot snapshot) {
    current_ = std::move(snapshot);
    currentCharacters_ = unicode::graphemeCount(current_.text);
    currentNewlines_ = newlineCount(current_.text);
}

void SheetHistory::record(SheetSnapshot snapshot, Date at) {
    // A keystroke measures the lines it changed, not the whole sheet.
    const unicode::DifferingLines changed = unicode::differingLines(current_.text, snapshot.text);
    const bool sameLocks = snapshot.lockedLines == current_.lockedLines;
    if (sameLocks && unicode::canonicallyEqual(changed.a, changed.b)) return;
    const std::size_t characters =
        currentCharacters_ - unicode::graphemeCount(changed.a) + unicode::graphemeCount(changed.b);
    const std::size_t newlines = currentNewlines_ - newlineCount(changed.a) + newlineCount(changed.b);
    const std::size_t difference =
        characters > currentCharacters_ ? characters - currentCharacters_ : currentCharacters_ - characters;
    const bool structural = newlines != currentNewlines_ || !sameLocks || difference > 1;
    if (!structural && !forceBreak_ && at.microsecondsSince(lastBreakAt_) < coalesceMicroseconds) {
        current_ = std::move(snapshot);
        currentCharacters_ = characters;
        return;
    }
    past_.push_back(std::move(current_));
    if (past_.size() > limit) past_.erase(past_.begin(), past_.end() - static_cast<std::ptrdiff_t>(limit));
    future_.clear();
    current_ = std::move(snapshot);
    currentCharacters_ = characters;
    currentNewlines_ = newlines;
    lastBreakAt_ = at;
    forceBreak_ = structural;
}

std::optional<SheetSnapshot> SheetHistory::undo() {
    if (past_.empty()) return std::nullopt;
    SheetSnapshot restored = std::move(past_.back());
    past_.pop_back();
    future_.push_back(std::move(current_));
    setCurrent(restored);
    lastBreakAt_ = Date::distantPast;
    return restored;
}

std::optional<SheetSnapshot> SheetHistory::redo() {
    if (future_.empty()) return std::nullopt;
    SheetSnapshot restored = std::move(future_.back());
    future_.pop_back();
    past_.push_back(std::move(current_));
    setCurrent(restored);
    lastBreakAt_ = Date::distantPast;
    return restored;
}

} // namespace vell
