#pragma once

// Stateless text rules of one line of a sheet, shared by the editor, the document store and the
// sheet evaluator: typing aids, locked lines, caret moves, the sign toggle and line names.
//
// Texts are whole sheet texts in UTF-16 and positions are UTF-16 offsets, as the editor exchanges
// them; lines are the pieces between "\n" characters, numbered from 0. A character is a
// user-perceived character (grapheme cluster). No rule throws: positions outside a text are cut
// into it unless a rule says otherwise.

#include "Engine/LanguageWords.h"
#include "LineRules/CursorMove.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vell {

// A UTF-16 range of a text: where an edit replaces, or what a regrouping rewrites.
struct TextRange {
    std::int64_t location = 0;
    std::int64_t length = 0;

    friend bool operator==(const TextRange&, const TextRange&) = default;
};

struct LineEditor {
    // --- Words ---------------------------------------------------------------------------------

    // The words themselves, with their roles, are in Engine/LanguageWords.h.

    // The further alias of "sum": the sheet evaluator reads it as the block sum, and it is reserved.
    static constexpr std::string_view subtotalAlias = LanguageWords::subtotalAlias;

    // The eight words that refer to earlier answers and can never be used as names. Members are
    // tested by exact equality (callers that ignore case test the lower-cased word a second time).
    static const std::unordered_set<std::string>& specialNames();
    // The conversion words, "of", "x" and the special names: never a line's name.
    static const std::unordered_set<std::string>& reservedNames();
    // The 16 words shown as keywords (case matters).
    static const std::unordered_set<std::string>& keywords();

    // --- Typing aids ---------------------------------------------------------------------------

    // The offset after the closing quote of the quoted run whose opening quote is the character at
    // `from`; the text's length when the run is never closed; none when no quote stands at `from`.
    // A run is closed by an unescaped quote of its own family ("\" hides the next character), also
    // on a later line.
    static std::optional<std::int64_t> quotedEnd(std::u16string_view text, std::int64_t from);
    // True when the caret stands in code: outside a note ("//") and outside an open quoted text.
    static bool shouldShowMultiplyAsCross(std::u16string_view text, std::int64_t caret);
    // The indent to put after a "\n" typed at the caret: the line's leading spaces, tabs and
    // ideographic spaces before the caret, plus four spaces after a line ending in ":".
    static std::u16string newlineIndent(std::u16string_view text, std::int64_t caret);
    // What to insert instead of a typed "*": "× " or " × " in code, none elsewhere.
    static std::optional<std::u16string> multiplySignInsertion(std::u16string_view text, std::int64_t caret);
    // The snippet with " " (or " + " for a named value) in front when it would otherwise run into
    // the word or number before the caret. A digit after a digit goes in as it is: it continues the
    // number.
    static std::u16string spacedSnippet(std::u16string_view snippet, std::u16string_view text,
                                        std::int64_t caret, bool joinsWithPlus);

    // Replace `range` of the text before the edit by `text`, then put the caret at `location`.
    struct Regrouping {
        TextRange range;
        std::u16string text;
        std::int64_t location = 0;

        friend bool operator==(const Regrouping&, const Regrouping&) = default;
    };
    // The "," separators of the number around an edit of digits, put back in place; none when the
    // edit should go through as it is. Numbers inside a call's parentheses or a list's brackets are
    // left as typed: there a "," may as well separate two arguments. Full-width digits count as digits
    // and stay full width.
    static std::optional<Regrouping> digitGrouping(std::u16string_view text, TextRange editRange,
                                                   std::u16string_view replacement);
    // "1234567.891" -> "1,234,567.891"; anything whose integer part is not digits and "," comes back.
    static std::u16string groupedDigits(std::u16string_view number);
    // The end, in `after`, of the part in which the two texts differ; none for equal texts.
    static std::optional<std::int64_t> changedEnd(std::u16string_view before, std::u16string_view after);

    // --- Locked lines, caret moves, sign toggle ------------------------------------------------

    // True when replacing `editRange` (length 0: an insertion) would change a locked line or join
    // it with the line above.
    static bool editTouchesLockedLine(std::u16string_view text, TextRange editRange,
                                      const std::set<std::int64_t>& lockedLines);
    // The locks of `newText`: each lock follows the first identical line at or after the previous
    // match; ascending, without repeats.
    static std::vector<std::int64_t> remapLockedLines(const std::vector<std::int64_t>& lockedLines,
                                                      std::u16string_view oldText,
                                                      std::u16string_view newText);
    static std::int64_t move(CursorMove move, std::u16string_view text, std::int64_t caret);

    struct SignToggle {
        std::u16string text;
        std::int64_t location = 0;

        friend bool operator==(const SignToggle&, const SignToggle&) = default;
    };
    // Puts a "-" in front of the number that ends at the caret, or takes its sign "-" away.
    static SignToggle toggleSign(std::u16string_view text, std::int64_t caret);

    // --- Line names ----------------------------------------------------------------------------

    // The name the line assigns ("price" for "price = 1200").
    static std::optional<std::u16string> name(std::u16string_view text, std::int64_t lineIndex);
    // The first of "x1", "x2", ... that occurs nowhere in the text.
    static std::u16string freshName(std::u16string_view text);

    struct NamedLine {
        std::u16string text;
        std::u16string name;

        friend bool operator==(const NamedLine&, const NamedLine&) = default;
    };
    // The line's name, naming it first with a fresh name when it has none; none for a blank line
    // or an index outside the text.
    static std::optional<NamedLine> ensureName(std::u16string_view text, std::int64_t lineIndex);
    // Why the proposed name cannot name the line (a message in the user's language), or none.
    static std::optional<std::string> nameProblem(std::u16string_view proposed, std::u16string_view text,
                                                  std::int64_t lineIndex);
    // The text with the line named or renamed; none when the name is refused or the line is blank
    // or outside the text.
    static std::optional<std::u16string> setName(std::u16string_view text, std::int64_t lineIndex,
                                                 std::u16string_view proposed);
    // Every reference to `oldName` changed to `newName`, outside notes and quoted texts.
    static std::u16string renameIdentifier(std::u16string_view text, std::u16string_view oldName,
                                           std::u16string_view newName);
    // Every identifier that the engine's lexer reads as `oldName` replaced; a line the lexer rejects is
    // searched for the name word by word.
    static std::u16string renameInLine(std::u16string_view line, std::u16string_view oldName,
                                       std::u16string_view newName);
};

} // namespace vell
