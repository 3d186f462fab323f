#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Sheet/ProgramBudget.h"
#include "VellKit/Engine/MessageTestSupport.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::messageOf;
using Clock = ProgramBudget::Clock;

// A clock that stands still until the test moves it, counting how often it is read.
struct ManualClock {
    Clock::time_point now{};
    int reads = 0;

    ProgramBudget::ClockSource source() {
        return [this] {
            ++reads;
            return now;
        };
    }
    void advance(double seconds) {
        now += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    }
};

TEST(ProgramBudget, StepLimit) {
    const EngineSettingsScope english(AppLanguage::english);
    ManualClock clock;
    ProgramBudget budget(clock.source());
    for (int i = 0; i < 200000; ++i)
        budget.step();
    EXPECT_EQ(budget.steps(), 200000);
    EXPECT_EQ(messageOf([&] { budget.step(); }), "Too many loop steps");
    // The count stays past the limit, so every later step fails the same way.
    EXPECT_EQ(messageOf([&] { budget.step(); }), "Too many loop steps");
    EXPECT_EQ(budget.steps(), 200002);
}

TEST(ProgramBudget, TimeIsCheckedOnEvery256thStepOnly) {
    const EngineSettingsScope english(AppLanguage::english);
    ManualClock clock;
    ProgramBudget budget(clock.source());
    EXPECT_EQ(clock.reads, 1); // the start
    for (int i = 0; i < 255; ++i)
        budget.step();
    EXPECT_EQ(clock.reads, 1);
    clock.advance(0.149);
    budget.step(); // step 256: 0.149 s is within the limit
    EXPECT_EQ(clock.reads, 2);

    clock.advance(0.001); // 0.15 s: no longer within it
    for (int i = 0; i < 255; ++i)
        budget.step(); // steps 257 to 511 do not look at the clock
    EXPECT_EQ(clock.reads, 2);
    EXPECT_EQ(messageOf([&] { budget.step(); }), "The loop is taking too long"); // step 512
}

TEST(ProgramBudget, WorkReadsTheClockEvery4096Units) {
    const EngineSettingsScope english(AppLanguage::english);
    ManualClock clock;
    ProgramBudget budget(clock.source());
    budget.spend(4095);
    EXPECT_EQ(clock.reads, 1);
    budget.spend(1);
    EXPECT_EQ(clock.reads, 2);
    clock.advance(0.15);
    budget.spend(4095);
    EXPECT_EQ(clock.reads, 2);
    EXPECT_EQ(messageOf([&] { budget.spend(100000); }), "The loop is taking too long");
    // Once the time is found used up, every later report fails, however small.
    EXPECT_EQ(messageOf([&] { budget.spend(0); }), "The loop is taking too long");
    EXPECT_EQ(clock.reads, 4);
    // Steps keep their own rhythm.
    EXPECT_EQ(messageOf([&] { budget.step(); }), "(no error)");
    EXPECT_EQ(budget.steps(), 1);
}

TEST(ProgramBudget, TimeCountsFromCreation) {
    const EngineSettingsScope japanese(AppLanguage::japanese);
    ManualClock clock;
    clock.advance(100);
    ProgramBudget budget(clock.source());
    clock.advance(0.2);
    for (int i = 0; i < 255; ++i)
        budget.step();
    EXPECT_EQ(messageOf([&] { budget.step(); }), "繰り返しに時間がかかりすぎます");
}

TEST(ProgramBudget, DepthLimit) {
    const EngineSettingsScope english(AppLanguage::english);
    ProgramBudget budget;
    for (int i = 0; i < 40; ++i)
        budget.enter();
    EXPECT_EQ(budget.depth(), 40);
    EXPECT_EQ(messageOf([&] { budget.enter(); }), "Function calls are nested too deeply");
    EXPECT_EQ(budget.depth(), 40);
    budget.leave();
    budget.enter();
    EXPECT_EQ(budget.depth(), 40);
}

TEST(ProgramBudget, JapaneseMessages) {
    const EngineSettingsScope japanese(AppLanguage::japanese);
    ManualClock clock;
    ProgramBudget budget(clock.source());
    for (int i = 0; i < 40; ++i)
        budget.enter();
    EXPECT_EQ(messageOf([&] { budget.enter(); }), "関数の呼び出しが深すぎます");
    for (int i = 0; i < 200000; ++i)
        budget.step();
    EXPECT_EQ(messageOf([&] { budget.step(); }), "繰り返しが多すぎます");
}

} // namespace
} // namespace vell
