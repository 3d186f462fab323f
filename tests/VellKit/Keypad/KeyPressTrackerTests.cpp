#include "Keypad/KeyPressTracker.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace vell {
namespace {

using K = KeypadKey;
using Point = KeyPressTracker::Point;

// A key under a hand-moved clock, with the two timers a key's widget runs for it: a single shot of
// 0.45 s while the tracker awaits a long press, a repeating 0.08 s one while it repeats. Every key sent
// is kept with the time it went out.
class HeldKey {
public:
    explicit HeldKey(KeypadKey key) : tracker(std::move(key), [this] { return now; }) {}

    struct Sent {
        double at;
        KeypadKey key;
    };

    void press(Point at = {}) {
        tracker.press(at);
        longPressDue.reset();
        repeatDue.reset();
        syncTimers();
    }
    void move(Point to) {
        tracker.move(to);
        syncTimers();
    }
    // The end of the press; then the click, when the release falls on the key.
    void release(bool onKey = true) {
        for (const KeypadKey& key : tracker.endPress())
            sent.push_back({now, key});
        syncTimers();
        if (!onKey) return;
        if (const auto key = tracker.click()) sent.push_back({now, *key});
    }
    void click() {
        press();
        release();
    }
    void cancel() {
        tracker.cancel();
        syncTimers();
    }

    // Lets the clock run to `time`, firing the timers that fall due on the way.
    void runUntil(double time) {
        for (;;) {
            const double next = std::min(longPressDue.value_or(1e9), repeatDue.value_or(1e9));
            if (next > time + 1e-9) break;
            now = next;
            if (longPressDue && *longPressDue <= now + 1e-9) {
                longPressDue.reset();
                tracker.longPressElapsed();
            } else if (repeatDue) {
                repeatDue = now + KeyPressTracker::repeatInterval;
                if (const auto key = tracker.repeatTick()) sent.push_back({now, *key});
            }
            syncTimers();
        }
        now = time;
    }

    std::vector<double> times() const {
        std::vector<double> out;
        for (const Sent& s : sent)
            out.push_back(s.at);
        return out;
    }
    int count(const KeypadKey& key) const {
        int n = 0;
        for (const Sent& s : sent)
            n += s.key == key;
        return n;
    }

    double now = 0;
    KeyPressTracker tracker;
    std::vector<Sent> sent;

private:
    void syncTimers() {
        if (!tracker.awaitsLongPress())
            longPressDue.reset();
        else if (!longPressDue)
            longPressDue = now + KeyPressTracker::longPressDelay;
        if (!tracker.isRepeating())
            repeatDue.reset();
        else if (!repeatDue)
            repeatDue = now + KeyPressTracker::repeatInterval;
    }

    std::optional<double> longPressDue;
    std::optional<double> repeatDue;
};

void expectTimes(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-9) << i;
}

TEST(KeyPressTracker, AHeldCaretKeyFirstRepeatsAfterHalfASecondThenEveryEightyMilliseconds) {
    for (const KeypadKey& key : {K::move(CursorMove::left), K::move(CursorMove::lineEnd), K::backspace()}) {
        HeldKey held(key);
        held.press();
        held.runUntil(0.52);
        EXPECT_TRUE(held.sent.empty());
        held.runUntil(0.8);
        expectTimes(held.times(), {0.53, 0.61, 0.69, 0.77});
        // The release stops the repeat; the release itself is still a click.
        held.release();
        held.runUntil(2);
        expectTimes(held.times(), {0.53, 0.61, 0.69, 0.77, 0.8});
        EXPECT_EQ(held.count(key), 5);
    }
}

TEST(KeyPressTracker, MovingTooFarBeforeTheDelayPreventsTheRepeatButNotAfterIt) {
    const struct {
        const char* what;
        double at;
        Point to;
        bool repeats;
    } cases[] = {
        {"10 pt early", 0.2, {6, 8}, true},
        {"11 pt early", 0.2, {0, 11}, false},
        {"11 pt just before the delay", 0.44, {11, 0}, false},
        {"30 pt once repeating", 0.5, {30, 0}, true},
    };
    for (const auto& c : cases) {
        HeldKey held(K::move(CursorMove::left));
        held.press();
        held.runUntil(c.at);
        held.move(c.to);
        held.runUntil(1.0);
        EXPECT_EQ(!held.sent.empty(), c.repeats) << c.what;
    }
}

