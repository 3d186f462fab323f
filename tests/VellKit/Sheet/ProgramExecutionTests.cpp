#include "Engine/L10n.h"
#include "SheetTestSupport.h"
#include "Support/EngineSettingsScope.h"

#include <chrono>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::evaluated;
using testsupport::expectSheets;
using testsupport::frozenClock;
using testsupport::SheetCase;
using testsupport::steppingClock;

const std::string tooManySteps = "fail: Too many loop steps";
const std::string tooDeep = "fail: Function calls are nested too deeply";
const std::string cantCalculate = "fail: Can’t calculate this";

std::string repeated(std::string_view piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}

std::vector<std::string> evaluatedWithClock(const std::vector<std::string_view>& lines,
                                            ProgramBudget::ClockSource clock,
                                            const std::vector<SharedSheet>& others = {}) {
    const std::string text = testsupport::sheet(lines);
    ProgramRunner runner(DocumentEvaluator::splitLines(text), others, std::move(clock));
    return testsupport::describe(runner.run());
}

// Sheets that run into the step limit, evaluated where the time limit cannot come first.
void expectStepLimitSheets(const std::vector<SheetCase>& cases) {
    for (const SheetCase& c : cases)
        EXPECT_EQ(evaluatedWithClock(c.lines, frozenClock()), c.results) << testsupport::sheet(c.lines);
}

TEST(ProgramExecution, Loops) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        {{"for i in range(3):", "  i × 10", "i"}, {"blank", "20", "2"}},
        {{"for c in \"ab\":", "  c"}, {"blank", "\"b\""}},
        {{"for c in \"\":", "  c", "1"}, {"blank", "blank", "1"}},
        {{"n = 0", "for x in [1, [2], \"a\"]:", "  n = n + 1", "n", "x"},
         {"0 =n", "blank", "3 =n", "3", "\"a\""}},
        {{"xs = [4, 5]", "for x in xs:", "  xs = [9]", "  x"}, {"[4, 5] =xs", "blank", "[9] =xs", "5"}},
        {{"for i in 7:", "  1", "2"},
         {"fail: for can loop over range(…), a list [1, 2, 3], or text", "blank", "2"}},
        {{"for i in nosuch:", "  1", "2"}, {"fail: nosuch is not defined", "blank", "2"}},
        {{"for i in range(0):", "  1"}, {"blank", "blank"}},
        {{"i = 0", "while i < 3:", "  i = i + 1", "i"}, {"0 =i", "blank", "3 =i", "3"}},
        {{"while 0:", "  1", "2"}, {"blank", "blank", "2"}},
        {{"for i in range(10):", "  if i == 3:", "    break", "  last = i", "last"},
         {"blank", "blank", "blank", "2 =last", "2"}},
        {{"for i in range(3):", "  if i == 1:", "    continue", "  n = i"},
         {"blank", "blank", "blank", "2 =n"}},
        {{"i = 0", "while 1:", "  i = i + 1", "  if i < 3:", "    continue", "  break", "i"},
         {"0 =i", "blank", "3 =i", "blank", "blank", "blank", "3"}},
        // break and continue end only the innermost loop.
        {{"n = 0", "for i in range(3):", "  for j in range(3):", "    if j == 1:", "      break",
          "    n = n + 1", "n"},
         {"0 =n", "blank", "blank", "blank", "blank", "3 =n", "3"}},
    });
}

// A body line runs many times from one text; what it reads as must follow each run's previous
// answer, and its failures must follow the failure rule every time.
TEST(ProgramExecution, BodyLinesRunAgain) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        // The first run has no previous answer, so × 2 does not continue; the later ones do.
        {{"for i in range(3):", "  × 2", "  i + 1"}, {"blank", "4", "3"}},
        {{"def twice():", "  × 2", "x = twice()", "5", "twice()"}, {"blank", "10", "0 =x", "5", "0"}},
        {{"for i in range(2):", "  call the shop", "  5 +", "  i"},
         {"blank", "note", "fail: The expression ends in the middle", "1"}},
        {{"for i in range(2):", "  sum = i"},
         {"blank", "fail: “sum” is a built-in word and can’t be used as a name"}},
        {{"for i in range(2):", "  plot(x × i)"}, {"blank", "plot"}},
    });
}

