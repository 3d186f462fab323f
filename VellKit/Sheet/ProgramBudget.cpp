#include "Sheet/ProgramBudget.h"

#include "Engine/CalcError.h"
#include "Engine/L10n.h"

namespace vell {

ProgramBudget::ProgramBudget(ClockSource clock)
    : clock_(clock ? std::move(clock) : ClockSource([] { return Clock::now(); })), startedAt_(clock_()) {}

void ProgramBudget::enter() {
    ++depth_;
    if (depth_ > maxDepth) {
        --depth_;
        throw CalcError(L10n::text("関数の呼び出しが深すぎます", "Function calls are nested too deeply"));
    }
}

void ProgramBudget::throwTooManySteps() {
    throw CalcError(L10n::text("繰り返しが多すぎます", "Too many loop steps"));
}

void ProgramBudget::checkTime() const {
    const std::chrono::duration<double> elapsed = clock_() - startedAt_;
    if (elapsed.count() >= maxSeconds)
        throw CalcError(L10n::text("繰り返しに時間がかかりすぎます", "The loop is taking too long"));
}

} // namespace vell
