#pragma once

// The state of one sheet evaluation: runs the sheet's program line by line into one result per
// line, runs loops and the user's functions under the budget, and finds functions on the other
// sheets. The texts behind the lines and the other sheets must outlive the runner.

#include "Engine/Parser.h"
#include "Engine/Value.h"
#include "Sheet/LineContext.h"
#include "Sheet/LineResult.h"
#include "Sheet/NameMap.h"
#include "Sheet/ProgramBudget.h"
#include "Sheet/ProgramFlow.h"
#include "Sheet/ProgramNode.h"
#include "Sheet/SharedSheet.h"
#include "Sheet/SheetEvaluationCache.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vell {

class ProgramRunner {
public:
    // The other sheets' top-level functions, one pair per sheet in document order.
    using SharedFunctions = std::vector<std::pair<std::string, NameMap<ProgramFunction>>>;

    // With a cache, top-level lines take over what still holds from its previous evaluation, and
    // what they give is kept in it for the next.
    ProgramRunner(std::vector<std::string_view> lines, std::span<const SharedSheet> others,
                  ProgramBudget::ClockSource clock = {}, SheetEvaluationCache* cache = nullptr);
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;

    // Evaluates the sheet and hands over the results; once per runner. Never fails.
    std::vector<LineResult> run();
    // Before run(): the evaluation goes on from the point instead of starting at the first line, the
    // lines above it taking the results they had there; the lines above the point must read as they
    // did, and the other sheets and settings be the same. It takes a point where the top-level line
    // `takeAt` starts, when that is past where it starts and the evaluation gets there whole. Either
    // line must start a top-level node (Program::startsTopLevelNode). The point must outlive run().
    void resume(const SheetResumePoint* from, std::size_t takeAt);
    // The point taken at `takeAt`, if it was.
    std::optional<SheetResumePoint> takenPoint() { return std::move(taken_); }

    // The other sheets' functions, parsed once per evaluation on first use.
    const SharedFunctions& sharedFunctions();
    // Where the time limit cut the evaluation short: the first line given a result once the time was
    // found used up (the line count when none was); none when the time lasted.
    std::optional<std::size_t> ranOutOfTimeAt() const {
        if (!context_.budget.outOfTime()) return std::nullopt;
        return outOfTimeAt_.value_or(lines_.size());
    }
    // Whether the other sheets have been parsed for their functions in this evaluation.
    bool sharedFunctionsCollected() const { return sharedCache_.has_value(); }

    // What a prepared line reads as: its statement, or the message of the CalcError that lexing or
    // parsing gave (none for another error).
    static LineReading read(std::string_view prepared);

private:
    // Where the items of a for loop come from: a range, counted without building a list, or values.
    struct LoopItems {
        // start, start + step, ... up to and including bound; empty when start lies beyond the
        // bound or any of the three is NaN.
        struct Range {
            double start;
            double bound;
            double step;
        };
        std::optional<Range> range;
        std::vector<Value> values;
    };

    // Evaluates one plain line and stores its result; never fails.
    void runLine(std::size_t index, std::string_view text, bool topLevel);
    // A top-level line through the cache: taken over when its inputs hold, else evaluated and kept.
    void runCachedLine(std::size_t index, std::string_view text);
    bool inputsHold(const LineInputs& inputs);
    // What evaluating the line did to the sheet, done again from its result.
    void replay(std::size_t index, const LineResult& result);
    // Stores a result unless a function from another sheet runs or the index lies outside the sheet.
    void setResult(std::size_t index, LineResult result);
    // After an aborted run: the message on every line that got no result and is not empty.
    void failUnvisitedLines(const std::string& message);
    void takePoint(std::size_t at);

    // Runs the nodes; a return, break or continue that ends them early comes back as the flow.
    // Throws CalcError.
    std::optional<ProgramFlow> execute(const ProgramNodes& nodes, bool topLevel);

    // This sheet's function of that name (NFC), or another sheet's; null when there is none.
    const ProgramFunction* findFunction(std::string_view name);
    // Runs a function body; its return value, or a plain zero.
    Value callFunction(const ProgramBody& body, const std::optional<std::string>& home);
    void popHome(const std::optional<std::string>& home);

