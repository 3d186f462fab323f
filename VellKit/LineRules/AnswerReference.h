#pragma once

// The text work behind a click on an answer (its line's name put in at the caret) and behind
// dragging an answer out (the line's name, naming the line first when it has none).

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace vell {

struct AnswerReference {
    enum class Outcome {
        // Nothing to do: the caret's own line, or a line that cannot be referred to.
        nothing,
        // The caret's line is locked: the user hears a beep and nothing changes.
        refused,
        insert
    };

    struct Insertion {
        Outcome outcome = Outcome::nothing;
        // The whole new text (the line named when it had no name, and the name put in at the caret).
        std::u16string text;
        std::int64_t caret = 0;

        friend bool operator==(const Insertion&, const Insertion&) = default;
    };

    // The line of `caret`: the number of "\n" before it.
    static std::int64_t caretLine(std::u16string_view text, std::int64_t caret);

    // A click on the answer of `line` with the caret at `caret`.
    static Insertion insert(std::u16string_view text, std::int64_t caret, std::int64_t line,
                            const std::set<std::int64_t>& lockedLines);

    struct Token {
        // Equal to the text given when the line already has a name.
        std::u16string text;
        std::u16string name;
        std::int64_t caret = 0;

        friend bool operator==(const Token&, const Token&) = default;
    };
    // What dragging the answer of `line` out carries; the caret keeps its offset, cut into the text.
    static std::optional<Token> token(std::u16string_view text, std::int64_t caret, std::int64_t line);
};

} // namespace vell
