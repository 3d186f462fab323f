#pragma once

// What the last evaluation of one sheet produced, kept so that the next evaluation of the sheet can
// take over what an unchanged line gave: the reading of every line by its text, and the whole result
// of a top-level line whose inputs (the names, line values and previous answer it read, the absence
// of the functions it called, the engine settings) are what they were. A line that ran a def function,
// ran out of time or failed unexpectedly is always evaluated afresh. Above an edit nothing is
// evaluated: the evaluation goes on from where an earlier one stood at the start of the top-level
// block that holds the edit, when the other sheets and the settings are what they were then. The
// results are exactly those of DocumentEvaluator::evaluate, except that an evaluation the time limit
// cuts short gets further through the sheet, since the lines it takes over cost next to nothing.

#include "Engine/EngineSettings.h"
#include "Engine/Parser.h"
#include "Engine/Value.h"
#include "Sheet/LineContext.h"
#include "Sheet/LineResult.h"
#include "Sheet/NameMap.h"
#include "Sheet/ProgramBudget.h"
#include "Sheet/SharedSheet.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vell {

// What lexing and parsing made of one prepared line: its statement, or the message of the CalcError
// that lexing or parsing gave (neither for another error).
struct LineReading {
    std::optional<Statement> statement;
    std::optional<std::string> error;
};

// What one top-level line asked of the sheet while it was evaluated, with the answers it got.
struct LineInputs {
    struct Name {
        std::string name; // as written
        std::optional<Value> value;
        bool mixedUnits; // the lookup found a running sum of units that cannot be added
    };
    std::vector<Name> names;
    std::vector<std::pair<std::int64_t, std::optional<Value>>> lines;
    std::vector<std::string> absentFunctions; // called, and no def had the name (as written)
};

// A top-level line's result with what it was evaluated from.
struct RememberedLine {
    std::string source; // the trimmed text
    bool afterAnswer;   // whether there was a previous answer
    LineResult result;
    LineInputs inputs;
};

// Where an evaluation of a sheet stood when it reached a top-level line, for a later evaluation of a
// text that is the same above that line to go on from.
struct SheetResumePoint {
    std::size_t line = 0;
    LineContext::State context;
    // Of the lines above: what each showed then, and which had been given a result.
    std::vector<LineResult> results;
    std::vector<std::uint64_t> reached;
    // Whether the lines above may have read the other sheets: one of them looked for a function
    // there, or there were none to tell.
    bool readOthers = false;
};

class SheetEvaluationCache {
public:
    // Whether the line's inputs hold now: every answer the line got would be given again.
    using InputsHold = std::function<bool(const LineInputs&)>;

    // Every evaluation's budget reads the clock; an empty source means the steady clock.
    explicit SheetEvaluationCache(ProgramBudget::ClockSource clock = {}) : clock_(std::move(clock)) {}
    // The functions kept with the point to go on from view the cache's own copy of the text, which
    // must stay where it is.
    SheetEvaluationCache(const SheetEvaluationCache&) = delete;
    SheetEvaluationCache& operator=(const SheetEvaluationCache&) = delete;

    // The results DocumentEvaluator::evaluate gives for the text, taking over what still holds from
    // the previous call and keeping this call's lines for the next.
    std::vector<LineResult> evaluate(std::string_view text, std::span<const SharedSheet> others = {});
    // Forgets everything.
    void clear();
    // Whether the time limit cut the last evaluation short and another evaluation of the same text
    // would get further through the sheet: after an edit, when it kept lines it worked out; after an
    // evaluation of the same text that was cut short too, when the cut came later than there. So
    // evaluating again while this holds ends, at the latest at the sheet's end.
    bool wouldGetFurther() const { return wouldGetFurther_; }

    // For the sheet's runner. The reading of the prepared text, read now unless kept.
    std::shared_ptr<const LineReading> reading(std::string_view prepared);
    // The previous evaluation's line for the line at the index, when its source and previous answer
    // agree and its inputs hold; null otherwise.
    std::shared_ptr<const RememberedLine> recall(std::size_t index, std::string_view source, bool afterAnswer,
                                                 const InputsHold& holds);
    // Kept for the next evaluation as what the line at the index gave.
    void remember(std::size_t index, std::shared_ptr<const RememberedLine> line);

    // Values that are one and the same: equal numbers to the bit, the same unit in every field,
    // texts byte for byte, lists item by item. (Value's == takes 0 and -0 as one, and canonically
    // equivalent texts.)
    static bool identical(const Value& a, const Value& b);
    static bool identical(const std::optional<Value>& a, const std::optional<Value>& b);

private:
    // Where the previous evaluation's line for a current line may be: the lines before the first
    // change and after the last keep their places; the others are found by their text.
    std::optional<std::size_t> previousIndex(std::size_t index) const;
    // The lines of the text before the first change and after the last, from the bytes the text
    // begins and ends with as the previous one did; the line of the first change.
    std::size_t align(std::span<const std::string_view> lines, std::size_t same, std::size_t sameEnd);

    ProgramBudget::ClockSource clock_;
    std::optional<EngineSettings> settings_;
    // The previous evaluation's text, which the evaluation reads, and what each of its lines gave (null
    // for a line not kept).
    std::string text_;
    std::vector<std::shared_ptr<const RememberedLine>> lines_;
    std::size_t sharedPrefix_ = 0;
    std::size_t sharedSuffix_ = 0;
    std::size_t currentCount_ = 0;
    // Where the evaluation running went on from; current_ holds the lines from there.
    std::size_t start_ = 0;
    // How many lines the evaluation running took over from the one before.
    std::size_t takenOver_ = 0;
    // Where the time limit cut the last evaluation short.
    std::optional<std::size_t> cutAt_;
    bool wouldGetFurther_ = false;
    std::optional<NameMap<std::vector<std::size_t>>> bySource_; // made on first use
    std::vector<std::shared_ptr<const RememberedLine>> current_;
    NameMap<std::shared_ptr<const LineReading>> readings_;
    NameMap<std::shared_ptr<const LineReading>> currentReadings_;
    // Where the evaluation may go on from, with what the other sheets offered its functions then.
    std::optional<SheetResumePoint> point_;
    std::vector<SharedSheet> pointOffers_;
};

} // namespace vell
