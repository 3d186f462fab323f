#pragma once

// When the document is written next: a pause after the last edit, so that a burst of keys makes one
// write, but never later than a bound after the first edit that is not on disk yet, so that steady typing
// reaches the disk too; after a failed write, again after a wait that grows while the writes keep failing
// (to a few seconds at most: room may come back at any moment), and at once when the user types again.
// It only keeps time; the write is the caller's.

#include <chrono>
#include <optional>

namespace vell {

class SaveSchedule {
public:
    using Clock = std::chrono::steady_clock;
    using Duration = std::chrono::milliseconds;

    static constexpr Duration pause{400};
    static constexpr Duration bound{2000};
    static constexpr Duration firstRetry{2000};
    static constexpr Duration lastRetry{5000};

    // While a failed write waits for its retry, the retry comes forward to now, though not to less than a
    // pause after the failure, so that typing on a full disk is not a write at every key.
    void edited(Clock::time_point now);
    // A write of everything edited so far begins (made elsewhere, it may take a while): edits from now on
    // wait for the next write.
    void started();
    // The write begun last is on disk; without a start, everything edited so far. `laterEditsToo`: the
    // write held the edits made while it ran as well.
    void written(bool laterEditsToo = true);
    // The write begun last (or attempted now) failed; it is tried again after the retry wait, or sooner
    // after a new edit.
    void failed(Clock::time_point now);
    // When to write; none while nothing waits to be written.
    std::optional<Clock::time_point> due() const;

private:
    std::optional<Clock::time_point> lastEdit_;
    std::optional<Clock::time_point> firstUnwrittenEdit_;
    std::optional<Clock::time_point> retry_;
    std::optional<Clock::time_point> lastFailure_;
    Duration retryWait_{0};
    bool writing_ = false;
};

} // namespace vell
