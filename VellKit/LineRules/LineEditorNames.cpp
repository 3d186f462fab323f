#include "Engine/CalcError.h"
#include "Engine/Evaluator.h"
#include "Engine/L10n.h"
#include "Engine/LanguageWords.h"
#include "Engine/Lexer.h"
#include "Engine/Parser.h"
#include "Engine/UnitRegistry.h"
#include "LineRules/LineEditor.h"
#include "LineRules/LineText.h"
#include "Unicode/Decimal.h"
#include "Unicode/Unicode.h"

#include <algorithm>

namespace vell {

using namespace linetext;

namespace {

// The name a line assigns, as the lexer reads it (UTF-8).
std::optional<std::string> statementName(std::u16string_view line) {
    const std::u16string_view trimmed = trimSpaces(line);
    if (trimmed.empty()) return std::nullopt;
    try {
        Parser parser(Lexer::tokenize(toUtf8(trimmed)));
        return parser.parseStatement().name;
    } catch (const CalcError&) {
        return std::nullopt;
    }
}

std::optional<std::size_t> lineIndexIn(const std::vector<std::u16string_view>& lines,
                                       std::int64_t lineIndex) {
    if (lineIndex < 0 || static_cast<std::size_t>(lineIndex) >= lines.size()) return std::nullopt;
    return static_cast<std::size_t>(lineIndex);
}

// The line rewritten to assign `name`. Its indentation stays: it places the line in its program block.
std::optional<std::u16string> namedLine(std::u16string_view line, std::u16string_view name) {
    const std::u16string_view expression = trimSpaces(line);
    if (expression.empty()) return std::nullopt;
    std::u16string out(leadingSpaces(line));
    out += name;
    out += u" = ";
    // A line that starts with an operator continues the answer above; named, it must say so.
    static constexpr std::u16string_view continuing = u"+-*/^\u00D7\u00F7";
    if (continuing.find(expression.front()) != std::u16string_view::npos) {
        out += toUtf16(LanguageWords::previousWord);
        out += u' ';
    }
    out += expression;
    return out;
}

std::u16string withLineReplaced(const std::vector<std::u16string_view>& lines, std::size_t index,
                                std::u16string replacement) {
    std::vector<std::u16string> parts(lines.begin(), lines.end());
    parts[index] = std::move(replacement);
    return joinLines(parts);
}

std::string normalizedName(std::u16string_view proposed) {
    return Lexer::normalize(toUtf8(trimSpaces(proposed)));
}

bool containsWord(const std::unordered_set<std::string>& words, const std::string& name,
                  const std::string& lower) {
    return words.contains(name) || words.contains(lower);
}

std::string builtInWordMessage(const std::string& name) {
    return L10n::text("「" + name + "」はもともとある言葉なので使えません",
                      "“" + name + "” is a built-in word and can’t be used");
}

std::optional<std::string> problemOf(const std::string& name, const std::vector<std::u16string_view>& lines,
                                     std::int64_t lineIndex) {
    if (name.empty()) return L10n::text("名前を入れてください", "Enter a name");

    bool oneIdentifier = false;
    try {
        const std::vector<Token> tokens = Lexer::tokenize(name);
        oneIdentifier = tokens.size() == 2 && tokens[0].kind == Token::Kind::identifier &&
                        tokens[0].text == name && tokens[1].kind == Token::Kind::eof;
    } catch (const CalcError&) {
        oneIdentifier = false;
    }
    if (!oneIdentifier)
        return L10n::text("名前には文字と数字だけが使えます（先頭は文字）",
                          "Names can use only letters and digits (starting with a letter)");

    const std::string lower = unicode::toLower(name);
    // The program language's keywords count as built-in words too: "if = 3 + 4" would stop being
    // a calculation.
    if (containsWord(LineEditor::reservedNames(), name, lower) ||
        containsWord(LineEditor::keywords(), name, lower) || LanguageWords::isReserved(name) ||
        LanguageWords::isReserved(lower))
        return builtInWordMessage(name);

    const auto& functions = Evaluator::builtinNames;
    if (std::find(functions.begin(), functions.end(), lower) != functions.end())
        return L10n::text("「" + name + "」は関数の名前なので使えません",
                          "“" + name + "” is a function name and can’t be used");

    const auto& constants = Evaluator::constants();
    if (constants.contains(name) || constants.contains(lower))
        return L10n::text("「" + name + "」は定数の名前なので使えません",
                          "“" + name + "” is a constant name and can’t be used");

    if (UnitRegistry::isUnit(name))
        return L10n::text("「" + name + "」は単位なので使えません",
                          "“" + name + "” is a unit and can’t be used");

    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (static_cast<std::int64_t>(k) == lineIndex) continue;
        if (statementName(lines[k]) == name) {
            const std::string line = decimal(static_cast<std::int64_t>(k) + 1);
            return L10n::text("「" + name + "」は " + line + " 行目で使っています",
                              "“" + name + "” is already used on line " + line);
        }
    }
    return std::nullopt;
}

// A trimmed line the sheet reads as a note: "//", "＃", or "#" not followed by a digit ("#3 * 2" refers to
// line 3). The sheet evaluator applies the same rule.
bool isNote(std::u16string_view trimmed) {
    if (trimmed.starts_with(u"//") || trimmed.starts_with(u"\uFF03")) return true;
    return trimmed.starts_with(u'#') && (trimmed.size() == 1 || !isDigit(trimmed[1]));
}

bool startsIdentifier(char32_t c) {
    return c == U'_' || c == U'°' || c == U'¥' || c == U'￥' || c == U'$' || c == U'€' || c == U'℃' ||
           c == U'℉' || isLetter(c);
}

bool isMultiplier(char32_t c) {
    return c == U'千' || c == U'万' || c == U'億' || c == U'兆';
}

// An identifier as written names `oldName` when it is that name, or when the lexer reads it so
// (full-width letters and digits).
bool namesOld(std::u16string_view identifier, std::u16string_view oldName) {
    if (identifier == oldName) return true;
    if (std::all_of(identifier.begin(), identifier.end(), [](char16_t u) { return u < 0x80; })) return false;
    return Lexer::normalize(toUtf8(identifier)) == toUtf8(oldName);
}

// A line in UTF-8 for the lexer, with the UTF-16 offset of every byte's scalar in the line it came from.
struct Utf8Line {
    std::string text;
    std::vector<std::size_t> utf16Offsets; // one per byte, then the line's length
};

Utf8Line utf8Line(std::u16string_view line) {
    Utf8Line out;
    out.text.reserve(line.size());
    for (std::size_t i = 0; i < line.size();) {
        char32_t c = scalarAt(line, i);
        const std::size_t units = c >= 0x10000 ? 2 : 1;
        if (c >= 0xD800 && c <= 0xDFFF) c = unicode::replacementCharacter; // a lone surrogate
        unicode::appendUtf8(out.text, c);
        out.utf16Offsets.resize(out.text.size(), i);
        i += units;
    }
    out.utf16Offsets.push_back(line.size());
    return out;
}

// Every identifier token the lexer reads as `oldName` replaced; none when the lexer cannot read the line.
// Deciding by the lexer keeps an exponent ("1e5"), a name with superscript or full-width digits ("a⁴",
// "a２") and a unit symbol ("km/h") whole, and finds the name written in full-width letters.
std::optional<std::u16string> renamedByLexer(std::u16string_view line, std::u16string_view oldName,
                                             std::u16string_view newName) {
    const Utf8Line typed = utf8Line(line);
    std::vector<Token> tokens;
    try {
        tokens = Lexer::tokenize(typed.text);
    } catch (const CalcError&) {
        return std::nullopt;
    }
    const std::string old = Lexer::normalize(toUtf8(oldName));
    const Lexer::LineMap map = Lexer::lineMap(typed.text);
    std::u16string out;
    out.reserve(line.size());
    std::size_t copied = 0;
    for (const Token& token : tokens) {
        if (!token.isName(old)) continue;
        const std::size_t startByte = map.characterOffsets[token.start];
        const std::size_t from = typed.utf16Offsets[map.sourceOffsets[startByte]];
        const std::size_t to = typed.utf16Offsets[map.sourceOffsets[startByte + token.text.size()]];
        out += line.substr(copied, from - copied);
        out += newName;
        copied = to;
    }
    out += line.substr(copied);
    return out;
}

} // namespace

