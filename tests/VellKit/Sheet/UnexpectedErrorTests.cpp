#include "Engine/CalcError.h"
#include "Engine/UnexpectedErrors.h"
#include "PlotTestSupport.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace vell {
namespace {

using testing::plotLine;

// A fault of the engine's surroundings: looking up "faulty" throws what no line can cause.
class FaultyContext final : public testing::TestContext {
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

TEST(UnexpectedErrors, TestSuitesHaveThemRethrown) {
    EXPECT_TRUE(UnexpectedErrors::rethrown());
}

} // namespace
} // namespace vell
