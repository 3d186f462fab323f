#include "Engine/EngineSettings.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/ProgramRunner.h"
#include "Sheet/SheetEvaluationCache.h"
#include "SheetGenerator.h"
#include "SheetTestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <regex>
#include <set>

namespace vell {
namespace {

using testsupport::frozenClock;

struct SettingsScope {
    explicit SettingsScope(EngineSettings settings) : saved(EngineSettings::current()) {
        EngineSettings::set(settings);
    }
    ~SettingsScope() { EngineSettings::set(saved); }
    EngineSettings saved;
};

EngineSettings english() {
    EngineSettings settings;
    settings.language = AppLanguage::english;
    return settings;
}

std::vector<LineResult> afresh(std::string_view text, std::span<const SharedSheet> others = {}) {
    ProgramRunner runner(DocumentEvaluator::splitLines(text), others, frozenClock());
    return runner.run();
}

// Why the two results differ; empty when they are the same to the bit.
std::string difference(const LineResult& cached, const LineResult& fresh) {
    const auto shown = [&] {
        return "cached " + cached.debugDescription() + ", afresh " + fresh.debugDescription();
    };
    if (cached.name != fresh.name || cached.outcome.kind() != fresh.outcome.kind()) return shown();
    if (const Value* value = cached.outcome.as<Value>()) {
        if (!SheetEvaluationCache::identical(*value, *fresh.outcome.as<Value>())) return shown();
    } else if (const auto* failure = cached.outcome.as<LineOutcome::Failure>()) {
        if (failure->message != fresh.outcome.as<LineOutcome::Failure>()->message) return shown();
    } else if (const PlotSpec* plot = cached.outcome.as<PlotSpec>()) {
        if (!(*plot == *fresh.outcome.as<PlotSpec>())) return shown();
    }
    return {};
}

// Evaluates the text through the cache and afresh, and expects the same results line by line.
::testing::AssertionResult sameAsAfresh(SheetEvaluationCache& cache, std::string_view text,
                                        std::span<const SharedSheet> others = {}) {
    const auto cached = cache.evaluate(text, others);
    const auto fresh = afresh(text, others);
    if (cached.size() != fresh.size()) return ::testing::AssertionFailure() << "different line counts";
    const auto lines = DocumentEvaluator::splitLines(text);
    for (std::size_t i = 0; i < cached.size(); ++i)
        if (const std::string why = difference(cached[i], fresh[i]); !why.empty())
            return ::testing::AssertionFailure() << "line " << i + 1 << " \"" << lines[i] << "\": " << why;
    return ::testing::AssertionSuccess();
}

using bench::joined;
using bench::linesOf;

const PlotSpec* plotAt(const std::vector<LineResult>& results, std::size_t line) {
    return results.at(line).outcome.as<PlotSpec>();
}

TEST(SheetEvaluationCache, IdenticalValuesAreTheSameToTheBit) {
    EXPECT_TRUE(SheetEvaluationCache::identical(Value(1.5), Value(1.5)));
    EXPECT_FALSE(SheetEvaluationCache::identical(Value(0.0), Value(-0.0)));
    EXPECT_FALSE(SheetEvaluationCache::identical(Value(5), Value::percent(5)));
    // "é" composed and decomposed: equal texts, not identical ones.
    EXPECT_EQ(Value::text("\u00e9"), Value::text("e\u0301"));
    EXPECT_FALSE(SheetEvaluationCache::identical(Value::text("\u00e9"), Value::text("e\u0301")));
    EXPECT_TRUE(SheetEvaluationCache::identical(Value::list({Value(1), Value::text("a")}),
                                                Value::list({Value(1), Value::text("a")})));
    EXPECT_FALSE(SheetEvaluationCache::identical(Value::list({Value(1)}), Value::list({Value(1), Value(1)})));
    EXPECT_FALSE(SheetEvaluationCache::identical(std::optional<Value>(), std::optional<Value>(Value(0))));
}

TEST(SheetEvaluationCache, UnchangedPlotsAreTakenOverAndChangedInputsMakeThemAnew) {
    const SettingsScope scope(english());
    SheetEvaluationCache cache(frozenClock());
    const auto first = cache.evaluate("k = 2\nplot(k × x)\nplot(sin(x))\n5\nplot(prev × x)");
    ASSERT_NE(plotAt(first, 1), nullptr);

    // The note edited: every plot is taken over as it was.
    const auto same = cache.evaluate("k = 2\nplot(k × x)\nplot(sin(x))\n5\nplot(prev × x)");
    EXPECT_EQ(plotAt(same, 1), plotAt(first, 1));
    EXPECT_EQ(plotAt(same, 2), plotAt(first, 2));
    EXPECT_EQ(plotAt(same, 4), plotAt(first, 4));

    // k redefined above: the plot that reads it is made anew, the one that does not is kept.
    const auto redefined = cache.evaluate("k = 3\nplot(k × x)\nplot(sin(x))\n5\nplot(prev × x)");
    EXPECT_NE(plotAt(redefined, 1), plotAt(first, 1));
    EXPECT_FALSE(*plotAt(redefined, 1) == *plotAt(first, 1));
    EXPECT_EQ(plotAt(redefined, 2), plotAt(first, 2));
    // The previous answer changed.
    const auto previous = cache.evaluate("k = 3\nplot(k × x)\nplot(sin(x))\n6\nplot(prev × x)");
    EXPECT_FALSE(*plotAt(previous, 4) == *plotAt(redefined, 4));
    EXPECT_TRUE(sameAsAfresh(cache, "k = 3\nplot(k × x)\nplot(sin(x))\n6\nplot(prev × x)"));
}

TEST(SheetEvaluationCache, EditsFollowedByTheLinesThatReadThem) {
    const SettingsScope scope(english());
    // Each sheet is evaluated through the cache after the one before it.
    const std::vector<std::string> steps{
        "a = 2\nb = a × 3\n10\n+ 5\nprev × 2\nsum\n\n1\ntotal\n#2 + 1",
        "a = 4\nb = a × 3\n10\n+ 5\nprev × 2\nsum\n\n1\ntotal\n#2 + 1",      // a name changed
        "a = 4\nb = a × 3\n11\n+ 5\nprev × 2\nsum\n\n1\ntotal\n#2 + 1",      // prev and sum after it
        "a = 4\nb = a × 3\n11\nx\n+ 5\nprev × 2\nsum\n\n1\ntotal\n#2 + 1",   // a note inserted
        "a = 4\nb = a × 3\n11\nx\n+ 5\nprev × 2\nsum\n1\ntotal\n#2 + 1",     // the block joined
        "a = 4\nb = a × 3\n11\nx\n+ 5\nprev × 2\nsum\n1\ntotal\n#3 + 1",     // another line read
        "a = 4\nc = a × 3\n11\nx\n+ 5\nprev × 2\nsum\n1\ntotal\n#3 + b",     // a name renamed away
        "a = 4\nb = a × 3\n11\nx\n+ 5\nprev × 2\nsum\n1\ntotal\n#3 + b",     // and back
        "a = 4 m\nb = a × 3\n11\nx\n+ 5\nprev × 2\nsum\n1\ntotal\n#3 + b",   // a unit
        "a = 4 m\nb = a × 3\n11 s\nx\n+ 5\nprev × 2\nsum\n1\ntotal\n#3 + b", // mixed kinds in the sum
        // A sum that fails for mixed units, then one with nothing to add: both read no value.
        "1 m\n1 s\nsum",
        "1 m\n1 s\n\nsum",
        "a = \"x\"\nb = a + \"y\"\nlen(b)\na = [1, 2]\nsum(a)\nb", // texts and lists
        "a = \"x\"\nb = a + \"z\"\nlen(b)\na = [1, 3]\nsum(a)\nb",
    };
    SheetEvaluationCache cache(frozenClock());
    for (const std::string& text : steps)
        EXPECT_TRUE(sameAsAfresh(cache, text)) << text;
}

TEST(SheetEvaluationCache, FunctionsOfThisAndOtherSheetsAreFollowed) {
    const SettingsScope scope(english());
    SheetEvaluationCache cache(frozenClock());
    const auto helpers = [](std::string_view body) {
        return std::vector<SharedSheet>{{"Helpers", "def f(x):\n    return x " + std::string(body)}};
    };
    const std::string sheet = "f(2)\ng(2)\nplot(x + f(1), -1, f(3))\nn = 3\nplot(n × x)";
    EXPECT_TRUE(sameAsAfresh(cache, sheet, helpers("× 2")));
    // The function edited in the other sheet.
    EXPECT_TRUE(sameAsAfresh(cache, sheet, helpers("× 5")));
    // A function that was missing turns up in the other sheet, and in this one.
    std::vector<SharedSheet> withG = helpers("× 5");
    withG.push_back({"More", "def g(y):\n    return y + 100"});
    EXPECT_TRUE(sameAsAfresh(cache, sheet, withG));
    EXPECT_TRUE(sameAsAfresh(cache, "def g(y):\n    return y - 1\n" + sheet, helpers("× 5")));
    EXPECT_TRUE(sameAsAfresh(cache, "def g(y):\n    return y - 2\n" + sheet, helpers("× 5")));
    EXPECT_TRUE(sameAsAfresh(cache, sheet, {}));
}

TEST(SheetEvaluationCache, SettingsChangesAreFollowed) {
    SheetEvaluationCache cache(frozenClock());
    const std::string sheet = "x = 1/3\nsin(90)\n5 +\nabc 5\n1 m + 1 s\nplot(sin(x) × 90)";
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese, AppLanguage::english})
        for (const bool degrees : {false, true})
            for (const int digits : {10, 2}) {
                EngineSettings settings;
                settings.language = language;
                settings.degrees = degrees;
                settings.maxFractionDigits = digits;
                const SettingsScope scope(settings);
                EXPECT_TRUE(sameAsAfresh(cache, sheet));
            }
}

