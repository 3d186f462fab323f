#include "Window/WindowFocusReporter.h"

#include <QEvent>
#include <utility>

namespace vell {

WindowFocusReporter::WindowFocusReporter(QWidget& window, Callback onBecomeKey)
    : QObject(&window), window_(&window), onBecomeKey_(std::move(onBecomeKey)) {
    window.installEventFilter(this);
}

void WindowFocusReporter::reportIfActive() {
    if (window_ && window_->isActiveWindow() && onBecomeKey_) onBecomeKey_();
}

bool WindowFocusReporter::eventFilter(QObject* watched, QEvent* event) {
    // The change event comes for losing the activation too; only gaining it counts.
    if (watched == window_ && event->type() == QEvent::ActivationChange) reportIfActive();
    return false;
}

} // namespace vell
