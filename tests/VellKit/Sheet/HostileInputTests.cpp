// Lines and sheets a user may type, paste or open that push the engine to its limits: each ends in a
// clear failure or a plain answer, never a crash or a hang. The fuzz targets in fuzz/ search for more.

#include "Engine/L10n.h"
#include "SheetTestSupport.h"
#include "Support/EngineSettingsScope.h"
#include "Unicode/Unicode.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::frozenClock;
using testsupport::steppingClock;
using Lines = std::vector<std::string>;

const std::string nestedTooDeeply = "fail: This expression is nested too deeply";
const std::string listTooBig = "fail: The list is too big";
const std::string textTooLong = "fail: The text is too long";
const std::string numberTooLarge = "fail: The number is too large";
const std::string callsTooDeep = "fail: Function calls are nested too deeply";
const std::string tooLong = "fail: The loop is taking too long";

std::string repeated(std::string_view part, std::size_t count) {
    std::string out;
    out.reserve(part.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        out += part;
    return out;
}

std::vector<LineResult> run(std::string_view text, const std::vector<SharedSheet>& others = {},
                            ProgramBudget::ClockSource clock = frozenClock()) {
    ProgramRunner runner(DocumentEvaluator::splitLines(text), others, std::move(clock));
    return runner.run();
}

Lines evaluatedText(std::string_view text, const std::vector<SharedSheet>& others = {},
                    ProgramBudget::ClockSource clock = frozenClock()) {
    return testsupport::describe(run(text, others, std::move(clock)));
}

Lines evaluatedLines(const std::vector<std::string>& lines, const std::vector<SharedSheet>& others = {}) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i > 0 ? "\n" : "") + lines[i];
    return evaluatedText(text, others);
}

TEST(HostileInput, LongLines) {
    const EngineSettingsScope english(AppLanguage::english);
    // 100,000 characters each.
    const std::string additions = repeated("1+", 49999) + "1";
    const std::string quoted = "\"" + repeated("a", 99998) + "\"";
    const std::string names = repeated("x", 100000);
    ASSERT_EQ(additions.size(), 99999u);
    const auto results = run(additions + "\n" + quoted + "\n" + names + "\nlen(prev)");
    EXPECT_EQ(testsupport::describe(results[0]), nestedTooDeeply);
    ASSERT_NE(results[1].outcome.as<Value>(), nullptr);
    EXPECT_EQ(results[1].outcome.as<Value>()->textValue().size(), 99998u);
    EXPECT_EQ(testsupport::describe(results[2]), "note"); // an undefined name without digits
    EXPECT_EQ(testsupport::describe(results[3]), "99998");
}

TEST(HostileInput, DeepNesting) {
    const EngineSettingsScope english(AppLanguage::english);
    const auto parenthesized = [](std::size_t depth) {
        return repeated("(", depth) + "1" + repeated(")", depth);
    };
    const auto listed = [](std::size_t depth) { return repeated("[", depth) + "1" + repeated("]", depth); };
    const auto chained = [](std::size_t count) { return repeated("1+", count - 1) + "1"; };
    EXPECT_EQ(evaluatedLines({parenthesized(10000), parenthesized(1000), parenthesized(1001)}),
              (Lines{nestedTooDeeply, "1", nestedTooDeeply}));
    // A left-leaning chain is as deep as it is long.
    EXPECT_EQ(evaluatedLines({chained(100000), chained(1000), chained(1001)}),
              (Lines{nestedTooDeeply, "1000", nestedTooDeeply}));
    // Lists stop at 100 levels, the parser at 1000.
    EXPECT_EQ(evaluatedLines({"len(" + listed(100000) + ")", "len(" + listed(100) + ")",
                              "len(" + listed(101) + ")", repeated("[", 100000) + repeated("]", 100000)}),
              (Lines{nestedTooDeeply, "1", listTooBig, "note"}));
    EXPECT_EQ(evaluatedLines({repeated("-", 100000) + "1", repeated("not ", 25000) + "1"}),
              (Lines{nestedTooDeeply, nestedTooDeeply}));
}

