#include "LineRules/EditGate.h"

#include "Document/SheetSize.h"

#include <algorithm>

namespace vell {

namespace {

// The bytes of that UTF-16 text in UTF-8, as the sheet keeps it: a surrogate pair is four, a lone
// surrogate the three of the replacement character.
std::size_t utf8Size(std::u16string_view text) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit < 0x80) {
            ++bytes;
        } else if (unit < 0x800) {
            bytes += 2;
        } else if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] < 0xE000) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3;
        }
    }
    return bytes;
}

// No unit takes more than three bytes in UTF-8: a text of that many units fits that many bytes.
constexpr std::size_t unitsThatAlwaysFit(std::size_t bytes) {
    return bytes / 3;
}

// Whether the text, its range replaced by the insertion, stays within SheetSize's limits. The text itself
// is within them, so only the lines the change touches can pass the line's limit; short texts and lines
// are passed without counting their bytes.
bool fitsAfter(std::u16string_view text, TextRange range, std::u16string_view insertion) {
    const auto from = static_cast<std::size_t>(range.location);
    const auto to = from + static_cast<std::size_t>(range.length);
    const std::u16string_view before = text.substr(0, from);
    const std::u16string_view after = text.substr(to);
    if (before.size() + insertion.size() + after.size() > unitsThatAlwaysFit(SheetSize::maxSheetBytes) &&
        utf8Size(before) + utf8Size(insertion) + utf8Size(after) > SheetSize::maxSheetBytes)
        return false;

    // The touched lines: from the start of the range's first line to the end of its last one.
    const std::size_t lastBreak = before.rfind(u'\n');
    const std::u16string_view head =
        before.substr(lastBreak == std::u16string_view::npos ? 0 : lastBreak + 1);
    const std::u16string_view tail = after.substr(0, std::min(after.find(u'\n'), after.size()));
    if (head.size() + insertion.size() + tail.size() <= unitsThatAlwaysFit(SheetSize::maxLineBytes))
        return true;
    std::size_t line = utf8Size(head);
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(insertion.find(u'\n', start), insertion.size());
        line += utf8Size(insertion.substr(start, end - start));
        if (end == insertion.size()) break;
        if (line > SheetSize::maxLineBytes) return false;
        line = 0;
        start = end + 1;
    }
    return line + utf8Size(tail) <= SheetSize::maxLineBytes;
}

// The decision for a change that touches no locked line, before its size is weighed.
EditGate::Decision decide(std::u16string_view text, TextRange range, std::u16string_view replacement,
                          const EditGate::Options& options) {
    using Decision = EditGate::Decision;
    using Verdict = EditGate::Verdict;
    std::u16string insertion = EditGate::normalizedLineBreaks(replacement);
    bool changed = insertion != replacement;
    if (insertion == u"*") {
        if (auto sign = LineEditor::multiplySignInsertion(text, range.location)) {
            insertion = std::move(*sign);
            changed = true;
        }
    }
    if (options.groupsDigits) {
        if (auto regrouping = LineEditor::digitGrouping(text, range, insertion))
            return Decision{Verdict::replace, regrouping->range, std::move(regrouping->text),
                            regrouping->location};
    }
    if (!changed) return Decision{Verdict::allow, range, {}, range.location};
    const auto caret = range.location + static_cast<std::int64_t>(insertion.size());
    return Decision{Verdict::replace, range, std::move(insertion), caret};
}

} // namespace

std::u16string EditGate::normalizedLineBreaks(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out.push_back(u'\n');
        } else if (c == u'\u2028' || c == u'\u2029' || c == u'\u0085') {
            out.push_back(u'\n');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

EditGate::Decision EditGate::vet(std::u16string_view text, TextRange range, std::u16string_view replacement,
                                 const Options& options) {
    if (!options.bypassLockCheck && LineEditor::editTouchesLockedLine(text, range, options.lockedLines))
        return Decision{Verdict::refuse, range, {}, range.location};
    range.location = std::clamp<std::int64_t>(range.location, 0, static_cast<std::int64_t>(text.size()));
    range.length =
        std::clamp<std::int64_t>(range.length, 0, static_cast<std::int64_t>(text.size()) - range.location);
    Decision decision = decide(text, range, replacement, options);
    const bool fits = decision.verdict == Verdict::allow ? fitsAfter(text, range, replacement)
                                                         : fitsAfter(text, decision.range, decision.text);
    if (!fits) return Decision{Verdict::tooLarge, range, {}, range.location};
    return decision;
}

} // namespace vell