TEST(SheetEvaluationCache, ProgramsAndBlocksAreEvaluatedAsAfresh) {
    const SettingsScope scope(english());
    const std::vector<std::string> steps{
        "n = 3\nif n > 2:\n    big = 1\nelse:\n    big = 0\nbig\nfor i in range(n):\n    s = i\ns\nplot(s × "
        "x)",
        "n = 1\nif n > 2:\n    big = 1\nelse:\n    big = 0\nbig\nfor i in range(n):\n    s = i\ns\nplot(s × "
        "x)",
        "n = 1\nif n > 2:\n    big = 1\nbig\nfor i in range(n):\n    s = i\ns\nplot(s × x)",
        "n = 4\nwhile n > 0:\n    n = n - 1\nn\ndef h(a):\n    return a × n\nh(2)\nplot(x + n)",
        "n = 5\nwhile n > 0:\n    n = n - 2\nn\ndef h(a):\n    return a × n\nh(2)\nplot(x + n)",
        "n = 5\nwhile n > 0:\n    n = n - 2\nn\ndef h(a):\n    return a + n\nh(2)\nplot(x + n)",
        "break\nn = 1\nn + 1",
        "n = 1\nn + 1\nreturn 5\ncontinue\nn",
    };
    SheetEvaluationCache cache(frozenClock());
    for (const std::string& text : steps)
        EXPECT_TRUE(sameAsAfresh(cache, text)) << text;
}

