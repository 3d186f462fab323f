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

// A clock that stands still and counts how often it is read: an evaluation reads it once as it starts
// and then every 256 steps, so a loop that is run shows in the count.
struct CountingClock {
    std::shared_ptr<int> readings = std::make_shared<int>(0);
    ProgramBudget::ClockSource source() const {
        return [readings = readings] {
            ++*readings;
            return ProgramBudget::Clock::time_point();
        };
    }
};

TEST(SheetEvaluationCache, LinesAboveAnEditAreNotEvaluatedAgain) {
    const SettingsScope scope(english());
    // A loop of 40,000 steps at the top, and one inside a block further down.
    std::vector<std::string> lines{"n = 0", "while n < 20000:", "    n = n + 1", "n"};
    for (int i = 0; i < 200; ++i)
        lines.push_back("v" + std::to_string(i) + " = n + " + std::to_string(i));
    lines.insert(lines.end(), {"total", "for i in range(3):", "    w = i × 2", "w + v5", "last = w"});
    const std::size_t inBlock = lines.size() - 4; // "    w = i × 2"
    const std::size_t below = lines.size() - 1;   // "last = w"
    CountingClock clock;
    SheetEvaluationCache cache(clock.source());
    const auto readingsFor = [&](std::size_t line, std::string text) {
        lines[line] = std::move(text);
        *clock.readings = 0;
        EXPECT_TRUE(sameAsAfresh(cache, joined(lines))) << lines[line];
        return *clock.readings;
    };
    ASSERT_TRUE(sameAsAfresh(cache, joined(lines)));

    // The first key on a line evaluates from where the evaluation before could go on from, the top
    // here; the next keys on the same top-level block go on from its start, and so do keys below it.
    EXPECT_GT(readingsFor(below - 1, "w + v6"), 100);
    EXPECT_EQ(readingsFor(below - 1, "w + v7"), 1);
    EXPECT_EQ(readingsFor(below, "last = w + 1"), 1);
    EXPECT_EQ(readingsFor(below, "last = w + 12"), 1);
    EXPECT_GT(readingsFor(inBlock, "    w = i × 3"), 100) << "the edit moved up";
    EXPECT_EQ(readingsFor(inBlock, "    w = i × 4"), 1);
    EXPECT_EQ(readingsFor(inBlock - 1, "for i in range(4):"), 1);
    EXPECT_EQ(readingsFor(below, "last = w + 2"), 1);
    // An edit above the loop runs it again.
    EXPECT_GT(readingsFor(0, "n = 1"), 100);
    EXPECT_GT(readingsFor(below, "last = w + 3"), 100);
    EXPECT_EQ(readingsFor(below, "last = w + 4"), 1);
    // The same text again goes on from there too.
    *clock.readings = 0;
    EXPECT_TRUE(sameAsAfresh(cache, joined(lines)));
    EXPECT_EQ(*clock.readings, 1);
}

