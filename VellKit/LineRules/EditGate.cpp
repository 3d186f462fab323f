#include "LineRules/EditGate.h"

namespace vell {

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

    std::u16string insertion = normalizedLineBreaks(replacement);
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

} // namespace vell