TEST(SheetEvaluationCache, ALineCutShortByTheTimeLimitIsEvaluatedAgain) {
    const SettingsScope scope(english());
    // A clock that runs 0.1 s on at every reading while slow, and stands still after.
    auto slow = std::make_shared<bool>(true);
    auto now = std::make_shared<ProgramBudget::Clock::time_point>();
    SheetEvaluationCache cache([slow, now] {
        if (*slow) *now += std::chrono::milliseconds(100);
        return *now;
    });
    const std::string sheet = "len([0] * 50000 + [1] * 50000)\nplot(len([0] * 50000 + [1] * 50000) × x)";
    const auto cut = testsupport::describe(cache.evaluate(sheet));
    ASSERT_EQ(cut, (std::vector<std::string>{"fail: The loop is taking too long",
                                             "fail: The loop is taking too long"}));
    *slow = false;
    EXPECT_EQ(testsupport::describe(cache.evaluate(sheet)), (std::vector<std::string>{"100000", "plot"}));
}

TEST(SheetEvaluationCache, TellsWhetherEvaluatingAgainWouldGetFurther) {
    const SettingsScope scope(english());
    // 0.1 s at every reading: an evaluation works out one line that builds a long list, besides the
    // lines it takes over.
    SheetEvaluationCache cache(testsupport::steppingClock());
    const auto further = [&](std::string_view text) {
        cache.evaluate(text);
        return cache.wouldGetFurther();
    };
    // The first round keeps c's failure to find b, which the second round works out while c runs out of
    // time: fewer lines kept, yet further.
    const std::string three = "a = len([1] * 5000)\nb = len([2] * 5000)\nc = b + len([3] * 5000)";
    EXPECT_TRUE(further(three));
    EXPECT_TRUE(further(three));
    EXPECT_FALSE(further(three)) << "complete";
    EXPECT_EQ(testsupport::describe(cache.evaluate(three)),
              (std::vector<std::string>{"5000 =a", "5000 =b", "10000 =c"}));

    // A loop that runs out of time wherever the evaluation starts: the second round keeps nothing new.
    const std::string forever = "a = len([4] * 5000)\nwhile 1:\n    2\nb = len([2] * 5000)";
    EXPECT_TRUE(further(forever));
    EXPECT_FALSE(further(forever));
    EXPECT_FALSE(further(forever));
    // An edit that keeps a line it worked out is worth another round; one that only took lines over is not.
    EXPECT_TRUE(further("a = len([7] * 5000)\nwhile 1:\n    2\nb = len([2] * 5000)"));
    EXPECT_FALSE(further("a = len([7] * 5000)\nwhile 1:\n    3\nb = len([2] * 5000)"));

    SheetEvaluationCache still(frozenClock());
    still.evaluate(three);
    EXPECT_FALSE(still.wouldGetFurther());
}

