#include "Engine/CalcError.h"
#include "Engine/Lexer.h"
#include "LineRules/LineEditor.h"
#include "LineRules/LineText.h"
#include "Unicode/Unicode.h"

#include <algorithm>

namespace vell {

using namespace linetext;

namespace {

// A digit of a number run: ASCII, or full width as an input method commits it (the lexer reads both).
bool isRunDigit(char16_t u) {
    return isDigit(u) || (u >= u'０' && u <= u'９');
}

bool isDigitAt(std::u16string_view text, std::size_t position) {
    return position < text.size() && isRunDigit(text[position]);
}

// A "," that sits between digits with exactly three digits after it, as in "1,234".
bool isGroupingComma(std::u16string_view text, std::size_t position) {
    return text[position] == u',' && position >= 1 && isRunDigit(text[position - 1]) &&
           isDigitAt(text, position + 1) && isDigitAt(text, position + 2) && isDigitAt(text, position + 3) &&
           !isDigitAt(text, position + 4);
}

// One to three characters, then groups of exactly three.
bool wellFormed(const std::vector<std::u16string_view>& groups) {
    if (groups.front().empty() || groups.front().size() > 3) return false;
    return std::all_of(groups.begin() + 1, groups.end(), [](std::u16string_view g) { return g.size() == 3; });
}

std::vector<std::u16string_view> splitAtCommas(std::u16string_view text) {
    std::vector<std::u16string_view> groups;
    std::size_t start = 0;
    for (;;) {
        const std::size_t found = text.find(u',', start);
        if (found == std::u16string_view::npos) break;
        groups.push_back(text.substr(start, found - start));
        start = found + 1;
    }
    groups.push_back(text.substr(start));
    return groups;
}

// Inside the parentheses of a call or the brackets of a list a "," may separate arguments or
// items just as well as group digits ("max(5,1234)", "sqrt(12345)"), so a regrouping there could
// merge two numbers into one or split one into two. `prefix` is the line up to the number.
bool insideCallOrList(std::u16string_view prefix) {
    const bool plain = std::all_of(prefix.begin(), prefix.end(), [](char16_t u) { return u < 0x80; });
    if (plain && prefix.find_first_of(u"([") == std::u16string_view::npos) return false;
    std::vector<Token> tokens;
    try {
        tokens = Lexer::tokenize(toUtf8(prefix));
    } catch (const CalcError&) {
        return true; // unreadable: leave the digits as typed
    }
    std::vector<bool> open; // one per open bracket: true for a call's or a list's
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        switch (tokens[i].kind) {
        case Token::Kind::lparen:
            open.push_back(i > 0 && tokens[i - 1].kind == Token::Kind::identifier);
            break;
        case Token::Kind::lbracket:
            open.push_back(true);
            break;
        case Token::Kind::rparen:
        case Token::Kind::rbracket:
            if (!open.empty()) open.pop_back();
            break;
        default:
            break;
        }
    }
    return std::find(open.begin(), open.end(), true) != open.end();
}

bool inCode(std::u16string_view text, std::size_t caret) {
    const std::size_t start = lineStart(text, caret);
    if (caret == start) return true;
    const std::u16string_view line = text.substr(start, lineBreak(text, caret) - start);
    const std::size_t target = caret - start;
    const std::vector<std::size_t> bounds = characterBoundaries(line);
    const std::size_t count = bounds.size() - 1;
    std::size_t i = 0;
    while (i < count && bounds[i] < target) {
        const std::size_t from = bounds[i];
        const std::size_t to = bounds[i + 1];
        if (to == from + 1 && line[from] == u'/' && i + 1 < count && bounds[i + 2] == to + 1 &&
            line[to] == u'/')
            return false;
        if (quoteFamilyOf(line, from, to) != 0) {
            // A run that ends on a later line, or never, lies open past the caret.
            const QuotedRun run = scanQuoted(line, bounds, i);
            if (!run.closed || bounds[run.end] > target) return false;
            i = run.end;
            continue;
        }
        ++i;
    }
    return true;
}

} // namespace