TEST(ProgramExecution, RangeItems) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"range(4)", "[0, 1, 2, 3]"},
        {"range(2, 5)", "[2, 3, 4]"},
        {"range(0, 10, 3)", "[0, 3, 6, 9]"},
        {"range(5, 0, -1)", "[5, 4, 3, 2, 1]"},
        {"range(3, 3)", "[]"},
        {"range(1, 10, -1)", "[]"},
        {"range(-2.5)", "[]"},
        {"range(2.5)", "[0, 1, 2]"},
        {"range(-1, 2)", "[-1, 0, 1]"},
        {"range(50%)", "[0]"},
        {"range(150%)", "[0, 1]"},
        {"RANGE(2)", "[0, 1]"},
        {"(range(2))", "[0, 1]"},
        {"range(0, 5, 0.4)", "fail: The range step can’t be 0"},
        {"range(3 kg)", "fail: range can’t take a unit"},
        {"range([1, 2])", "fail: range can’t take a list"},
        {"range(\"a\")", "fail: range can’t take text"},
        {"range()", "fail: Use range(end), range(start, end), or range(start, end, step)"},
        {"range(1, 2, 3, 4)", "fail: Use range(end), range(start, end), or range(start, end, step)"},
        {"range(1, nosuch)", "fail: nosuch is not defined"},
    };
    for (const auto& [call, items] : cases) {
        const std::string header = "for i in " + call + ":";
        const auto results = evaluated({"xs = []", header, "  xs = xs + [i]", "xs"});
        EXPECT_EQ(results[1].starts_with("fail") ? results[1] : results[3], items) << call;
    }
    const EngineSettingsScope japanese(AppLanguage::japanese);
    EXPECT_EQ(evaluated({"for i in range([1]):"})[0], "fail: range に表は使えません");
    EXPECT_EQ(evaluated({"for i in range(\"a\"):"})[0], "fail: range に文字は使えません");
}

TEST(ProgramExecution, IfChains) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        {{"if 0:", "  1", "elif \"\":", "  2", "else:", "  3"},
         {"blank", "blank", "blank", "blank", "blank", "3"}},
        {{"x = 5", "if x > 3:", "  a = 1", "elif x > 1:", "  a = 2", "a"},
         {"5 =x", "blank", "1 =a", "blank", "blank", "1"}},
        {{"if [] or 0:", "  1", "elif [0]:", "  2"}, {"blank", "blank", "blank", "2"}},
        {{"if nosuch > 1:", "  1", "5"}, {"fail: nosuch is not defined", "blank", "5"}},
        {{"if 0:", "  1", "elif nosuch:", "  2", "else:", "  3", "4"},
         {"blank", "blank", "fail: nosuch is not defined", "blank", "blank", "blank", "4"}},
        // Lines in the branches of a top-level chain count in the sums; a blank line there starts a block.
        {{"1", "if 1:", "  2", "", "  3", "sum", "total"}, {"1", "blank", "2", "blank", "3", "3", "9"}},
        {{"1", "for i in range(1):", "  2", "", "  3", "sum"}, {"1", "blank", "2", "blank", "3", "1"}},
        {{"if 1:", "  if 1:", "    7", "sum"}, {"blank", "blank", "7", "7"}},
    });
}

TEST(ProgramExecution, WhereFailuresLand) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        {{"return 5", "1"}, {"fail: return can only be used inside def", "1"}},
        // A top-level break or continue ends the evaluation without a mark.
        {{"1", "break", "2"}, {"1", "blank", "blank"}},
        {{"if 1:", "  continue", "2", "// note"}, {"blank", "blank", "blank", "blank"}},
        // A failing while condition fails its header and ends the evaluation.
        {{"while nosuch > 1:", "  1", "5"},
         {"fail: nosuch is not defined", "fail: nosuch is not defined", "fail: nosuch is not defined"}},
        // A failure inside a body fails only its own line.
        {{"for i in range(2):", "  1 / i", "  i"}, {"blank", "1", "1"}},
        {{"for i in range(2):", "  1 / (1 - i)", "  i"}, {"blank", "fail: Cannot divide by zero", "1"}},
    });
}