std::optional<std::u16string> LineEditor::name(std::u16string_view text, std::int64_t lineIndex) {
    const std::vector<std::u16string_view> lines = splitLines(text);
    const auto index = lineIndexIn(lines, lineIndex);
    if (!index) return std::nullopt;
    const auto found = statementName(lines[*index]);
    if (!found) return std::nullopt;
    return toUtf16(*found);
}

std::u16string LineEditor::freshName(std::u16string_view text) {
    for (std::int64_t n = 1;; ++n) {
        std::u16string candidate = u"x" + toUtf16(decimal(n));
        if (text.find(candidate) == std::u16string_view::npos) return candidate;
    }
}

std::optional<LineEditor::NamedLine> LineEditor::ensureName(std::u16string_view text,
                                                            std::int64_t lineIndex) {
    const std::vector<std::u16string_view> lines = splitLines(text);
    const auto index = lineIndexIn(lines, lineIndex);
    if (!index || trimSpaces(lines[*index]).empty()) return std::nullopt;
    if (const auto existing = statementName(lines[*index]))
        return NamedLine{std::u16string(text), toUtf16(*existing)};
    std::u16string fresh = freshName(text);
    auto line = namedLine(lines[*index], fresh);
    if (!line) return std::nullopt;
    return NamedLine{withLineReplaced(lines, *index, std::move(*line)), std::move(fresh)};
}

