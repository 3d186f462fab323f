#include "LineRules/SyntaxScan.h"

#include "Engine/Evaluator.h"
#include "Engine/UnitRegistry.h"
#include "LineRules/LineEditor.h"
#include "LineRules/LineText.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace vell {

using namespace linetext;

namespace {

bool isNumberCharacter(char32_t c) {
    return isDigit(c) || c == U'.' || c == U',' || c == U'万' || c == U'億' || c == U'兆' || c == U'千';
}

bool isSignStartingWord(char32_t c) {
    return c == U'_' || c == U'°' || c == U'¥' || c == U'$' || c == U'€' || c == U'℃';
}

bool isSuperscriptDigit(char32_t c) {
    return c == U'¹' || c == U'²' || c == U'³' || (c >= U'⁴' && c <= U'⁹');
}

bool isOperatorCharacter(char32_t c) {
    static constexpr std::u16string_view operators = u"+-*/^%=×÷→(),·[]";
    return c != 0 && c <= 0xFFFF && operators.find(static_cast<char16_t>(c)) != std::u16string_view::npos;
}

const std::unordered_set<std::string_view>& builtinNames() {
    static const std::unordered_set<std::string_view> names(Evaluator::builtinNames.begin(),
                                                            Evaluator::builtinNames.end());
    return names;
}

std::string lowerCased(const std::string& word) {
    if (!unicode::isAscii(word)) return unicode::toLower(word);
    std::string out = word;
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

} // namespace

SyntaxKind SyntaxScan::wordKind(std::u16string_view word) {
    const std::string text = toUtf8(word);
    if (LineEditor::keywords().contains(text)) return SyntaxKind::keyword;
    if (builtinNames().contains(lowerCased(text))) return SyntaxKind::function;
    if (UnitRegistry::isUnit(text)) return SyntaxKind::unit;
    return SyntaxKind::name;
}

std::vector<SyntaxRun> SyntaxScan::runs(std::u16string_view line) {
    std::vector<SyntaxRun> out;
    if (line.empty()) return out;
    const std::vector<std::size_t> bounds = characterBoundaries(line);
    const std::size_t count = bounds.size() - 1;
    // The one unit of a one-unit character, 0 for a longer one: a digit or an operator carrying a
    // combining mark is neither. Letters are told by the first scalar, marks and all.
    const auto sole = [&](std::size_t i) -> char32_t {
        return i < count && bounds[i + 1] == bounds[i] + 1 ? line[bounds[i]] : 0;
    };
    const auto first = [&](std::size_t i) { return scalarAt(line, bounds[i]); };
    const auto startsWord = [&](std::size_t i) { return isLetter(first(i)) || isSignStartingWord(sole(i)); };
    const auto add = [&](std::size_t from, std::size_t to, SyntaxKind kind) {
        out.push_back({static_cast<std::int64_t>(bounds[from]),
                       static_cast<std::int64_t>(bounds[to] - bounds[from]), kind});
    };

    std::size_t i = 0;
    while (i < count) {
        const std::size_t from = i;
        if (isDigit(sole(i)) || (sole(i) == U'.' && isDigit(sole(i + 1)))) {
            ++i;
            while (i < count && isNumberCharacter(sole(i)))
                ++i;
            add(from, i, SyntaxKind::number);
        } else if (quoteFamilyOf(line, bounds[i], bounds[i + 1]) != 0) {
            i = scanQuoted(line, bounds, i).end;
            add(from, i, SyntaxKind::quoted);
        } else if (startsWord(i)) {
            ++i;
            while (i < count && (startsWord(i) || isDigit(sole(i)) || isSuperscriptDigit(sole(i))))
                ++i;
            add(from, i, wordKind(line.substr(bounds[from], bounds[i] - bounds[from])));
        } else if (isOperatorCharacter(sole(i))) {
            ++i;
            add(from, i, SyntaxKind::operatorMark);
        } else {
            ++i;
        }
    }
    return out;
}

} // namespace vell
