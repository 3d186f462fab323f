#include "Sheet/ProgramBudget.h"

#include "Engine/L10n.h"

namespace vell {

namespace {

// Roughly where the caller's frame lies on the stack: this function's own frame sits just below it.
[[gnu::noinline]] std::uintptr_t stackPosition() {
    return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
}

} // namespace

ProgramBudget::ProgramBudget(ClockSource clock)
    : clock_(clock ? std::move(clock) : ClockSource([] { return Clock::now(); })), startedAt_(clock_()),
      stackAtStart_(stackPosition()) {}

void ProgramBudget::enter() {
    const std::uintptr_t here = stackPosition();
    const std::uintptr_t inUse = here < stackAtStart_ ? stackAtStart_ - here : here - stackAtStart_;
    ++depth_;
    if (depth_ > maxDepth || inUse > maxStackBytes) {
        --depth_;
        throw BudgetExceeded(
            L10n::text("関数の呼び出しが深すぎます", "Function calls are nested too deeply"));
    }
}

void ProgramBudget::throwTooManySteps() {
    throw BudgetExceeded(L10n::text("繰り返しが多すぎます", "Too many loop steps"));
}

void ProgramBudget::checkTime() {
    const std::chrono::duration<double> elapsed = clock_() - startedAt_;
    if (elapsed.count() >= maxSeconds) {
        outOfTime_ = true;
        throw BudgetExceeded(L10n::text("繰り返しに時間がかかりすぎます", "The loop is taking too long"));
    }
}

void ProgramBudget::checkTimeOfWork() {
    // Left at 0 when the time is up, so that every later report fails too.
    nextClockRead_ = 0;
    checkTime();
    nextClockRead_ = work_ + workPerClockRead;
}

} // namespace vell