std::optional<std::string> LineEditor::nameProblem(std::u16string_view proposed, std::u16string_view text,
                                                   std::int64_t lineIndex) {
    return problemOf(normalizedName(proposed), splitLines(text), lineIndex);
}

std::optional<std::u16string> LineEditor::setName(std::u16string_view text, std::int64_t lineIndex,
                                                  std::u16string_view proposed) {
    const std::string name = normalizedName(proposed);
    const std::vector<std::u16string_view> lines = splitLines(text);
    if (problemOf(name, lines, lineIndex)) return std::nullopt;
    const auto index = lineIndexIn(lines, lineIndex);
    if (!index) return std::nullopt;
    const std::u16string newName = toUtf16(name);
    if (const auto current = statementName(lines[*index])) {
        if (*current == name) return std::u16string(text);
        return renameIdentifier(text, toUtf16(*current), newName);
    }
    auto line = namedLine(lines[*index], newName);
    if (!line) return std::nullopt;
    return withLineReplaced(lines, *index, std::move(*line));
}

std::u16string LineEditor::renameIdentifier(std::u16string_view text, std::u16string_view oldName,
                                            std::u16string_view newName) {
    if (oldName == newName || oldName.empty() || newName.empty()) return std::u16string(text);
    const std::vector<std::u16string_view> lines = splitLines(text);
    std::vector<std::u16string> renamed;
    renamed.reserve(lines.size());
    for (const std::u16string_view line : lines) {
        renamed.push_back(isNote(trimSpaces(line)) ? std::u16string(line)
                                                   : renameInLine(line, oldName, newName));
    }
    return joinLines(renamed);
}

std::u16string LineEditor::renameInLine(std::u16string_view line, std::u16string_view oldName,
                                        std::u16string_view newName) {
    if (auto renamed = renamedByLexer(line, oldName, newName)) return std::move(*renamed);
    // A line the lexer rejects (a stray character, an open quote) is still the user's calculation in the
    // making: its words are found by their letters.
    const std::vector<std::size_t> bounds = characterBoundaries(line);
    const std::size_t count = bounds.size() - 1;
    // The sole unit of a one-unit character, 0 for a longer one: ASCII tests must not match "5"
    // carrying a combining mark.
    const auto sole = [&](std::size_t i) -> char32_t {
        return i < count && bounds[i + 1] == bounds[i] + 1 ? line[bounds[i]] : 0;
    };
    const auto first = [&](std::size_t i) { return scalarAt(line, bounds[i]); };

    std::u16string out;
    out.reserve(line.size());
    std::size_t i = 0;
    while (i < count) {
        const std::size_t from = i;
        if (quoteFamilyOf(line, bounds[i], bounds[i + 1]) != 0) {
            i = scanQuoted(line, bounds, i).end;
        } else if (isDigit(sole(i)) || (sole(i) == U'.' && isDigit(sole(i + 1)))) {
            while (i < count &&
                   (isDigit(sole(i)) || sole(i) == U'.' || sole(i) == U',' || isMultiplier(sole(i))))
                ++i;
        } else if (startsIdentifier(first(i))) {
            const bool takesDigits = first(i) == U'_' || isLetter(first(i));
            ++i;
            while (i < count) {
                const char32_t c = first(i);
                const bool continues = startsIdentifier(c) || sole(i) == U'²' || sole(i) == U'³' ||
                                       (takesDigits && isDigit(sole(i)));
                if (!continues) break;
                ++i;
            }
            const std::u16string_view identifier = line.substr(bounds[from], bounds[i] - bounds[from]);
            if (namesOld(identifier, oldName)) {
                out += newName;
                continue;
            }
        } else {
            ++i;
        }
        out += line.substr(bounds[from], bounds[i] - bounds[from]);
    }
    return out;
}

} // namespace vell