    LoopItems loopItems(const Expr& iterable);
    LoopItems::Range rangeStride(const Expr::Call& call);
    static Value rangeItem(double number) { return Value(number); }

    // Lines in loop and function bodies run many times with the same text, so they are read once per
    // evaluation (twice when they run both with and without a previous answer, which can change how
    // they read).
    using ReadLine = LineReading;
    struct ReadLines {
        std::optional<ReadLine> withoutPrevious;
        std::optional<ReadLine> withPrevious;
    };
    const ReadLine& readCached(const ProgramNode::Line& line);
    void runRead(std::size_t index, std::string_view text, const ReadLine& read, bool topLevel);
    void runStatement(std::size_t index, std::string_view text, const Statement& statement, bool topLevel);
    // The failure rule for a line whose reading or evaluation failed with a CalcError.
    void failLine(std::size_t index, std::string_view text, const std::string& message);

    std::optional<ProgramFlow> runIfChain(const std::vector<ProgramNode::Branch>& branches, bool topLevel);
    std::optional<ProgramFlow> runFor(const ProgramNode::ForLoop& loop);
    std::optional<ProgramFlow> runWhile(const ProgramNode::WhileLoop& loop);
    void define(const ProgramNode::Define& node);
    std::optional<ProgramFlow> runReturn(const ProgramNode::Ret& node);
    // An expression of a program header; a break or continue that escaped a call in it fails as
    // a CalcError, like any failure of the expression.
    Value evaluate(const Expr& expression);
    // Plot and chart lines are built here instead of evaluated; true when the line was one.
    bool runPlot(std::size_t index, std::string_view title, const Statement& statement);

    class Recorder;

    // Which lines got a result. A short sheet's flags are kept in place, without a list on the heap.
    class LineFlags {
    public:
        explicit LineFlags(std::size_t count) {
            if (count > 64) {
                many_.resize((count + 63) / 64);
                words_ = many_.data();
            }
        }
        LineFlags(const LineFlags&) = delete;
        LineFlags& operator=(const LineFlags&) = delete;
        bool operator[](std::size_t index) const { return (words_[index / 64] >> (index % 64) & 1) != 0; }
        void set(std::size_t index) { words_[index / 64] |= std::uint64_t{1} << (index % 64); }
        // The flags of the first `count` lines, and those flags set again.
        std::vector<std::uint64_t> first(std::size_t count) const {
            std::vector<std::uint64_t> words(words_, words_ + (count + 63) / 64);
            if (count % 64 != 0) words.back() &= (std::uint64_t{1} << (count % 64)) - 1;
            return words;
        }
        void setFirst(const std::vector<std::uint64_t>& words) {
            std::copy(words.begin(), words.end(), words_);
        }

    private:
        std::uint64_t few_ = 0;
        std::vector<std::uint64_t> many_;
        std::uint64_t* words_ = &few_;
    };

    std::vector<std::string_view> lines_;
    LineContext context_;
    SheetEvaluationCache* cache_;
    // What the line being evaluated reads its surroundings through: the context, or a recorder over it.
    EvalContext* lineContext_;
    // Set when the line being evaluated failed in a way that must not be kept.
    bool lineUnsure_ = false;
    // Set once a line failed in a way that another evaluation might not repeat (out of memory, say).
    bool failedUnexpectedly_ = false;
    const SheetResumePoint* resumeFrom_ = nullptr;
    std::size_t takeAt_ = 0;
    std::optional<SheetResumePoint> taken_;
    std::vector<LineResult> results_;
    std::optional<std::size_t> outOfTimeAt_;
    LineFlags visited_;
    std::span<const SharedSheet> others_;
    std::optional<SharedFunctions> sharedCache_;
    std::vector<std::string> homeStack_;
    NameMap<NameMap<ProgramFunction>> nestedShared_;
    // By the node, which stays put for the whole evaluation.
    std::unordered_map<const ProgramNode::Line*, ReadLines> readLines_;
};

} // namespace vell
