#pragma once

// The limits of one sheet evaluation: steps taken, function calls running inside each other (and the
// stack they take), and the time since the evaluation began. Shared by everything the evaluation runs.

#include "Engine/CalcError.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace vell {

// The failure of a used-up budget. It is a CalcError like any other; only the plot builder, which
// reads a failing sample as a gap in the curve, must tell it apart and let it through.
class BudgetExceeded final : public CalcError {
public:
    using CalcError::CalcError;
};

class ProgramBudget {
public:
    using Clock = std::chrono::steady_clock;
    // Where the budget reads the time; tests install their own.
    using ClockSource = std::function<Clock::time_point()>;

    static constexpr std::int64_t defaultMaxSteps = 200000;
    static constexpr int defaultMaxDepth = 40;
    static constexpr double defaultMaxSeconds = 0.15;
    // Each call may evaluate a line nested a thousand levels deep before it calls the next, so forty
    // calls could need far more stack than there is; past this much, calls are nested too deeply.
    static constexpr std::size_t defaultMaxStackBytes = 2 * 1024 * 1024;

    // The clock is read once now; an empty source means the steady clock.
    explicit ProgramBudget(ClockSource clock = {});
    ProgramBudget(const ProgramBudget&) = delete;
    ProgramBudget& operator=(const ProgramBudget&) = delete;

    // Counts one step. Throws BudgetExceeded past the step limit, and on every 256th step once the time
    // is used up.
    void step() {
        ++steps_;
        if (steps_ > maxSteps) throwTooManySteps();
        if ((steps_ & 255) == 0) checkTime();
    }

    // Counts work done inside one line (the sizes of the values the evaluator builds), which no step
    // counts. Reads the clock whenever another `workPerClockRead` units have been spent and throws the
    // time failure of step() once the time is used up, and from then on at every call: a line of
    // large lists must not outlast the budget, nor may the lines up to the next 256th step.
    void spend(std::size_t units) {
        work_ += units;
        if (work_ >= nextClockRead_) checkTimeOfWork();
    }
    static constexpr std::size_t workPerClockRead = 4096;

    // Counts one more nested call; throws BudgetExceeded past the depth limit, or when the evaluation
    // already holds more than maxStackBytes of the stack, leaving the depth as it was.
    void enter();
    // The end of a call entered with enter(), whether it succeeded or failed.
    void leave() { --depth_; }

    std::int64_t steps() const { return steps_; }
    // Goes on counting from the steps that an earlier evaluation had taken where this one resumes it.
    void resumeSteps(std::int64_t steps) { steps_ = steps; }
    int depth() const { return depth_; }
    Clock::time_point startedAt() const { return startedAt_; }
    // Whether the time has been found used up: the evaluation was cut short by the clock.
    bool outOfTime() const { return outOfTime_; }

    const std::int64_t maxSteps = defaultMaxSteps;
    const int maxDepth = defaultMaxDepth;
    const double maxSeconds = defaultMaxSeconds;
    const std::size_t maxStackBytes = defaultMaxStackBytes;

private:
    [[noreturn]] static void throwTooManySteps();
    void checkTime();
    void checkTimeOfWork();

    ClockSource clock_;
    std::int64_t steps_ = 0;
    int depth_ = 0;
    std::size_t work_ = 0;
    std::size_t nextClockRead_ = workPerClockRead;
    Clock::time_point startedAt_;
    std::uintptr_t stackAtStart_;
    bool outOfTime_ = false;
};

} // namespace vell
