#include "Stores/SaveSchedule.h"

#include <algorithm>

namespace vell {

void SaveSchedule::edited(Clock::time_point now) {
    if (retry_) retry_ = std::min(*retry_, std::max(now, lastFailure_.value_or(now) + pause));
    lastEdit_ = now;
    if (!firstUnwrittenEdit_) firstUnwrittenEdit_ = now;
}

void SaveSchedule::started() {
    writing_ = true;
    lastEdit_.reset();
    firstUnwrittenEdit_.reset();
    retry_.reset();
}

void SaveSchedule::written(bool laterEditsToo) {
    if (!writing_ || laterEditsToo) {
        lastEdit_.reset();
        firstUnwrittenEdit_.reset();
    }
    writing_ = false;
    retry_.reset();
    retryWait_ = Duration{0};
}

void SaveSchedule::failed(Clock::time_point now) {
    // The edits so far went into the failed write: from here the retry carries them, and the bound starts
    // again with the next edit rather than asking for a write at every key. Edits made while the write ran
    // are new ones.
    if (!writing_) {
        lastEdit_.reset();
        firstUnwrittenEdit_.reset();
    }
    writing_ = false;
    retryWait_ = retryWait_ == Duration{0} ? firstRetry : std::min(retryWait_ * 2, lastRetry);
    retry_ = now + retryWait_;
    lastFailure_ = now;
}

std::optional<SaveSchedule::Clock::time_point> SaveSchedule::due() const {
    std::optional<Clock::time_point> earliest = retry_;
    const auto consider = [&earliest](Clock::time_point moment) {
        if (!earliest || moment < *earliest) earliest = moment;
    };
    if (lastEdit_) consider(*lastEdit_ + pause);
    if (firstUnwrittenEdit_) consider(*firstUnwrittenEdit_ + bound);
    return earliest;
}

} // namespace vell