TEST(HostileInput, TextsAndListsAtTheirLimits) {
    const EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(evaluatedLines({
                  "len(\"a\" * 100000)",
                  "\"a\" * 100001",
                  "len(\"漢\" * 100000)",
                  "(\"a\" * 50000) + (\"b\" * 50001)",
                  "len([0] * 100000)",
                  "[0] * 100001",
                  "len([0] * 50000 + [1] * 50000)",
                  "[0] * 50000 + [1] * 50001",
                  "len(str([0] * 100000))",
              }),
              (Lines{"100000", textTooLong, "100000", textTooLong, "100000", listTooBig, "100000", listTooBig,
                     "314"})); // str shows the first 100 items
}

TEST(HostileInput, LongNumbers) {
    const EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(
        evaluatedLines({
            repeated("9", 10000),
            "1" + repeated("0", 9999),
            repeated("0", 9999) + "7",
            "0." + repeated("0", 9998) + "1",
            "1e99999",
            "1e-99999",
            repeated("9", 308),
            repeated("9", 309),
        }),
        (Lines{numberTooLarge, numberTooLarge, "7", "0", numberTooLarge, "0", "1e308", numberTooLarge}));
}

TEST(HostileInput, ControlCharacters) {
    const EngineSettingsScope english(AppLanguage::english);
    for (char32_t c = 0; c < 0x80; c = c == 0x1F ? 0x7F : c + 1) {
        if (c == U'\n') continue;
        const std::string character(1, static_cast<char>(c));
        const Lines results = evaluatedText("1" + character + "2");
        // Tab, vertical tab, form feed and carriage return space numbers apart like a space.
        if (c == U'\t' || c == 0x0B || c == 0x0C || c == U'\r')
            EXPECT_EQ(results, evaluatedText("1 2")) << static_cast<int>(c);
        else
            EXPECT_EQ(results, (Lines{"fail: The character “" + character + "” can’t be used"}))
                << static_cast<int>(c);
    }
    // Inside a text every one of them is kept as it is.
    std::string all;
    for (char c = 1; c < 0x20; ++c)
        if (c != '\n') all += c;
    EXPECT_EQ(evaluatedText("len(\"" + all + "\x7f\")"), (Lines{"31"}));
}

TEST(HostileInput, InvalidUtf8) {
    const EngineSettingsScope english(AppLanguage::english);
    // Each byte that starts no valid sequence reads as one U+FFFD.
    const struct {
        std::string bytes;
        std::size_t replacements;
        std::string length;
    } cases[] = {
        {"\xED\xA0\x80", 3, "3"},     // a surrogate, encoded
        {"\xC0\xAF", 2, "2"},         // an overlong "/"
        {"\xE0\x80\xAF", 3, "3"},     // another
        {"\xF0\x82\x82\xAC", 4, "4"}, // an overlong "€"
        {"\xE3\x81", 2, "2"},         // a sequence cut short
        {"\xE3", 1, "1"},             // at the end of the line
        {"\x80", 1, "1"},             // a lone continuation byte
        {"\xBF\xBF", 2, "2"},
        {"\xFF", 1, "1"},
        {"\xFE", 1, "1"},
        {"\xF4\x90\x80\x80", 4, "4"}, // past U+10FFFF
    };
    const std::string replacement = "\xEF\xBF\xBD";
    for (const auto& c : cases) {
        const auto results =
            run("1" + c.bytes + "2\n\"" + c.bytes + "\"\nlen(\"" + c.bytes + "\")\n" + c.bytes + " = 5");
        const Lines described = testsupport::describe(results);
        EXPECT_EQ(described[0], "fail: The character “" + replacement + "” can’t be used");
        EXPECT_EQ(described[1], "\"" + repeated(replacement, c.replacements) + "\"");
        EXPECT_EQ(described[2], c.length);
        EXPECT_EQ(described[3], "fail: The character “" + replacement + "” can’t be used");
        for (const std::string& text : described)
            EXPECT_TRUE(unicode::isValidUtf8(text)) << text;
    }
}

TEST(HostileInput, EndlessRecursion) {
    const EngineSettingsScope english(AppLanguage::english);
    EXPECT_EQ(evaluatedText("def f(x):\n  return f(x + 1)\nf(1)\n2"),
              (Lines{"blank", callsTooDeep, callsTooDeep, "2"}));
    // Two calls per level: the step limit ends what the depth limit lets through.
    EXPECT_EQ(evaluatedText("def twice(n):\n  return twice(n - 1) + twice(n - 1)\ntwice(30)"),
              (Lines{"blank", callsTooDeep, callsTooDeep}));
    EXPECT_EQ(
        evaluatedText(
            "def split(n):\n  if n == 0:\n    return 0\n  return split(n - 1) + split(n - 1)\nsplit(30)\n3"),
        (Lines{"blank", "blank", "0", "fail: Too many loop steps", "fail: Too many loop steps",
               "fail: Too many loop steps"}));
}

