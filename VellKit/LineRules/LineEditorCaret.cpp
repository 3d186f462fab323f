#include "LineRules/LineEditor.h"
#include "LineRules/LineText.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <limits>

namespace vell {

using namespace linetext;

namespace {

// Line of a position: the number of "\n" before it.
std::int64_t lineOf(std::u16string_view text, std::size_t position) {
    return std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(position), u'\n');
}

bool isAscii(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t u) { return u < 0x80; });
}

// Canonical forms of the lines of one text, made when first asked for.
class CanonicalLines {
public:
    explicit CanonicalLines(const std::vector<std::u16string_view>& lines)
        : lines_(lines), forms_(lines.size()) {}

    const std::string& at(std::size_t index) {
        if (!forms_[index]) forms_[index] = unicode::nfc(toUtf8(lines_[index]));
        return *forms_[index];
    }

private:
    const std::vector<std::u16string_view>& lines_;
    std::vector<std::optional<std::string>> forms_;
};

bool isSignNumberCharacter(char16_t u) {
    return isDigit(u) || u == u'.' || u == u',' || u == u'万' || u == u'億' || u == u'兆' || u == u'千';
}

// Where a caret that lands inside a character goes: to that character's start.
std::size_t characterStartAt(std::u16string_view text, std::size_t position) {
    if (position == 0 || position >= text.size()) return position;
    return characterAround(text, position).start;
}

} // namespace

bool LineEditor::editTouchesLockedLine(std::u16string_view text, TextRange editRange,
                                       const std::set<std::int64_t>& lockedLines) {
    if (lockedLines.empty()) return false;
    const std::size_t from = clamp(text, editRange.location);
    const std::int64_t first = lineOf(text, from);
    std::int64_t last = first;
    if (editRange.length > 0) {
        const std::int64_t endOffset =
            editRange.location > std::numeric_limits<std::int64_t>::max() - editRange.length
                ? std::numeric_limits<std::int64_t>::max()
                : editRange.location + editRange.length;
        const std::size_t to = clamp(text, endOffset);
        last = first + lineOf(text.substr(from), to - from);
    }
    const auto locked = lockedLines.lower_bound(first);
    return locked != lockedLines.end() && *locked <= last;
}

std::vector<std::int64_t> LineEditor::remapLockedLines(const std::vector<std::int64_t>& lockedLines,
                                                       std::u16string_view oldText,
                                                       std::u16string_view newText) {
    std::vector<std::int64_t> result;
    if (lockedLines.empty()) return result;
    const std::vector<std::u16string_view> oldLines = splitLines(oldText);
    const std::vector<std::u16string_view> newLines = splitLines(newText);
    CanonicalLines canonicalNew(newLines);

    std::vector<std::int64_t> locks = lockedLines;
    std::sort(locks.begin(), locks.end());
    locks.erase(std::unique(locks.begin(), locks.end()), locks.end());

    std::size_t searchStart = 0;
    for (const std::int64_t lock : locks) {
        if (lock < 0 || static_cast<std::size_t>(lock) >= oldLines.size()) continue;
        const std::u16string_view line = oldLines[static_cast<std::size_t>(lock)];
        const bool ascii = isAscii(line);
        std::optional<std::string> canonical;
        for (std::size_t j = searchStart; j < newLines.size(); ++j) {
            bool same = newLines[j] == line;
            if (!same && !(ascii && isAscii(newLines[j]))) {
                if (!canonical) canonical = unicode::nfc(toUtf8(line));
                same = canonicalNew.at(j) == *canonical;
            }
            if (same) {
                result.push_back(static_cast<std::int64_t>(j));
                searchStart = j + 1;
                break;
            }
        }
    }
    return result;
}

std::int64_t LineEditor::move(CursorMove move, std::u16string_view text, std::int64_t caret) {
    const std::size_t c = clamp(text, caret);
    const std::size_t start = lineStart(text, c);
    const std::size_t contentEnd = lineBreak(text, c);
    const std::size_t end = contentEnd < text.size() ? contentEnd + 1 : text.size();
    std::size_t target = c;
    switch (move) {
    case CursorMove::up:
        if (start > 0) {
            const std::size_t previousStart = lineStart(text, start - 1);
            target = characterStartAt(text, std::min(previousStart + (c - start), start - 1));
        }
        break;
    case CursorMove::down:
        if (end < text.size()) {
            target = characterStartAt(text, std::min(end + (c - start), lineBreak(text, end)));
        } else if (!text.empty() && text.back() == u'\n' && c < text.size()) {
            target = text.size();
        }
        break;
    case CursorMove::left:
        target = c == 0 ? 0 : characterAround(text, c - 1).start;
        break;
    case CursorMove::right:
        target = c == text.size() ? c : characterAround(text, c).end;
        break;
    case CursorMove::lineStart:
        target = start;
        break;
    case CursorMove::lineEnd:
        target = contentEnd;
        break;
    }
    return static_cast<std::int64_t>(target);
}

LineEditor::SignToggle LineEditor::toggleSign(std::u16string_view text, std::int64_t caret) {
    const std::size_t c = clamp(text, caret);
    std::size_t start = c;
    while (start > 0 && isSignNumberCharacter(text[start - 1]))
        --start;
    std::u16string out(text);
    const auto location = static_cast<std::int64_t>(c);
    if (start < c && start > 0 && text[start - 1] == u'-') {
        const bool isSign =
            start == 1 || text[start - 2] == u' ' || text[start - 2] == u'\n' || text[start - 2] == u'(';
        if (isSign) {
            out.erase(start - 1, 1);
            return {std::move(out), location - 1};
        }
    }
    out.insert(start, 1, u'-');
    return {std::move(out), location + 1};
}

} // namespace vell