TEST(KeyPressTracker, OtherKeysNeitherRepeatNorSlide) {
    for (const KeypadKey& key : {K::text("7", "7"), K::clearSheet(), K::newline(), K::function("sqrt")}) {
        HeldKey held(key);
        held.press();
        held.move({60, 0});
        held.runUntil(2);
        EXPECT_FALSE(held.tracker.isSlideArmed());
        held.release();
        ASSERT_EQ(held.sent.size(), 1u);
        EXPECT_EQ(held.sent[0].key, key);
    }
    // A caret key slid sideways only repeats.
    HeldKey caret(K::move(CursorMove::right));
    caret.press();
    caret.runUntil(0.6);
    caret.move({80, 0});
    caret.runUntil(0.7);
    caret.release();
    EXPECT_EQ(caret.count(K::clearSheet()), 0);
    EXPECT_EQ(caret.count(K::move(CursorMove::right)), 4);
}

TEST(KeyPressTracker, BackspaceSlidSidewaysArmsOnceAndAsksToClearAtTheRelease) {
    const struct {
        Point to;
        bool arms;
    } cases[] = {
        {{44, 0}, true},   {{-44, 0}, true},  {{44, 43}, true}, {{43.9, 0}, false},
        {{45, 50}, false}, {{44, 44}, false}, {{0, 80}, false},
    };
    for (const auto& c : cases) {
        HeldKey held(K::backspace());
        held.press({100, 100});
        held.runUntil(0.1);
        held.move({100 + c.to.x, 100 + c.to.y});
        EXPECT_EQ(held.tracker.isSlideArmed(), c.arms) << c.to.x << "," << c.to.y;
        if (c.arms) held.move({100, 300}); // once armed, a press stays armed
        EXPECT_EQ(held.tracker.isSlideArmed(), c.arms);
        EXPECT_TRUE(held.sent.empty()) << "nothing before the release";
        held.now = 0.2;
        held.release(false);
        EXPECT_EQ(held.count(K::clearSheet()), c.arms ? 1 : 0);
    }
}

TEST(KeyPressTracker, ASlideStopsTheRepeatAtOnce) {
    HeldKey held(K::backspace());
    held.press();
    held.runUntil(0.65);
    ASSERT_EQ(held.count(K::backspace()), 2);
    held.move({50, 5});
    EXPECT_FALSE(held.tracker.isRepeating());
    held.runUntil(1.5);
    EXPECT_EQ(held.count(K::backspace()), 2);
    held.release();
    // The release on the key ends the slide: no backspace for it.
    EXPECT_EQ(held.count(K::clearSheet()), 1);
    EXPECT_EQ(held.count(K::backspace()), 2);
}

TEST(KeyPressTracker, AClickSoonAfterASlideIsSwallowedOnce) {
    const struct {
        double after;
        int backspaces;
    } cases[] = {{0.3, 0}, {0.59, 0}, {0.6, 1}, {0.7, 1}};
    for (const auto& c : cases) {
        HeldKey held(K::backspace());
        held.press();
        held.move({60, 0});
        held.now = 1.0;
        held.release(false); // ended beside the key: no click of its own
        held.now = 1.0 + c.after;
        held.click();
        EXPECT_EQ(held.count(K::backspace()), c.backspaces) << c.after;
        held.click(); // the next one always deletes
        EXPECT_EQ(held.count(K::backspace()), c.backspaces + 1) << c.after;
        EXPECT_EQ(held.count(K::clearSheet()), 1);
    }
}

TEST(KeyPressTracker, ACancelledPressSendsNothing) {
    HeldKey repeating(K::backspace());
    repeating.press();
    repeating.runUntil(0.7);
    const std::size_t before = repeating.sent.size();
    repeating.cancel();
    repeating.runUntil(3);
    EXPECT_EQ(repeating.sent.size(), before);
    EXPECT_FALSE(repeating.tracker.isPressed());

    HeldKey armed(K::backspace());
    armed.press();
    armed.move({50, 0});
    armed.cancel();
    EXPECT_TRUE(armed.tracker.endPress().empty());
    armed.runUntil(3);
    EXPECT_TRUE(armed.sent.empty());

    // A cancel before the delay: the long press never comes.
    HeldKey early(K::move(CursorMove::up));
    early.press();
    early.runUntil(0.2);
    early.cancel();
    early.tracker.longPressElapsed();
    EXPECT_EQ(early.tracker.repeatTick(), std::nullopt);
}

TEST(KeyPressTracker, ANewKeyEndsThePressGoingOn) {
    HeldKey held(K::backspace());
    held.press();
    held.runUntil(0.6);
    held.tracker.setKey(K::move(CursorMove::up));
    EXPECT_FALSE(held.tracker.isRepeating());
    EXPECT_EQ(held.tracker.repeatTick(), std::nullopt);
}

} // namespace
} // namespace vell
