#include "Keypad/KeyPressTracker.h"

#include <cmath>
#include <utility>

namespace vell {

KeyPressTracker::KeyPressTracker(KeypadKey key, Clock clock)
    : key_(std::move(key)), clock_(std::move(clock)) {}

void KeyPressTracker::setKey(KeypadKey key) {
    cancel();
    key_ = std::move(key);
}

void KeyPressTracker::press(Point at) {
    cancel();
    pressed_ = true;
    start_ = at;
    awaitingLongPress_ = key_.repeats();
}

void KeyPressTracker::move(Point to) {
    if (!pressed_) return;
    const double dx = std::abs(to.x - start_.x);
    const double dy = std::abs(to.y - start_.y);
    if (awaitingLongPress_ && std::hypot(dx, dy) > longPressTolerance) awaitingLongPress_ = false;
    if (!key_.is<KeypadKey::Backspace>() || slideArmed_) return;
    if (dx >= slideDistance && dx > dy) {
        slideArmed_ = true;
        slideClearedAt_ = clock_();
        awaitingLongPress_ = false;
        repeating_ = false;
    }
}

void KeyPressTracker::longPressElapsed() {
    if (!awaitingLongPress_) return;
    awaitingLongPress_ = false;
    repeating_ = true;
}

std::optional<KeypadKey> KeyPressTracker::repeatTick() {
    if (!repeating_) return std::nullopt;
    return key_;
}

std::vector<KeypadKey> KeyPressTracker::endPress() {
    const bool armed = slideArmed_;
    pressed_ = awaitingLongPress_ = repeating_ = slideArmed_ = false;
    if (!armed) return {};
    slideClearedAt_ = clock_();
    return {KeypadKey::clearSheet()};
}

void KeyPressTracker::cancel() {
    pressed_ = awaitingLongPress_ = repeating_ = slideArmed_ = false;
}

std::optional<KeypadKey> KeyPressTracker::click() {
    if (slideClearedAt_ && clock_() - *slideClearedAt_ < slideClickWindow) {
        slideClearedAt_.reset();
        return std::nullopt;
    }
    return key_;
}

} // namespace vell
