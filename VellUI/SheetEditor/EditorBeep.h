#pragma once

// The system beep of a refused edit, through one function tests can listen to.

#include <functional>

namespace vell {

struct EditorBeep {
    static void sound();
    // Replaces what sound() does; an empty function restores the system beep.
    static void setHandler(std::function<void()> handler);
};

} // namespace vell