// Forty calls from inside expressions nested a thousand levels deep would overflow the stack; calls stop
// nesting earlier instead.
TEST(HostileInput, RecursionFromDeepExpressions) {
    const EngineSettingsScope english(AppLanguage::english);
    for (const std::string& body : {repeated("-", 995) + "f(n)", repeated("2^", 995) + "f(n)",
                                    repeated("1+(", 995) + "f(n)" + repeated(")", 995),
                                    repeated("[", 98) + repeated("-", 895) + "f(n)" + repeated("]", 98)})
        EXPECT_EQ(evaluatedText("def f(n):\n  return " + body + "\nf(1)\n5"),
                  (Lines{"blank", callsTooDeep, callsTooDeep, "5"}));
    const std::vector<SharedSheet> others = {
        {"Other", "def pong(n):\n  return " + repeated("-", 995) + "ping(n)"}};
    EXPECT_EQ(evaluatedText("def ping(n):\n  return " + repeated("-", 995) + "pong(n)\nping(1)", others),
              (Lines{"blank", callsTooDeep, callsTooDeep}));
    // Deep lines that end are fine.
    EXPECT_EQ(evaluatedText("def f(n):\n  if n == 0:\n    return 0\n  return " + repeated("-", 200) +
                            "f(n - 1)\nf(3)"),
              (Lines{"blank", "blank", "0", "0", "0"}));
}

TEST(HostileInput, SheetsWhoseFunctionsCallEachOther) {
    const EngineSettingsScope english(AppLanguage::english);
    const std::vector<SharedSheet> others = {{"Other", "def pong(n):\n  return ping(n)\ndef down(n):\n  if n "
                                                       "<= 0:\n    return 0\n  return up(n - 1) + 1"}};
    EXPECT_EQ(evaluatedText("def ping(n):\n  return pong(n)\nping(1)\n4", others),
              (Lines{"blank", callsTooDeep, callsTooDeep, "4"}));
    // Calls back and forth that end are fine.
    EXPECT_EQ(evaluatedText("def up(n):\n  return down(n)\nup(10)", others), (Lines{"blank", "10", "10"}));
    // Another sheet's function calling itself on its own sheet.
    EXPECT_EQ(evaluatedText("spin(1)", {{"Tools", "def spin(n):\n  return spin(n)"}}), (Lines{callsTooDeep}));
}

// Large values cost time that no program step counts: the clock is read as they are built, so a sheet
// of short but heavy lines stops at the time limit instead of running for seconds.
TEST(HostileInput, HeavyLinesStopAtTheTimeLimit) {
    const EngineSettingsScope english(AppLanguage::english);
    // The stepping clock reads 0.1 s at the start, 0.2 s at the first 4096 units of work and 0.3 s at
    // the next: the second line is past the limit, and so is every later one that builds a list.
    EXPECT_EQ(evaluatedText("len([0] * 5000)\nlen([0] * 5000)\nsum([1] * 99999)\n7", {}, steppingClock()),
              (Lines{"5000", tooLong, tooLong, "7"}));
    std::string sheet;
    for (int i = 0; i < 250; ++i)
        sheet += "sum([1] * 99999)\n";
    const Lines results = evaluatedText(sheet, {}, steppingClock());
    EXPECT_EQ(results.front(), "99999");
    EXPECT_EQ(results[1], tooLong);
    EXPECT_EQ(results[249], tooLong);
    // A plot reads a failing sample as a gap, but not a used-up budget.
    EXPECT_EQ(evaluatedText("plot(len([0] * 5000) * x)", {}, steppingClock()), (Lines{tooLong}));
    EXPECT_EQ(evaluatedText("plot(len([0] * 5000) * x * y)", {}, steppingClock()), (Lines{tooLong}));
    // Inside a loop the line fails and the loop ends at its next 256th step.
    EXPECT_EQ(evaluatedText("for i in range(1000):\n  len([0] * 5000)\n8", {}, steppingClock()),
              (Lines{tooLong, tooLong, tooLong}));
}

} // namespace
} // namespace vell
