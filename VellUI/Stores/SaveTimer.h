#pragma once

// The one-shot timer the document's saves run on, set to a moment of a monotonic clock. The store makes
// its own on the system's clock; a test hands in one whose time it moves by hand.

#include <chrono>
#include <functional>
#include <memory>

namespace vell {

class SaveTimer {
public:
    using Clock = std::chrono::steady_clock;

    // On the system's monotonic clock, run by the thread's event loop.
    static std::unique_ptr<SaveTimer> system();

    virtual ~SaveTimer() = default;

    virtual Clock::time_point now() const = 0;
    // `due` runs once at `when` (soon, when that has passed), in place of whatever was set before.
    virtual void setDeadline(Clock::time_point when, std::function<void()> due) = 0;
    virtual void cancel() = 0;
};

} // namespace vell
