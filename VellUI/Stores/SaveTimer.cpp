#include "Stores/SaveTimer.h"

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace vell {

namespace {

class SystemSaveTimer final : public SaveTimer {
public:
    SystemSaveTimer() {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            // Taken out first: the work may set the next deadline.
            if (auto due = std::exchange(due_, nullptr)) due();
        });
    }

    Clock::time_point now() const override { return Clock::now(); }

    void setDeadline(Clock::time_point when, std::function<void()> due) override {
        due_ = std::move(due);
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(when - now());
        timer_.start(std::max(wait, std::chrono::milliseconds(0)));
    }

    void cancel() override {
        timer_.stop();
        due_ = nullptr;
    }

private:
    QTimer timer_;
    std::function<void()> due_;
};

} // namespace

std::unique_ptr<SaveTimer> SaveTimer::system() {
    return std::make_unique<SystemSaveTimer>();
}

} // namespace vell
