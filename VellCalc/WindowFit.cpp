#include "WindowFit.h"

#include "WindowPlaces.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace vell {

namespace {

// On Wayland the compositor alone places windows and keeps them on its outputs; a window there does
// not even know where it is.
bool placesItself() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

WindowFit* WindowFit::install(QWidget& window) {
    auto* fit = new WindowFit(window);
    window.installEventFilter(fit);
    fit->applyMinimum();
    return fit;
}

WindowFit::WindowFit(QWidget& window) : QObject(&window), window_(window) {
    rest_.setSingleShot(true);
    rest_.setInterval(restMilliseconds);
    connect(&rest_, &QTimer::timeout, this, &WindowFit::keepBottomOnScreen);
}

QMargins WindowFit::frame() const {
    const QWindow* handle = window_.windowHandle();
    // Some desktops never tell (Wayland's decorations are the compositor's), others only once they have
    // framed the window.
    if (!window_.isVisible() || !handle || handle->frameMargins().isNull()) return WindowPlaces::frameRoom;
    return handle->frameMargins();
}

void WindowFit::applyMinimum() {
    const QScreen* screen = window_.screen();
    if (!screen) return;
    const QSize minimum = WindowPlaces::minimumOn(screen->availableGeometry(), frame());
    if (window_.minimumSize() != minimum) window_.setMinimumSize(minimum);
}

void WindowFit::keepOnScreen() {
    applyMinimum();
    const QScreen* screen = window_.screen();
    if (!placesItself() || !screen || !window_.isVisible() || window_.isMaximized() || window_.isFullScreen())
        return;
    const QRect room = screen->availableGeometry();
    if (room.contains(window_.geometry().marginsAdded(frame()))) return;
    const QRect kept = WindowPlaces::keptOnScreens(window_.geometry(), {room}, frame());
    if (kept != window_.geometry()) window_.setGeometry(kept);
}

void WindowFit::keepBottomOnScreen() {
    applyMinimum();
    const QScreen* screen = window_.screen();
    if (!placesItself() || !screen || !window_.isVisible() || window_.isMaximized() || window_.isFullScreen())
        return;
    const QRect kept = WindowPlaces::bottomKeptOn(window_.geometry(), screen->availableGeometry(), frame());
    if (kept != window_.geometry()) window_.setGeometry(kept);
}

bool WindowFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_) return false;
    switch (event->type()) {
    case QEvent::Show:
        if (!watching_ && window_.windowHandle()) {
            watching_ = true;
            connect(window_.windowHandle(), &QWindow::screenChanged, this, &WindowFit::screenChanged);
            watchScreen(window_.screen());
        }
        // The desktop tells the frame once it has put one around the window, which may take a while.
        QTimer::singleShot(0, this, &WindowFit::keepOnScreen);
        QTimer::singleShot(restMilliseconds, this, &WindowFit::keepOnScreen);
        break;
    case QEvent::Move:
        if (rest_.isActive()) rest_.start();
        break;
    default:
        break;
    }
    return false;
}

void WindowFit::watchScreen(QScreen* screen) {
    if (screen_) disconnect(screen_, nullptr, this, nullptr);
    screen_ = screen;
    if (screen) connect(screen, &QScreen::availableGeometryChanged, this, &WindowFit::applyMinimum);
}

void WindowFit::screenChanged(QScreen* screen) {
    watchScreen(screen);
    applyMinimum();
    rest_.start();
}

} // namespace vell
