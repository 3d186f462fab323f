#include "Engine/CalcError.h"
#include "Engine/UnexpectedErrors.h"
#include "PlotTestSupport.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/ProgramRunner.h"
#include "SheetTestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vell {
namespace {

using testsupport::plotLine;

// A fault of the engine's surroundings: looking up "faulty" throws what no line can cause.
class FaultyContext final : public testsupport::TestContext {
public:
    std::optional<Value> lookupName(std::string_view name) override {
        if (name == "faulty") throw std::logic_error("faulty lookup");
        return TestContext::lookupName(name);
    }
};

class RethrowScope {
public:
    explicit RethrowScope(bool rethrown) { UnexpectedErrors::setRethrown(rethrown); }
    ~RethrowScope() { UnexpectedErrors::setRethrown(saved_); }
    RethrowScope(const RethrowScope&) = delete;
    RethrowScope& operator=(const RethrowScope&) = delete;

private:
    bool saved_ = UnexpectedErrors::rethrown();
};

TEST(UnexpectedErrors, TheApplicationTurnsThemIntoFailuresAndTestsSeeThem) {
    FaultyContext context;
    {
        const RethrowScope application(false);
        // Every sample fails; at most the plot has nothing to draw, which is a CalcError.
        try {
            plotLine("plot(x + faulty)", context);
        } catch (const CalcError&) {
        }
    }
    const RethrowScope tests(true);
    EXPECT_THROW(plotLine("plot(x + faulty)", context), std::logic_error);
    // A sample that fails with the engine's own error is still a gap in the curve.
    EXPECT_NO_THROW(plotLine("plot(sqrt(x))", context));
}

// A clock that is read once when the budget is made and fails on every later read, as no clock can:
// the first time check of a loop meets a fault that is not a line's.
ProgramBudget::ClockSource failingClock() {
    auto reads = std::make_shared<int>(0);
    return [reads] {
        if ((*reads)++ > 0) throw std::runtime_error("clock failed");
        return ProgramBudget::Clock::time_point();
    };
}

std::vector<LineResult> runLoop() {
    ProgramRunner runner(DocumentEvaluator::splitLines("n = 0\nwhile n < 1000:\n    n = n + 1\nn"), {},
                         failingClock());
    return runner.run();
}

TEST(UnexpectedErrors, ProgramsEndQuietlyInTheApplicationAndTestsSeeThem) {
    {
        const RethrowScope application(false);
        const std::vector<LineResult> results = runLoop();
        ASSERT_EQ(results.size(), 4u);
        EXPECT_EQ(testsupport::describe(results[0]), "0 =n");
    }
    const RethrowScope tests(true);
    EXPECT_THROW(runLoop(), std::runtime_error);
}

TEST(UnexpectedErrors, TestSuitesHaveThemRethrown) {
    EXPECT_TRUE(UnexpectedErrors::rethrown());
}

} // namespace
} // namespace vell