std::optional<std::int64_t> LineEditor::quotedEnd(std::u16string_view text, std::int64_t from) {
    if (from < 0 || static_cast<std::size_t>(from) >= text.size()) return std::nullopt;
    const std::u16string_view rest = text.substr(static_cast<std::size_t>(from));
    const std::vector<std::size_t> bounds = characterBoundaries(rest);
    if (quoteFamilyOf(rest, bounds[0], bounds[1]) == 0) return std::nullopt;
    const QuotedRun run = scanQuoted(rest, bounds, 0);
    return from + static_cast<std::int64_t>(bounds[run.end]);
}

bool LineEditor::shouldShowMultiplyAsCross(std::u16string_view text, std::int64_t caret) {
    return inCode(text, clamp(text, caret));
}

std::u16string LineEditor::newlineIndent(std::u16string_view text, std::int64_t caret) {
    const std::size_t c = clamp(text, caret);
    const std::size_t start = lineStart(text, c);
    const std::u16string_view part = text.substr(start, c - start);
    std::size_t indentEnd = 0;
    while (indentEnd < part.size() &&
           (part[indentEnd] == u' ' || part[indentEnd] == u'\t' || part[indentEnd] == u'\u3000'))
        ++indentEnd;
    std::u16string indent(part.substr(0, indentEnd));
    std::size_t end = part.size();
    while (end > 0 && unicode::isWhiteSpace(part[end - 1]))
        --end;
    if (end > 0 && (part[end - 1] == u':' || part[end - 1] == u'\uFF1A')) indent += u"    ";
    return indent;
}

std::optional<std::u16string> LineEditor::multiplySignInsertion(std::u16string_view text,
                                                                std::int64_t caret) {
    const std::size_t c = clamp(text, caret);
    if (!inCode(text, c)) return std::nullopt;
    if (c == 0 || text[c - 1] == u' ' || text[c - 1] == u'\n' || text[c - 1] == u'\t') return u"\u00D7 ";
    return u" \u00D7 ";
}

std::u16string LineEditor::spacedSnippet(std::u16string_view snippet, std::u16string_view text,
                                         std::int64_t caret, bool joinsWithPlus) {
    const auto joins = [](char32_t c) { return c == U'_' || isLetter(c) || isNumeric(c); };
    std::u16string out(snippet);
    if (snippet.empty() || !joins(scalarAt(snippet, 0))) return out;
    const std::size_t c = clamp(text, caret);
    if (c == 0) return out;
    // A character is judged by its first scalar, so "é" written with a combining accent is a letter.
    const char32_t before = scalarAt(text, characterAround(text, c - 1).start);
    if (!joins(before)) return out;
    // Digits typed one after another make one number ("1" then "2" is 12), also in full width.
    const auto digit = [](char32_t s) { return isDigit(s) || (s >= U'０' && s <= U'９'); };
    if (digit(before) && digit(scalarAt(snippet, 0))) return out;
    return (joinsWithPlus ? u" + " : u" ") + out;
}

std::u16string LineEditor::groupedDigits(std::u16string_view number) {
    const std::size_t point = number.find(u'.');
    const std::u16string_view integer = number.substr(0, point);
    const std::u16string_view rest =
        point == std::u16string_view::npos ? std::u16string_view{} : number.substr(point);
    std::u16string digits;
    digits.reserve(integer.size());
    for (const char16_t u : integer) {
        if (u == u',') continue;
        if (!isRunDigit(u)) return std::u16string(number);
        digits.push_back(u);
    }
    if (digits.empty()) return std::u16string(number);
    std::u16string out;
    out.reserve(digits.size() + digits.size() / 3 + rest.size());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(u',');
        out.push_back(digits[i]);
    }
    out += rest;
    return out;
}