TEST(ProgramExecution, Functions) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        {{"def area(w, d):", "  return w × d", "area(3, 4)", "area(2, 2) + 1"}, {"blank", "4", "12", "5"}},
        // Defined from the moment the def runs; a later def replaces it for the lines after it.
        {{"f2(1)", "def f2(x):", "  return x + 1", "f2(1)", "def f2(x):", "  return x + 2", "f2(1)"},
         {"fail: There is no function named f2", "blank", "2", "2", "blank", "3", "3"}},
        {{"def sum(x):", "  return x"}, {"fail: “sum” is a built-in function and can’t be used", "blank"}},
        {{"def kg(x):", "  return x", "kg(2)"},
         {"fail: “kg” is a unit and can’t be used", "blank", "fail: There is no function named kg"}},
        // No return, a bare return: a plain zero; the last line's value is not the answer.
        {{"def f(x):", "  x * 2", "def q(x):", "  return", "f(3) + 1", "q(3) + 1"},
         {"blank", "6", "blank", "blank", "1", "1"}},
        {{"def f(a, b):", "  return a - b", "f(1)", "f(1, 2, 3)"},
         {"blank", "blank", "fail: f needs 2 argument(s)", "fail: f needs 2 argument(s)"}},
        // Body lines show the values of the last call; named lines stay in the call's scope.
        {{"def f(x):", "  y = x * 2", "  return y + 1", "f(3)", "f(5)", "y"},
         {"blank", "10 =y", "11", "7", "11", "note"}},
        // A body sees its parameters, the sheet's named values and the caller's previous answer.
        {{"rate = 3", "def f(x):", "  prev + x * rate", "  return prev", "10", "f(2)", "prev"},
         {"3 =rate", "blank", "16", "16", "10", "16", "16"}},
        // A parameter hides a named value and a special name; the caller's names stay as they were.
        {{"x = 1", "def f(x, sum):", "  return x + sum", "f(10, 20)", "x"},
         {"1 =x", "blank", "30", "30", "1"}},
        // Only the innermost call's scope is visible.
        {{"def inner():", "  return y", "def outer(y):", "  return inner()", "outer(1)"},
         {"blank", "fail: y is not defined", "blank", "fail: y is not defined", "fail: y is not defined"}},
        // Canonically equivalent spellings name one function, parameter and loop name.
        {{"def cafe\u0301(e\u0301):", "  return \u00e9 * 2", "caf\u00e9(2)",
          "for \u00e9t\u00e9 in [7]:", "  e\u0301te\u0301"},
         {"blank", "4", "4", "blank", "7"}},
        // Running sums come only from top-level lines.
        {{"def f():", "  5", "  return 1", "f()", "sum"}, {"blank", "5", "1", "1", "1"}},
        // A return inside loops ends the function.
        {{"def first(xs):", "  for x in xs:", "    if x > 2:", "      return x", "  return -1",
          "first([1, 5, 7])", "first([1])"},
         {"blank", "blank", "blank", "5", "-1", "5", "-1"}},
        // A failing return expression fails the return line and the calling line.
        {{"def f(x):", "  return x / 0", "f(1) + 1"},
         {"blank", "fail: Cannot divide by zero", "fail: Cannot divide by zero"}},
    });
}

TEST(ProgramExecution, Recursion) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        {{"def fact(n):", "  if n <= 1:", "    return 1", "  return n * fact(n - 1)", "fact(5)",
          "fact(40) > 0", "fact(41)"},
         {"blank", "blank", "1", tooDeep, "120", "1", tooDeep}},
        {{"def fib(n):", "  if n < 2:", "    return n", "  return fib(n - 1) + fib(n - 2)", "fib(15)"},
         {"blank", "blank", "1", "610", "610"}},
        {{"def f(n):", "  return f(n + 1)", "f(1)", "f(x)", "2"}, {"blank", tooDeep, tooDeep, "note", "2"}},
    });
}

TEST(ProgramExecution, DeepNestingInsideCallsFailsInsteadOfExhaustingTheStack) {
    const EngineSettingsScope english(AppLanguage::english);
    // Every call evaluates a line nested hundreds of levels deep, or runs a body hundreds of blocks
    // deep, before it calls the next: forty such calls would overflow the stack.
    const std::string deepReturn = "  return " + std::string(900, '-') + "f(n + 1)";
    const std::string deepCalls = "  return " + repeated("abs(", 900) + "f(n + 1)" + std::string(900, ')');
    std::vector<std::string> deepBlocks = {"def f(n):"};
    for (int level = 1; level <= 600; ++level)
        deepBlocks.push_back(std::string(static_cast<std::size_t>(level), ' ') + "if 1:");
    deepBlocks.push_back(std::string(601, ' ') + "return f(n + 1)");
    deepBlocks.push_back("f(1)");
    const std::vector<std::string_view> blockLines(deepBlocks.begin(), deepBlocks.end());
    // Moderate nesting keeps all forty calls.
    const std::string moderate = "  return " + std::string(10, '-') + "f(n - 1)";

    expectSheets({
        {{"def f(n):", deepReturn, "f(1)", "5"}, {"blank", tooDeep, tooDeep, "5"}},
        {{"def f(n):", deepCalls, "f(1)", "5"}, {"blank", tooDeep, tooDeep, "5"}},
        {{"def f(n):", "  if n <= 1:", "    return 1", moderate, "f(40)"}, {"blank", "blank", "1", "1", "1"}},
    });
    const std::vector<std::string> results = evaluated(blockLines);
    ASSERT_EQ(results.size(), blockLines.size());
    EXPECT_EQ(results.back(), tooDeep);
}