TEST(SheetEvaluationCache, EditsAroundBlocksGiveWhatAFreshEvaluationGives) {
    const SettingsScope scope(english());
    // Each case is a sheet and the line typed into, key after key, then edits elsewhere.
    struct Case {
        std::string name;
        std::vector<std::string> sheets;
    };
    const std::vector<Case> cases{
        {"a def below called above, then above it and through it",
         {"x = 2\nf(x)\ny = 3\ndef f(a):\n    return a × y\nf(4)\nz = f(1)",
          "x = 2\nf(x)\ny = 4\ndef f(a):\n    return a × y\nf(4)\nz = f(1)",
          "x = 2\nf(x)\ny = 4\ndef f(a):\n    return a × y\nf(5)\nz = f(1)",
          "x = 2\nf(x)\ny = 4\ndef f(a):\n    return a × y\nf(56)\nz = f(1)",
          "x = 2\nf(x)\ny = 4\ndef f(a):\n    return a + y\nf(56)\nz = f(1)",
          "x = 2\nf(x)\ny = 4\ndef f(a):\n    return a + y\nf(56)\nz = f(12)"}},
        {"a def above whose body lines show the last call below",
         {"def f(a):\n    b = a × 2\n    return b\nf(1)\nf(2)\n#2 + 1\n#3",
          "def f(a):\n    b = a × 2\n    return b\nf(1)\nf(3)\n#2 + 1\n#3",
          "def f(a):\n    b = a × 2\n    return b\nf(1)\nf(34)\n#2 + 1\n#3",
          "def f(a):\n    b = a × 2\n    return b\nf(1)\nf(34)\n#2 + 10\n#3",
          "def f(a):\n    b = a × 2\n    return b\nf(1)\nf(34)\n#2 + 10\n#2",
          "def f(a):\n    b = a × 2\n    return b\nf(1)\n\n#2 + 10\n#2"}},
        {"if and else, their bodies and a header cut",
         {"a = 3\nif a > 1:\n    b = 1\nelse:\n    b = 2\nb\nc = b + a",
          "a = 3\nif a > 1:\n    b = 10\nelse:\n    b = 2\nb\nc = b + a",
          "a = 3\nif a > 1:\n    b = 10\nelse:\n    b = 20\nb\nc = b + a",
          "a = 3\nif a > 1:\n    b = 10\nelse\n    b = 20\nb\nc = b + a",
          "a = 3\nif a > 1:\n    b = 10\nels\n    b = 20\nb\nc = b + a",
          "a = 3\nif a > 1:\n    b = 10\nelse:\n    b = 20\nb\nc = b + a",
          "a = 3\nif a > 1\n    b = 10\nelse:\n    b = 20\nb\nc = b + a",
          "a = 3\nif a > 1:\n    b = 10\nelse:\n    b = 20\nb\nc = b + a",
          "a = 3\nif a > 1:\n    b = 10\nelse:\n    b = 20\nelif a > 0:\n    b = 5\nc = b + a",
          "a = 3\nif a > 1:\n    b = 10\nelse:\n    b = 20\nb\nc = b + a"}},
        {"a loop body, lines joining and leaving it",
         {"s = 0\nfor i in range(4):\n    s = s + i\n    t = s × 2\ns\nt\nsum",
          "s = 0\nfor i in range(4):\n    s = s + i\n    t = s × 3\ns\nt\nsum",
          "s = 0\nfor i in range(4):\n    s = s + i\n    t = s × 3\n    s\nt\nsum",
          "s = 0\nfor i in range(4):\n    s = s + i\n    t = s × 3\n    s\n    t\nsum",
          "s = 0\nfor i in range(4):\n    s = s + i\n    t = s × 3\n    s\nt\nsum",
          "s = 0\nfor i in range(4):\n    s = s + i\nt = s × 3\n    s\nt\nsum",
          "s = 0\nfor i in range(5):\n    s = s + i\nt = s × 3\n    s\nt\nsum",
          "s = 0\nwhile s < 10:\n    s = s + 3\nt = s × 3\n    s\nt\nsum"}},
        {"line references, sums and the previous answer across the edit",
         {"10\n20\n#1 + #2\nsum\n\n5\n+ 1\nprev × 2\ntotal\n#7\n#11",
          "10\n20\n#1 + #2\nsum\n\n5\n+ 12\nprev × 2\ntotal\n#7\n#11",
          "10\n20\n#1 + #2\nsum\n\n5\n+ 12\nprev × 3\ntotal\n#7\n#11",
          "10\n20\n#1 + #2\nsum\n\n5\n+ 12\nprev × 3\nsum\n#7\n#11",
          "10\n20\n#1 + #2\nsum\n\n5\n+ 12\n\nprev × 3\nsum\n#7\n#11",
          "10\n20\n#1 + #2\nsum\n5\n+ 12\n\nprev × 3\nsum\n#7\n#11",
          "10\n20\n#1 + #2\nsum\n5\n+ 12\n\nprev × 3\nsum\n#7\n#11\n3 m",
          "10\n20\n#1 + #2\nsum\n5\n+ 12\n\nprev × 3\nsum\n#7\n#11\n3 m\ntotal"}},
        {"names reassigned below, and renamed",
         {"a = 1\nb = a\na = 2\nc = a\nd = b + c", "a = 1\nb = a\na = 2\nc = a + 1\nd = b + c",
          "a = 1\nb = a\na = 3\nc = a + 1\nd = b + c", "a = 1\nb = a\nq = 3\nc = a + 1\nd = b + c",
          "a = 1\nb = a\nq = 3\nc = a + q\nd = b + c",
          "a = 1\nb = a\nq = 3\nc = a + q\nd = b + c\nb = 7\nb"}},
        {"a break at the top level ends the sheet",
         {"a = 1\nb = 2\nbreak\nc = 3\nd = 4", "a = 1\nb = 2\nbreak\nc = 3\nd = 5",
          "a = 1\nb = 2\nbreak\nc = 3\nd = 56", "a = 1\nb = 2\nbrea\nc = 3\nd = 56",
          "a = 1\nb = 2\nbrea\nc = 3\nd = 567", "a = 1\nb = 2\ncontinue\nc = 3\nd = 567",
          "a = 1\nb = 2\ncontinue\nc = 3\nd = 5678"}},
        {"lines added and taken off at the end",
         {"a = 1\nb = a + 1", "a = 1\nb = a + 1\n", "a = 1\nb = a + 1\nc",
          "a = 1\nb = a + 1\nc =", "a = 1\nb = a + 1\nc = b", "a = 1\nb = a + 1\nc = b\n",
          "a = 1\nb = a + 1\nc = b", "a = 1\nb = a + 1", "a = 1\nb = a + 12", "a = 1"}},
        {"loops above and below an edit that meet the step limit together",
         {"n = 0\nwhile n < 70000:\n    n = n + 1\nx = 1\nm = 0\nwhile m < 40000:\n    m = m + 1\nm + x",
          "n = 0\nwhile n < 70000:\n    n = n + 1\nx = 12\nm = 0\nwhile m < 40000:\n    m = m + 1\nm + x",
          "n = 0\nwhile n < 70000:\n    n = n + 1\nx = 123\nm = 0\nwhile m < 40000:\n    m = m + 1\nm + x"}},
        {"a function nested in a block defines another when called",
         {"def outer(a):\n    def inner(b):\n        return b + a\n    return "
          "inner(1)\nouter(1)\ninner(5)\nx = 1",
          "def outer(a):\n    def inner(b):\n        return b + a\n    return "
          "inner(1)\nouter(1)\ninner(5)\nx = 12",
          "def outer(a):\n    def inner(b):\n        return b + a\n    return "
          "inner(1)\nouter(2)\ninner(5)\nx = 12",
          "def outer(a):\n    def inner(b):\n        return b + a\n    return "
          "inner(1)\nouter(2)\ninner(6)\nx = 12"}},
    };
    for (const Case& test : cases) {
        SheetEvaluationCache cache(frozenClock());
        for (const std::string& text : test.sheets)
            EXPECT_TRUE(sameAsAfresh(cache, text)) << test.name << "\n" << text;
        // And back through the sheets, the edits moving up.
        for (auto text = test.sheets.rbegin(); text != test.sheets.rend(); ++text)
            EXPECT_TRUE(sameAsAfresh(cache, *text)) << test.name << ", backwards\n" << *text;
    }
}