std::optional<LineEditor::Regrouping> LineEditor::digitGrouping(std::u16string_view text, TextRange editRange,
                                                                std::u16string_view replacement) {
    if (!std::all_of(replacement.begin(), replacement.end(), isRunDigit)) return std::nullopt;
    if (editRange.location < 0 || editRange.length < 0 ||
        editRange.location > static_cast<std::int64_t>(text.size()) - editRange.length)
        return std::nullopt;
    const std::size_t L = static_cast<std::size_t>(editRange.location);
    const std::size_t E = L + static_cast<std::size_t>(editRange.length);
    const std::u16string_view replaced = text.substr(L, E - L);
    if (!std::all_of(replaced.begin(), replaced.end(),
                     [](char16_t u) { return isRunDigit(u) || u == u',' || u == u'.'; }))
        return std::nullopt;
    if (!inCode(text.substr(0, L), L)) return std::nullopt;

    // The number run around the edit; one "." at most is taken in, on either side.
    bool point = false;
    std::size_t S = L;
    while (S > 0) {
        const char16_t u = text[S - 1];
        if (isRunDigit(u) || (u == u',' && isGroupingComma(text, S - 1))) {
            --S;
        } else if (u == u'.' && !point && S >= 2 && isRunDigit(text[S - 2])) {
            point = true;
            --S;
        } else {
            break;
        }
    }
    std::size_t R = E;
    while (R < text.size()) {
        const char16_t u = text[R];
        if (isRunDigit(u) || (u == u',' && isGroupingComma(text, R))) {
            ++R;
        } else if (u == u'.' && !point && isDigitAt(text, R + 1)) {
            point = true;
            ++R;
        } else {
            break;
        }
    }

    // Leave malformed leading groups alone ("1234,567": only "567" belongs to the edit).
    {
        const std::u16string_view run = text.substr(S, R - S);
        std::vector<std::u16string_view> groups = splitAtCommas(run.substr(0, run.find(u'.')));
        std::size_t dropped = 0;
        while (groups.size() - dropped >= 2 &&
               !wellFormed(std::vector<std::u16string_view>(
                   groups.begin() + static_cast<std::ptrdiff_t>(dropped), groups.end()))) {
            S += groups[dropped].size() + 1;
            ++dropped;
        }
    }
    if (S > 0) {
        const char32_t before = scalarBefore(text, S);
        if (before == U'_' || before == U'#' || before == U'.' || isLetter(before)) return std::nullopt;
    }
    if (S > L) return std::nullopt;
    if (insideCallOrList(text.substr(lineStart(text, S), S - lineStart(text, S)))) return std::nullopt;

    std::u16string newRun(text.substr(S, L - S));
    newRun += replacement;
    const std::size_t insertedEnd = newRun.size();
    newRun += text.substr(E, R - E);
    std::u16string regrouped = groupedDigits(newRun);
    if (regrouped == newRun) return std::nullopt;

    const std::size_t n = static_cast<std::size_t>(
        std::count_if(newRun.begin(), newRun.begin() + static_cast<std::ptrdiff_t>(insertedEnd),
                      [](char16_t u) { return u != u','; }));
    std::size_t caret = 0;
    if (n > 0) {
        caret = regrouped.size();
        std::size_t seen = 0;
        for (std::size_t i = 0; i < regrouped.size(); ++i) {
            if (regrouped[i] != u',' && ++seen == n) {
                caret = i + 1;
                break;
            }
        }
    }
    return Regrouping{TextRange{static_cast<std::int64_t>(S), static_cast<std::int64_t>(R - S)},
                      std::move(regrouped), static_cast<std::int64_t>(S + caret)};
}

std::optional<std::int64_t> LineEditor::changedEnd(std::u16string_view before, std::u16string_view after) {
    if (before == after) return std::nullopt;
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < shorter - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    return static_cast<std::int64_t>(after.size() - suffix);
}

} // namespace vell