TEST(SheetEvaluationCache, RandomEditsOfGeneratedSheetsGiveWhatAFreshEvaluationGives) {
    for (const std::uint64_t seed : {1u, 2u, 3u}) {
        std::mt19937_64 random(seed);
        const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
        const bool shared = seed % 2 == 1;
        const std::string generated =
            bench::generateSheet({.lines = 300, .seed = seed, .callsSharedFunctions = shared});
        std::vector<std::string> lines = linesOf(generated);
        std::vector<SharedSheet> others = shared ? bench::sharedSheets() : std::vector<SharedSheet>{};

        // The names the sheet assigns, to be read, renamed and plotted by the edits.
        std::vector<std::string> names;
        const std::regex assignment(R"(^([A-Za-z_][A-Za-z_0-9]*) = )");
        for (const std::string& line : lines)
            if (std::smatch match; std::regex_search(line, match, assignment)) names.push_back(match[1]);
        ASSERT_FALSE(names.empty());
        const auto name = [&] { return names[pick(names.size())]; };
        const auto number = [&] { return std::to_string(pick(50) + 1); };
        const auto newLine = [&]() -> std::string {
            switch (pick(17)) {
            case 0:
                return name() + " = " + number();
            case 1:
                return name() + " × " + number();
            case 2:
                return "plot(" + name() + " × x + " + number() + ")";
            case 3:
                return "plot(sin(x) × prev, -" + number() + ", " + number() + ")";
            case 4:
                return "plot(x × y + " + name() + ")";
            case 5:
                return pick(2) ? "sum" : "total";
            case 6:
                return "prev + " + number();
            case 7:
                return "#" + std::to_string(pick(lines.size()) + 1) + " + 1";
            case 8:
                return "";
            case 9:
                return "// " + name();
            case 10:
                return "withTax(" + number() + ")";
            case 11:
                return "if " + name() + " > " + number() + ":";
            case 12:
                return "    " + name() + " = " + number();
            case 13:
                return name() + " = " + name() + " + 1";
            case 14:
                return pick(2) ? "def " + name() + "(q):" : "    return q × " + name();
            case 15:
                return "for i in range(" + number() + "):";
            default:
                return "- " + number();
            }
        };

        SettingsScope scope(english());
        SheetEvaluationCache cache(frozenClock());
        ASSERT_TRUE(sameAsAfresh(cache, joined(lines), others));
        for (int step = 0; step < 120; ++step) {
            std::string what;
            switch (pick(10)) {
            case 0:
            case 1:
                what = "insert";
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(pick(lines.size() + 1)), newLine());
                break;
            case 2:
                what = "delete";
                if (lines.size() > 1)
                    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(pick(lines.size())));
                break;
            case 3:
            case 4:
                what = "change";
                lines[pick(lines.size())] = newLine();
                break;
            case 5:
                what = "type";
                lines[pick(lines.size())] += pick(2) ? "1" : " ";
                break;
            case 6: {
                what = "rename";
                const std::string from = name();
                const std::string to = name();
                for (std::string& line : lines)
                    if (line.starts_with(from + " = ")) {
                        line = to + line.substr(from.size());
                        break;
                    }
                break;
            }
            case 7: {
                what = "settings";
                EngineSettings settings = EngineSettings::current();
                switch (pick(3)) {
                case 0:
                    settings.language = settings.language == AppLanguage::english ? AppLanguage::japanese
                                                                                  : AppLanguage::english;
                    break;
                case 1:
                    settings.degrees = !settings.degrees;
                    break;
                default:
                    settings.maxFractionDigits = settings.maxFractionDigits == 10 ? 3 : 10;
                    break;
                }
                EngineSettings::set(settings);
                break;
            }
            case 8:
                what = "other sheet";
                if (!others.empty()) {
                    std::string& text = others.back().text;
                    const auto at = text.find("x × 1.");
                    if (at != std::string::npos) text[at + 6] = static_cast<char>('1' + pick(9));
                    if (pick(4) == 0) others.push_back({"Extra", "def " + name() + "(q):\n    return q"});
                }
                break;
            default:
                what = "nothing";
                break;
            }
            ASSERT_TRUE(sameAsAfresh(cache, joined(lines), others))
                << "seed " << seed << ", step " << step << ", " << what;
        }
    }
}

