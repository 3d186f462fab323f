#pragma once

// Evaluates a whole sheet into one result per line, with the other sheets of the document offered
// for their def functions; and the line rules the evaluation shares with its neighbours.

#include "Engine/Value.h"
#include "Sheet/LineResult.h"
#include "Sheet/SharedSheet.h"
#include "Sheet/SheetEvaluationCache.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vell {

struct DocumentEvaluator {
    // One result for each line of the text split at "\n". Keeps nothing between calls.
    static std::vector<LineResult> evaluate(std::string_view text, std::span<const SharedSheet> others = {});
    // What evaluate() gives, taking over from the cache what the sheet's previous evaluation through
    // it gave for the lines that did not change, and keeping this evaluation in it.
    static std::vector<LineResult> evaluateCached(std::string_view text, std::span<const SharedSheet> others,
                                                  SheetEvaluationCache& cache);

    // A line longer than this (in bytes, as trimmed) is not read: it fails with lineTooLongMessage(),
    // or is a note when it holds no digit. Reading a line takes time in proportion to its length; a
    // line of this length "1+1+…" is read in about 10 ms. Lines of 200,000 brackets or signs, the
    // deepest that are still told apart from a plain failure, stay within it.
    static constexpr std::size_t maxLineBytes = 200 * 1024;
    static std::string lineTooLongMessage();

    // The text split at every "\n"; the empty text is one empty line. Views into the text.
    static std::vector<std::string_view> splitLines(std::string_view text);

    // The text to tokenise: trailing "=" and "＝" dropped, and "prev " put before a line that
    // continues the previous answer.
    static std::string prepareLine(std::string_view text, const std::optional<Value>& previous);
    // No ASCII digit 0 to 9 in the text (full-width digits do not count).
    static bool hasNoDigits(std::string_view text);
    // The name or its lower-cased form is one of the special names.
    static bool isReservedWord(std::string_view name);
    // Why def may not take the name, in the user's language; none when it may.
    static std::optional<std::string> functionNameProblem(std::string_view name);

    // A line starting with one of these continues the previous answer.
    static const std::unordered_set<char32_t>& continuationOperators();
    // So does a line starting with one of these followed by a space.
    static const std::unordered_set<char32_t>& spacedContinuationOperators();
};

} // namespace vell