TEST(ProgramExecution, BudgetInsideCalls) {
    const EngineSettingsScope english(AppLanguage::english);
    expectStepLimitSheets({
        // The call's line fails (a note when it has no digit); the next step ends the evaluation.
        {{"def spin(n):", "  while 1:", "    n", "spin(1)", "5", "// later"},
         {"blank", tooManySteps, "1", tooManySteps, tooManySteps, tooManySteps}},
        {{"def spin():", "  while 1:", "    7", "spin()", "5"},
         {"blank", tooManySteps, "7", "note", tooManySteps}},
    });
}

// Which lines an evaluation reached is kept apart for short and long sheets; either way the lines
// that an aborted evaluation never reached fail, and no others.
TEST(ProgramExecution, AbortedEvaluationFailsOnlyTheLinesNotReached) {
    const EngineSettingsScope english(AppLanguage::english);
    for (const int before : {2, 62, 63, 64, 130}) {
        std::vector<std::string_view> lines(static_cast<std::size_t>(before), "1");
        lines.insert(lines.end(), {"while 1:", "  2", "", "3", "4"});
        std::vector<std::string> expected(static_cast<std::size_t>(before), "1");
        expected.insert(expected.end(), {tooManySteps, "2", "blank", tooManySteps, tooManySteps});
        EXPECT_EQ(evaluatedWithClock(lines, frozenClock()), expected) << before << " lines before";
    }
}

TEST(ProgramExecution, LoopSignalsStopAtTheFunctionBoundary) {
    const EngineSettingsScope english(AppLanguage::english);
    expectSheets({
        // On a plain line, also one inside a loop: that line fails, the loop goes on.
        {{"def stop():", "  break", "stop()", "for i in range(3):", "  x = stop()", "  i", "9"},
         {"blank", "blank", cantCalculate, "blank", cantCalculate, "2", "9"}},
        // In an if condition: the header fails and the chain ends; the caller's loop goes on.
        {{"def stop():", "  break", "n = 0", "for i in range(3):", "  if stop():", "    1", "  n = n + 1",
          "n"},
         {"blank", "blank", "0 =n", "blank", cantCalculate, "blank", "3 =n", "3"}},
        // In a for iterable or a range argument: the loop is skipped.
        {{"def skip():", "  continue", "for i in range(skip()):", "  i", "for j in [skip()]:", "  j", "7"},
         {"blank", "blank", cantCalculate, "blank", cantCalculate, "blank", "7"}},
        // In a return expression: the return line and the calling line fail.
        {{"def stop():", "  continue", "def relay():", "  return stop()", "relay() + 1", "5"},
         {"blank", "blank", "blank", cantCalculate, cantCalculate, "5"}},
        // In a while condition: the header fails, and at the top level the evaluation ends with the message.
        {{"def stop():", "  break", "while stop():", "  1", "2"},
         {"blank", "blank", cantCalculate, cantCalculate, cantCalculate}},
        // Loops inside the function still take their own break and continue.
        {{"def f():", "  for i in range(5):", "    if i == 2:", "      break", "  return i", "f()"},
         {"blank", "blank", "blank", "blank", "2", "2"}},
    });
}

TEST(ProgramExecution, TimeLimit) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::string tooLong = "fail: The loop is taking too long";
    // The clock is read at the start, at step 256 (0.1 s) and at step 512 (0.2 s).
    EXPECT_EQ(evaluatedWithClock({"while 1:", "  x = 1", "5"}, steppingClock()),
              (std::vector<std::string>{tooLong, "1 =x", tooLong}));
    // Inside a call the calling line fails; the time failure is not sticky, so the next line, no
    // 256th step, runs.
    EXPECT_EQ(evaluatedWithClock({"def spin(n):", "  while 1:", "    n", "spin(2)", "7"}, steppingClock()),
              (std::vector<std::string>{"blank", tooLong, "2", tooLong, "7"}));
    EXPECT_EQ(
        evaluatedWithClock({"spin(2)", "7"}, steppingClock(), {{"Tools", "def spin(n):\n  while 1:\n    n"}}),
        (std::vector<std::string>{tooLong, "7"}));
    // Short sheets never reach the 256th step, so the clock is not read again.
    EXPECT_EQ(evaluatedWithClock({"1", "for i in range(50):", "  i"}, steppingClock()),
              (std::vector<std::string>{"1", "blank", "49"}));
}

} // namespace
} // namespace vell