TEST(SheetEvaluationCache, LongLinesAreRefusedAndDeepOnesDoNotCrash) {
    const SettingsScope scope(english());
    const std::string tooLong = "fail: The line is too long to calculate";
    std::string additions = "1";
    while (additions.size() <= DocumentEvaluator::maxLineBytes)
        additions += "+1";
    const std::string words(DocumentEvaluator::maxLineBytes + 1, 'a');
    const std::string deep = std::string(500000, '(') + "1" + std::string(500000, ')');
    const std::string atLimit = "\"" + std::string(DocumentEvaluator::maxLineBytes - 2, 'a') + "\"";
    const std::vector<std::string> results = testsupport::describe(
        DocumentEvaluator::evaluate(additions + "\n" + words + "\n" + deep + "\n" + atLimit +
                                    "\nlen(prev)\nfor i in range(2):\n    " + additions + "\n7"));
    EXPECT_EQ(results, (std::vector<std::string>{tooLong, "note", tooLong, results[3],
                                                 std::to_string(DocumentEvaluator::maxLineBytes - 2), "blank",
                                                 tooLong, "7"}));
    EXPECT_TRUE(results[3].starts_with("\"aaa"));

    SettingsScope japanese([] {
        EngineSettings settings;
        settings.language = AppLanguage::japanese;
        return settings;
    }());
    EXPECT_EQ(testsupport::describe(DocumentEvaluator::evaluate(additions)[0]),
              "fail: 行が長すぎて計算できません");
}

} // namespace
} // namespace vell
