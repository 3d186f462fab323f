#include "Document/SheetHistory.h"

#include "Unicode/Unicode.h"

#include <algorithm>
#include <cstring>

namespace vell {

namespace {

constexpr std::int64_t coalesceMicroseconds =
    static_cast<std::int64_t>(SheetHistory::coalesceWindow * 1e6 + 0.5);

// The part in which two texts differ, widened to whole lines. Outside it both texts hold the same bytes,
// and since a line feed ends a character and joins with nothing after it, characters and line
// feeds can be counted on that part alone, and the texts are canonically equivalent exactly when the
// parts are.
struct ChangedLines {
    std::string_view before;
    std::string_view after;
};

// Compared a block at a time, which the library does far faster than byte by byte.
constexpr std::size_t block = 256;

std::size_t commonPrefix(std::string_view a, std::string_view b, std::size_t limit) {
    std::size_t length = 0;
    while (length + block <= limit && std::memcmp(a.data() + length, b.data() + length, block) == 0)
        length += block;
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

std::size_t commonSuffix(std::string_view a, std::string_view b, std::size_t limit) {
    std::size_t length = 0;
    while (length + block <= limit && std::memcmp(a.data() + a.size() - length - block,
                                                  b.data() + b.size() - length - block, block) == 0)
        length += block;
    while (length < limit && a[a.size() - 1 - length] == b[b.size() - 1 - length])
        ++length;
    return length;
}

ChangedLines changedLines(std::string_view before, std::string_view after) {
    const std::size_t shorter = std::min(before.size(), after.size());
    const std::size_t prefix = commonPrefix(before, after, shorter);
    const std::size_t suffix = commonSuffix(before, after, shorter - prefix);
    const std::size_t lineFeedBefore = prefix == 0 ? std::string_view::npos : before.rfind('\n', prefix - 1);
    const std::size_t start = lineFeedBefore == std::string_view::npos ? 0 : lineFeedBefore + 1;
    const std::size_t lineFeedAfter = before.find('\n', before.size() - suffix);
    const std::size_t tail = lineFeedAfter == std::string_view::npos ? 0 : before.size() - lineFeedAfter - 1;
    return {before.substr(start, before.size() - tail - start),
            after.substr(start, after.size() - tail - start)};
}

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
    const ChangedLines changed = changedLines(current_.text, snapshot.text);
    const bool sameLocks = snapshot.lockedLines == current_.lockedLines;
    if (sameLocks && unicode::canonicallyEqual(changed.before, changed.after)) return;
    const std::size_t characters =
        currentCharacters_ - unicode::graphemeCount(changed.before) + unicode::graphemeCount(changed.after);
    const std::size_t newlines =
        currentNewlines_ - newlineCount(changed.before) + newlineCount(changed.after);
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
