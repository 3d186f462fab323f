#include "Document/SheetSize.h"

#include "Engine/L10n.h"

#include <cstring>

namespace vell {

namespace {

// Back from `at` to the start of a UTF-8 sequence.
std::size_t characterStart(std::string_view text, std::size_t at) {
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        --at;
    return at;
}

} // namespace

bool SheetSize::tooLargeToEdit(std::string_view text) {
    if (text.size() > maxSheetBytes) return true;
    // From the start of a line, the next maxLineBytes + 1 bytes hold a line break unless the line is too
    // long; every line before the last break among them fits. A step goes up to a line's length on.
    std::size_t start = 0;
    while (text.size() - start > maxLineBytes) {
        const void* found = memrchr(text.data() + start, '\n', maxLineBytes + 1);
        if (!found) return true;
        start = static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) + 1;
    }
    return false;
}

std::string SheetSize::refusalMessage() {
    return L10n::text("この変更をするとシートが大きすぎて編集できなくなるため、変更しませんでした。",
                      "This change would make the sheet too large to edit, so it was not made.");
}

std::string SheetSize::shownPart(std::string_view text) {
    static constexpr std::string_view ellipsis = "…";
    std::string out;
    std::size_t start = 0;
    for (std::size_t line = 0; start <= text.size(); ++line) {
        if (line == shownLines) {
            out += '\n';
            out += ellipsis;
            break;
        }
        const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
        const std::size_t end =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) : text.size();
        if (line > 0) out += '\n';
        if (end - start > shownLineBytes) {
            out.append(text.substr(start, characterStart(text, start + shownLineBytes) - start));
            out += ellipsis;
        } else {
            out.append(text.substr(start, end - start));
        }
        if (!found) break;
        start = end + 1;
    }
    return out;
}

} // namespace vell