TEST(SheetEvaluationCache, KeysInAndAroundBlocksGiveWhatAFreshEvaluationGives) {
    // Keys as a user types them: mostly on the line typed into last, now and then on another, into a
    // sheet of blocks, functions called above and below their defs, and lines that read across edits.
    for (const std::uint64_t seed : {4u, 5u, 6u}) {
        std::mt19937_64 random(seed);
        const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
        std::vector<std::string> lines = linesOf(bench::generateSheet({.lines = 120, .seed = seed}));
        const std::vector<std::vector<std::string>> blocks{
            {"k = 2", "f1(3)", "def f1(q):", "    r = q × k", "    return r + #1", "f1(4)"},
            {"if k > 5:", "    x = 1", "elif k > 1:", "    x = 2", "else:", "    x = 3", "x"},
            {"acc = 0", "for i in range(3):", "    acc = acc + i", "    #3 + acc", "acc"},
            {"w = 0", "while w < 5:", "    w = w + 1", "    if w > 3:", "        break", "w"},
            {"def f2(q):", "    return f1(q) + k", "f2(1)", "k = 7", "f2(1)"},
        };
        for (const auto& block : blocks)
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(pick(lines.size() + 1)), block.begin(),
                         block.end());
        const std::vector<std::string> names{"k", "x", "acc", "w", "r", "q", "i"};
        const auto name = [&] { return names[pick(names.size())]; };
        const auto number = [&] { return std::to_string(pick(9) + 1); };
        const auto newLine = [&]() -> std::string {
            switch (pick(14)) {
            case 0:
                return name() + " = " + number();
            case 1:
                return "    " + name() + " = " + name() + " + " + number();
            case 2:
                return "if " + name() + " > " + number() + ":";
            case 3:
                return "else:";
            case 4:
                return "for i in range(" + number() + "):";
            case 5:
                return "def f" + number() + "(q):";
            case 6:
                return "    return q × " + name();
            case 7:
                return "f" + number() + "(" + number() + ")";
            case 8:
                return "#" + std::to_string(pick(lines.size()) + 1) + " × 2";
            case 9:
                return pick(2) ? "sum" : "total";
            case 10:
                return "prev × " + number();
            case 11:
                return "";
            case 12:
                return "// " + name();
            default:
                return "- " + number();
            }
        };

        SettingsScope scope(english());
        SheetEvaluationCache cache(frozenClock());
        ASSERT_TRUE(sameAsAfresh(cache, joined(lines)));
        std::size_t at = pick(lines.size());
        for (int step = 0; step < 150; ++step) {
            if (pick(10) < 3) at = pick(lines.size());
            at = std::min(at, lines.size() - 1);
            std::string& line = lines[at];
            std::string what;
            switch (pick(12)) {
            case 0:
            case 1:
            case 2:
                what = "type";
                line += static_cast<char>("0123456789 :+"[pick(13)]);
                break;
            case 3:
            case 4:
                what = "erase";
                if (!line.empty()) line.pop_back();
                break;
            case 5:
                what = "change";
                line = newLine();
                break;
            case 6:
                what = "insert";
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at + 1), newLine());
                ++at;
                break;
            case 7:
                what = "delete";
                if (lines.size() > 1) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            case 8:
                what = "indent";
                line.insert(0, "    ");
                break;
            case 9:
                what = "outdent";
                line.erase(0, std::min(line.find_first_not_of(' '), std::size_t{4}));
                break;
            case 10:
                what = "colon";
                if (line.ends_with(":"))
                    line.pop_back();
                else
                    line += ":";
                break;
            default:
                what = "break the line";
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at + 1),
                             line.substr(line.size() / 2));
                lines[at].resize(lines[at].size() / 2);
                break;
            }
            ASSERT_TRUE(sameAsAfresh(cache, joined(lines)))
                << "seed " << seed << ", step " << step << ", " << what << " at line " << at + 1;
        }
    }
}

