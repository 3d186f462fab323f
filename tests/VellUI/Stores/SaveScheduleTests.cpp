// The timing of the document's writes on its own, where the store's tests cannot easily reach.

#include "Stores/SaveSchedule.h"

#include <chrono>
#include <gtest/gtest.h>

namespace vell {
namespace {

using namespace std::chrono_literals;

const SaveSchedule::Clock::time_point start{};

// While the disk stays full, typing must not turn into a write at every key, and a save that gets through
// ends the growing wait: the next failure waits the shortest time again.
TEST(SaveSchedule, AFailureNeitherHurriesTheNextEditsNorOutlivesASave) {
    SaveSchedule schedule;
    schedule.edited(start);
    schedule.failed(start + 400ms);
    EXPECT_EQ(schedule.due(), start + 2400ms);
    schedule.failed(start + 2400ms);
    EXPECT_EQ(schedule.due(), start + 6400ms);

    schedule.edited(start + 2500ms);
    EXPECT_EQ(schedule.due(), start + 2800ms) << "a pause after the failed write, not at every key";
    schedule.edited(start + 2800ms);
    schedule.failed(start + 3200ms);
    EXPECT_EQ(schedule.due(), start + 8200ms);

    schedule.written();
    EXPECT_FALSE(schedule.due());
    schedule.edited(start + 12s);
    schedule.failed(start + 12400ms);
    EXPECT_EQ(schedule.due(), start + 14400ms);
}

// Space may come back at any moment: the wait between tries never grows past 5 s, and a key typed while a
// try waits brings it forward to now.
TEST(SaveSchedule, WhileWritesFailTheyAreTriedAtLeastEveryFiveSecondsAndAtOnceAfterAKey) {
    SaveSchedule schedule;
    schedule.edited(start);
    auto now = start + 400ms;
    for (const auto wait : {2000ms, 4000ms, 5000ms, 5000ms, 5000ms}) {
        schedule.started();
        schedule.failed(now);
        ASSERT_EQ(schedule.due(), now + wait);
        now += wait;
    }
    schedule.started();
    schedule.failed(now);
    now += 3s;
    schedule.edited(now);
    EXPECT_EQ(schedule.due(), now) << "the key a user types once there is room again";
}

} // namespace
} // namespace vell
