#include "LineRules/AnswerReference.h"

#include "LineRules/LineEditor.h"

#include <algorithm>

namespace vell {

namespace {

std::int64_t lineStartOffset(std::u16string_view text, std::int64_t line) {
    std::int64_t current = 0;
    for (std::size_t i = 0; i < text.size() && current < line; ++i)
        if (text[i] == u'\n' && ++current == line) return static_cast<std::int64_t>(i) + 1;
    return line == 0 ? 0 : static_cast<std::int64_t>(text.size());
}

bool joinsWithoutSpace(char16_t before) {
    return std::u16string_view(u" \n+-*/^(").find(before) != std::u16string_view::npos;
}

} // namespace

std::int64_t AnswerReference::caretLine(std::u16string_view text, std::int64_t caret) {
    const auto end = static_cast<std::size_t>(std::clamp<std::int64_t>(caret, 0, std::ssize(text)));
    return std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), u'\n');
}

AnswerReference::Insertion AnswerReference::insert(std::u16string_view text, std::int64_t caret,
                                                   std::int64_t line,
                                                   const std::set<std::int64_t>& lockedLines) {
    const std::int64_t ownLine = caretLine(text, caret);
    if (ownLine == line) return {};
    if (lockedLines.contains(ownLine)) return {Outcome::refused, {}, 0};
    auto named = LineEditor::ensureName(text, line);
    if (!named) return {};

    std::int64_t s = caret;
    if (lineStartOffset(text, line) < s) s += std::ssize(named->text) - std::ssize(text);
    const std::int64_t p = std::clamp<std::int64_t>(s, 0, std::ssize(named->text));
    std::u16string inserted = named->name;
    if (p > 0 && !joinsWithoutSpace(named->text[static_cast<std::size_t>(p - 1)])) inserted.insert(0, u" ");
    std::u16string result = std::move(named->text);
    result.insert(static_cast<std::size_t>(p), inserted);
    return {Outcome::insert, std::move(result), p + std::ssize(inserted)};
}

std::optional<AnswerReference::Token> AnswerReference::token(std::u16string_view text, std::int64_t caret,
                                                             std::int64_t line) {
    auto named = LineEditor::ensureName(text, line);
    if (!named) return std::nullopt;
    const std::int64_t kept = std::clamp<std::int64_t>(caret, 0, std::ssize(named->text));
    return Token{std::move(named->text), std::move(named->name), kept};
}

} // namespace vell
