#include "Document/SheetHistory.h"
#include "DocumentTestSupport.h"

namespace vell {
namespace {

using testsupport::at;

SheetSnapshot snapshot(std::string text, std::vector<std::int64_t> locks = {}) {
    return SheetSnapshot{std::move(text), std::move(locks)};
}

Date t(double seconds) {
    return at("10:00:00").addingMicroseconds(static_cast<std::int64_t>(seconds * 1e6));
}

TEST(SheetHistory, StartsWithNothingToStepTo) {
    SheetHistory history(snapshot("a"));
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.lastBreakAt(), Date::distantPast);
    EXPECT_FALSE(history.forceBreak());
    EXPECT_TRUE(history.matches(snapshot("a")));
    EXPECT_FALSE(history.matches(snapshot("a", {0})));
    EXPECT_FALSE(history.undo());
    EXPECT_FALSE(history.redo());
    EXPECT_EQ(history.current(), snapshot("a"));
}

TEST(SheetHistory, TypingWithinTheWindowFromTheStepsStartIsOneStep) {
    SheetHistory history(snapshot(""));
    history.record(snapshot("a"), t(0.0)); // first change always begins a step
    EXPECT_TRUE(history.canUndo());
    history.record(snapshot("ab"), t(0.3));
    history.record(snapshot("abc"), t(0.6));
    EXPECT_EQ(history.past().size(), 1u);
    EXPECT_EQ(history.lastBreakAt(), t(0.0));
    history.record(snapshot("abcd"), t(1.0)); // measured from the first keystroke, not the last
    EXPECT_EQ(history.past().size(), 2u);
    EXPECT_EQ(history.past().back(), snapshot("abc"));
    history.record(snapshot("abcde"), t(1.0 + 0.899999));
    EXPECT_EQ(history.past().size(), 2u);
    history.record(snapshot("abcdef"), t(1.9));
    EXPECT_EQ(history.past().size(), 3u);

    EXPECT_EQ(history.undo(), snapshot("abcde"));
    EXPECT_EQ(history.undo(), snapshot("abc"));
    EXPECT_EQ(history.undo(), snapshot(""));
    EXPECT_FALSE(history.undo());
}

TEST(SheetHistory, StructuralChangesAreStepsOfTheirOwn) {
    struct Case {
        const char* what;
        SheetSnapshot before;
        SheetSnapshot after;
        bool structural;
    };
    const Case cases[] = {
        {"a new line", snapshot("ab"), snapshot("ab\n"), true},
        {"a removed line break", snapshot("a\nb"), snapshot("ab"), true},
        {"a lock", snapshot("a\nb"), snapshot("a\nb", {1}), true},
        {"a paste of three characters", snapshot("ab"), snapshot("abxyz"), true},
        {"a deletion of two", snapshot("abcd"), snapshot("ab"), true},
        {"three characters replaced by three", snapshot("abcdef"), snapshot("abXYZf"), false},
        {"one emoji with a skin tone", snapshot("ab"), snapshot("ab👍🏽"), false},
        {"a family emoji", snapshot("ab"), snapshot("ab👨‍👩‍👧"), false},
        {"CR LF is one character and no line feed", snapshot("ab"), snapshot("a\r\nb"), false},
        {"two emoji", snapshot("ab"), snapshot("ab👍👍"), true},
    };
    for (const Case& c : cases) {
        // A small change opens a step; the change under test follows inside the window.
        SheetHistory history(snapshot("·" + c.before.text, c.before.lockedLines));
        history.record(c.before, t(0.0));
        const SheetSnapshot changed = c.after;
        history.record(changed, t(0.1));
        EXPECT_EQ(history.past().size(), c.structural ? 2u : 1u) << c.what;
        EXPECT_EQ(history.forceBreak(), c.structural) << c.what;
        EXPECT_EQ(history.current(), changed) << c.what;
    }
}

// Changes inside a longer text, next to line breaks and within characters made of several scalars: what
// counts is the whole text's characters and line feeds before and after.
TEST(SheetHistory, MeasuresAChangeAsPartOfTheWholeText) {
    struct Case {
        const char* what;
        std::string before;
        std::string after;
        bool structural;
    };
    const Case cases[] = {
        {"a combining mark joins the letter before it", "ab\ncd\nef", "ab\ncd\u0301\nef", false},
        {"a combining mark after a line feed stands alone", "ab\ncd", "ab\n\u0301cd", false},
        {"a letter with its accent at the end of a line", "ab\ncd\nef", "ab\ncde\u0301\nef", false},
        {"a CR before a line feed takes the line feed away", "ab\ncd\nef", "ab\r\ncd\nef", true},
        {"removing that CR gives it back", "ab\r\ncd\nef", "ab\ncd\nef", true},
        {"a second regional indicator completes a flag", "1\n🇯🇵🇯\n2", "1\n🇯🇵🇯🇵\n2", false},
        {"a third one begins another", "1\n🇯🇵\n2", "1\n🇯🇵🇯\n2", false},
        {"joining two emoji into one", "x\n👨\ny", "x\n👨\u200d👩\ny", false},
        {"a character on each of two lines replaced", "a\nb\nc", "a\nX\nY", false},
        {"a character moved to the line below", "ab\ncd", "a\nbcd", false},
    };
    for (const Case& c : cases) {
        SheetHistory history(snapshot("·" + c.before));
        history.record(snapshot(c.before), t(0.0));
        history.record(snapshot(c.after), t(0.1));
        EXPECT_EQ(history.past().size(), c.structural ? 2u : 1u) << c.what;
        EXPECT_EQ(history.current(), snapshot(c.after)) << c.what;
        // The counts carried from change to change stay right: one more character is still small.
        history.record(snapshot(c.after + "z"), t(0.2));
        EXPECT_EQ(history.past().size(), c.structural ? 3u : 1u) << c.what;
    }
    SheetHistory equivalent(snapshot("x\ncaf\u00e9\ny"));
    equivalent.record(snapshot("x\ncafe\u0301\ny"), t(0.0));
    EXPECT_FALSE(equivalent.canUndo()) << "canonically equivalent texts are the same state";
}

TEST(SheetHistory, TheChangeAfterAStructuralOneBeginsAnotherStep) {
    SheetHistory history(snapshot("ab"));
    history.record(snapshot("ab\n"), t(0.0));
    EXPECT_TRUE(history.forceBreak());
    history.record(snapshot("ab\nc"), t(0.1)); // forced break
    EXPECT_EQ(history.past().size(), 2u);
    EXPECT_FALSE(history.forceBreak());
    EXPECT_EQ(history.lastBreakAt(), t(0.1));
    history.record(snapshot("ab\ncd"), t(0.2)); // joins the step the forced break began
    EXPECT_EQ(history.past().size(), 2u);
    EXPECT_EQ(history.current(), snapshot("ab\ncd"));
}

TEST(SheetHistory, RecordingTheCurrentStateChangesNothing) {
    SheetHistory history(snapshot("a"));
    history.record(snapshot("a\n"), t(0.0));
    history.undo();
    ASSERT_TRUE(history.canRedo());
    history.record(snapshot("a"), t(5.0));
    EXPECT_TRUE(history.canRedo());
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.lastBreakAt(), Date::distantPast);
    EXPECT_TRUE(history.forceBreak());
    // Canonically equivalent texts are the same state.
    SheetHistory composed(snapshot("caf\u00e9"));
    composed.record(snapshot("cafe\u0301"), t(0.0));
    EXPECT_FALSE(composed.canUndo());
}

