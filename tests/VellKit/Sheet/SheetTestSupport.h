#pragma once

// Whole-sheet evaluation in tests: every line's result as one short text.

#include "Engine/ValueFormatter.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/LineResult.h"
#include "Sheet/ProgramRunner.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vell::testsupport {

// "7", "7 m", "\"b\"" for a text, "[1, 2]", "fail: message", "note", "blank", "plot"; a name
// follows as " =price".
inline std::string describe(const LineResult& result) {
    std::string out;
    switch (result.outcome.kind()) {
    case LineOutcome::Case::value: {
        const Value& value = *result.outcome.as<Value>();
        out = value.isText() ? "\"" + value.textValue() + "\"" : ValueFormatter::format(value, false);
        break;
    }
    case LineOutcome::Case::plot:
        out = "plot";
        break;
    case LineOutcome::Case::failure:
        out = "fail: " + result.outcome.as<LineOutcome::Failure>()->message;
        break;
    case LineOutcome::Case::blank:
        out = "blank";
        break;
    case LineOutcome::Case::comment:
        out = "note";
        break;
    }
    if (result.name) out += " =" + *result.name;
    return out;
}

inline std::vector<std::string> describe(const std::vector<LineResult>& results) {
    std::vector<std::string> out;
    out.reserve(results.size());
    for (const LineResult& result : results)
        out.push_back(describe(result));
    return out;
}

// A clock that stands still: only the step and depth limits can end an evaluation, however slowly a
// sanitizer build runs it.
inline ProgramBudget::ClockSource frozenClock() {
    return [] { return ProgramBudget::Clock::time_point(); };
}

// A clock that moves on 0.1 s every time it is read.
inline ProgramBudget::ClockSource steppingClock() {
    auto now = std::make_shared<ProgramBudget::Clock::time_point>();
    return [now] {
        *now += std::chrono::milliseconds(100);
        return *now;
    };
}

// The lines are joined with "\n".
inline std::string sheet(const std::vector<std::string_view>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    return text;
}

inline std::vector<std::string> evaluated(const std::vector<std::string_view>& lines,
                                          const std::vector<SharedSheet>& others = {}) {
    return describe(DocumentEvaluator::evaluate(sheet(lines), others));
}

struct SheetCase {
    std::vector<std::string_view> lines;
    std::vector<std::string> results;
};

// Each sheet of `cases` evaluates to its results.
inline void expectSheets(const std::vector<SheetCase>& cases) {
    for (const SheetCase& c : cases)
        EXPECT_EQ(evaluated(c.lines), c.results) << sheet(c.lines);
}

} // namespace vell::testsupport
