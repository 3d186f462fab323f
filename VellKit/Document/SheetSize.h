#pragma once

// Whether a sheet is too large to edit comfortably, and the part of it shown instead. The limits come
// from measuring the editor (LargeSheetKeystrokeBench): past them a key takes too long to leave room
// for a slower computer, mostly in Qt's layout of the text. Such a sheet is shown read-only and not
// evaluated.

#include <cstddef>
#include <string>
#include <string_view>

namespace vell {

struct SheetSize {
    static constexpr std::size_t maxSheetBytes = 512 * 1024;
    static constexpr std::size_t maxLineBytes = 64 * 1024;
    // What of such a sheet is shown: its first lines, each cut after this many bytes.
    static constexpr std::size_t shownLines = 1000;
    static constexpr std::size_t shownLineBytes = 2000;

    static bool tooLargeToEdit(std::string_view text);
    // Why an edit that would make a sheet too large to edit was refused, in the interface language.
    static std::string refusalMessage();
    // The beginning of the text: the first shownLines lines, each cut at shownLineBytes (on a character
    // boundary), "…" marking each cut and the lines left out.
    static std::string shownPart(std::string_view text);
};

} // namespace vell
