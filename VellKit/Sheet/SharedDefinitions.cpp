#include "Sheet/SharedDefinitions.h"

#include "Engine/LanguageWords.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/Program.h"
#include "Sheet/SheetText.h"
#include "Unicode/Decimal.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vell {

std::string SharedDefinitions::outline(std::string_view text) {
    // Most sheets define nothing, and the search is far cheaper than going through their lines.
    if (text.find(LanguageWords::defWord) == std::string_view::npos) return {};
    const std::vector<std::string_view> lines = DocumentEvaluator::splitLines(text);
    std::string out;
    const auto take = [&](std::size_t index) {
        out += decimal(static_cast<std::int64_t>(index));
        out += ':';
        out += lines[index];
        out += '\n';
    };
    // The lines a line stands under: each the nearest line before it with a smaller indent.
    struct Open {
        int indent;
        std::size_t index;
    };
    std::vector<Open> open;
    std::optional<int> bodyIndent;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string_view trimmed = SheetText::trimmed(lines[index]);
        const bool skipped = trimmed.empty() || SheetText::isNote(trimmed);
        const int indent = skipped ? 0 : Program::indentWidth(lines[index]);
        if (bodyIndent) {
            if (skipped || indent > *bodyIndent) {
                take(index);
                continue;
            }
            bodyIndent.reset();
        }
        if (skipped) continue;
        while (!open.empty() && open.back().indent >= indent)
            open.pop_back();
        if (trimmed.starts_with(LanguageWords::defWord)) {
            for (const Open& header : open)
                take(header.index);
            take(index);
            bodyIndent = indent;
        }
        open.push_back({indent, index});
    }
    return out;
}

} // namespace vell