TEST(SheetEvaluationCache, FunctionsKeptAboveAnEditDoNotReadTheTextsPassedBefore) {
    const SettingsScope scope(english());
    // The point to go on from keeps f, defined above the edit; every text passed is overwritten once
    // evaluated.
    SheetEvaluationCache cache(frozenClock());
    const std::string sheet = "def f(a):\n    b = a × 2\n    return b + 1\nx = 1\ny = f(x)";
    for (const std::string key : {"", "0", "00", " + 1", " + 12", " + 123"}) {
        std::string passed = sheet + key;
        const auto cached = cache.evaluate(passed);
        const std::string text = passed;
        std::fill(passed.begin(), passed.end(), '9');
        EXPECT_EQ(testsupport::describe(cached), testsupport::describe(afresh(text))) << text;
    }
    // The text grows far past what it took: its copy moves.
    std::string passed = sheet + " + " + std::string(5000, '1');
    EXPECT_TRUE(sameAsAfresh(cache, passed));
    passed += "2";
    EXPECT_TRUE(sameAsAfresh(cache, passed));
}

TEST(SheetEvaluationCache, OtherSheetsChangedUnderAnEditAreFollowedAbove) {
    const SettingsScope scope(english());
    const std::string sheet = "def base(x):\n    return x + 1000\na = f(2)\nb = 3\nc = a + b";
    const auto typed = [&](std::string_view key) { return sheet + std::string(key); };
    const auto helpers = [](std::string_view body) {
        return SharedSheet{"Helpers", "def f(x):\n    return base(x) × " + std::string(body) +
                                          "\ndef base(x):\n    return x"};
    };
    SheetEvaluationCache cache(frozenClock());
    // No other sheet: f is missing above the edit, until a sheet offers it.
    std::vector<SharedSheet> others;
    EXPECT_TRUE(sameAsAfresh(cache, typed("9"), others));
    EXPECT_TRUE(sameAsAfresh(cache, typed("98"), others));
    others = {{"Notes", "1 + 1"}};
    EXPECT_TRUE(sameAsAfresh(cache, typed("987"), others));
    others = {helpers("2")};
    EXPECT_TRUE(sameAsAfresh(cache, typed("9876"), others));
    EXPECT_TRUE(sameAsAfresh(cache, typed(""), others));
    EXPECT_TRUE(sameAsAfresh(cache, typed("1"), others));
    EXPECT_TRUE(sameAsAfresh(cache, typed("12"), others));
    // The function used above the edit changes.
    others = {helpers("3")};
    EXPECT_TRUE(sameAsAfresh(cache, typed("123"), others));
    EXPECT_TRUE(sameAsAfresh(cache, typed("123"), others));
    // A sheet of the same name without functions comes first: f finds no base of its own sheet there
    // and takes this sheet's.
    others.insert(others.begin(), SharedSheet{"Helpers", "1 + 1"});
    EXPECT_TRUE(sameAsAfresh(cache, typed("1234"), others));
    others.front().text = "2 + 2";
    EXPECT_TRUE(sameAsAfresh(cache, typed("12345"), others));
    others.front().name = "Notes";
    EXPECT_TRUE(sameAsAfresh(cache, typed("123456"), others));
    // A sheet without functions changing or coming and going changes nothing.
    others.push_back({"More notes", "5 × 5"});
    EXPECT_TRUE(sameAsAfresh(cache, typed("1234567"), others));
    others.clear();
    EXPECT_TRUE(sameAsAfresh(cache, typed("12345678"), others));

    // A point taken below one whose lines read the other sheets, no line between reading them.
    const std::string longer = sheet + "\nd = 5\ne = 6";
    others = {helpers("2")};
    for (const std::string key : {"1", "12", "12\nf = 7", "12\nf = 78"})
        EXPECT_TRUE(sameAsAfresh(cache, longer + key, others)) << key;
    others = {helpers("4")};
    EXPECT_TRUE(sameAsAfresh(cache, longer + "12\nf = 789", others));

    // A function of another sheet that defines one when it is called above the edit, and one below
    // that calls it.
    others = {{"Helpers", "def setup(k):\n    def inner(x):\n        return x × k\n    return k\n"
                          "def useInner(x):\n    return inner(x)"}};
    for (const std::string key : {"", "1", "12", "123"})
        EXPECT_TRUE(sameAsAfresh(cache, "setup(3)\nx = 1\ny = useInner(2) + x" + key, others)) << key;
}