TEST(SheetHistory, UndoRedoAndANewEditClearsRedo) {
    SheetHistory history(snapshot("a"));
    history.record(snapshot("a\nb"), t(0.0));
    history.record(snapshot("a\nb\nc"), t(0.1));
    const auto pastBefore = history.past().size();
    EXPECT_EQ(history.undo(), snapshot("a\nb"));
    EXPECT_EQ(history.lastBreakAt(), Date::distantPast);
    EXPECT_TRUE(history.canRedo());
    EXPECT_EQ(history.redo(), snapshot("a\nb\nc"));
    EXPECT_EQ(history.current(), snapshot("a\nb\nc"));
    EXPECT_EQ(history.past().size(), pastBefore);
    EXPECT_TRUE(history.future().empty());

    history.undo();
    history.undo();
    EXPECT_EQ(history.future().size(), 2u);
    // A small change right after an undo still begins a new step, and the redo list goes.
    history.record(snapshot("ab"), t(0.2));
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.past(), std::vector<SheetSnapshot>{snapshot("a")});
    EXPECT_FALSE(history.redo());
}

TEST(SheetHistory, KeepsTheLatestTwoHundredSteps) {
    SheetHistory history(snapshot("0"));
    std::string text = "0";
    for (int step = 1; step <= 201; ++step) {
        text += "\n";
        history.record(snapshot(text), t(step));
    }
    EXPECT_EQ(history.past().size(), SheetHistory::limit);
    EXPECT_EQ(history.past().front(), snapshot("0\n")); // the state before the first step is gone
    int undone = 0;
    while (history.undo())
        ++undone;
    EXPECT_EQ(undone, 200);
    EXPECT_EQ(history.current(), snapshot("0\n"));
    EXPECT_EQ(history.future().size(), 200u);
}

TEST(SheetHistory, CountsLineFeedsAsCharacters) {
    EXPECT_EQ(SheetHistory::newlineCount(""), 0u);
    EXPECT_EQ(SheetHistory::newlineCount("a\nb\n\n"), 3u);
    EXPECT_EQ(SheetHistory::newlineCount("a\r\nb\n"), 1u);
    EXPECT_EQ(SheetHistory::newlineCount("\n\r\n\r"), 1u);
    EXPECT_EQ(SheetHistory::newlineCount("単位\n👍🏽\n"), 2u);
}

} // namespace
} // namespace vell
