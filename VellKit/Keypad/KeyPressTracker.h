#pragma once

// The press rules of one keypad key, apart from any widget and any timer: when a held key starts
// repeating, when a sideways slide on backspace arms the clear request, and which keys a press sends.
// The key's widget reports the press, its moves, its end and the firing of its two timers, and runs
// the timers while awaitsLongPress() and isRepeating() say so.

#include "Keypad/KeypadKey.h"

#include <functional>
#include <optional>
#include <vector>

namespace vell {

class KeyPressTracker {
public:
    // Seconds on a clock that never goes back.
    using Clock = std::function<double()>;

    struct Point {
        double x = 0;
        double y = 0;
    };

    static constexpr double longPressDelay = 0.45;
    static constexpr double repeatInterval = 0.08;
    // A press that moves further than this before the delay is over never repeats.
    static constexpr double longPressTolerance = 10;
    // Backspace slid this far sideways, and further sideways than up or down, arms the clear request.
    static constexpr double slideDistance = 44;
    // A click this soon after a slide armed or fired is the end of that slide, not a key.
    static constexpr double slideClickWindow = 0.6;

    KeyPressTracker(KeypadKey key, Clock clock);

    const KeypadKey& key() const { return key_; }
    // Ends whatever press is going on, sending nothing.
    void setKey(KeypadKey key);

    void press(Point at);
    void move(Point to);
    // The long-press timer fired; ignored unless a long press is still awaited.
    void longPressElapsed();
    // The repeat timer fired: the key to send, none when no repeat runs.
    std::optional<KeypadKey> repeatTick();
    // The press ended: the repeat stops, and an armed slide sends its clear request. A click, when the
    // release counts as one, is decided after this.
    std::vector<KeypadKey> endPress();
    // The press was taken away (the key hidden, its window left, another window took the mouse): the
    // repeat stops and an armed slide is dropped, sending nothing.
    void cancel();
    // The key's click: the key, or none when the click ends a slide.
    std::optional<KeypadKey> click();

    bool isPressed() const { return pressed_; }
    bool awaitsLongPress() const { return awaitingLongPress_; }
    bool isRepeating() const { return repeating_; }
    bool isSlideArmed() const { return slideArmed_; }

private:
    KeypadKey key_;
    Clock clock_;
    Point start_;
    bool pressed_ = false;
    bool awaitingLongPress_ = false;
    bool repeating_ = false;
    bool slideArmed_ = false;
    std::optional<double> slideClearedAt_;
};

} // namespace vell