TEST(SheetEvaluationCache, KeysBelowASheetCutShortFillInAsAfresh) {
    const SettingsScope scope(english());
    // 0.1 s at every reading: each evaluation works out about one line that builds a long list.
    SheetEvaluationCache cache(testsupport::steppingClock());
    std::vector<std::string> lines;
    for (int i = 0; i < 6; ++i)
        lines.push_back("a" + std::to_string(i) + " = len([" + std::to_string(i) + "] * 5000)");
    lines.push_back("b = a0 + a5");
    const auto filledIn = [&] {
        const std::string text = joined(lines);
        int rounds = 0;
        while (cache.wouldGetFurther() && rounds < 20) {
            cache.evaluate(text);
            ++rounds;
        }
        EXPECT_LT(rounds, 20);
        EXPECT_EQ(testsupport::describe(cache.evaluate(text)), testsupport::describe(afresh(text))) << text;
        EXPECT_FALSE(cache.wouldGetFurther());
    };
    // Keys typed while the sheet is still cut short above them, then the rounds that fill it in.
    for (const std::string key : {"", " + 1", " + 12", " + 123"}) {
        lines.back() = "b = a0 + a5" + key;
        cache.evaluate(joined(lines));
    }
    filledIn();
    // And keys on a sheet evaluated whole.
    for (const std::string key : {" + 2", " + 23"}) {
        lines.back() = "b = a0 + a5" + key;
        cache.evaluate(joined(lines));
        filledIn();
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
