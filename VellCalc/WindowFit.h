#pragma once

// Keeps one main window within what its screen allows. Its smallest size yields to a screen with
// less room (WindowPlaces::minimumOn), on the screen it opens on and on every screen it is moved to.
// Once it shows and its frame is known, a window whose frame runs off its screen is brought onto it;
// and a window moved onto another screen has the bottom edge of its frame brought back onto it once
// it comes to rest there. Where the desktop alone places windows (Wayland), only the smallest size
// follows the screen.

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QScreen;
class QWidget;

namespace vell {

class WindowFit : public QObject {
    Q_OBJECT

public:
    // Lives as long as the window; applies the smallest size at once.
    static WindowFit* install(QWidget& window);

    // How long a window must stay still on a new screen before it is fitted to it, so that a window
    // being dragged across is left alone.
    static constexpr int restMilliseconds = 300;

    // The frame the desktop draws around the window once it shows; until it is known, the room kept
    // for one.
    QMargins frame() const;
    // Applies the smallest size on the window's screen now.
    void applyMinimum();
    // Brings the whole frame onto the window's screen now, unless the window fills it.
    void keepOnScreen();
    // Brings the bottom of the frame onto the window's screen now, unless the window fills it.
    void keepBottomOnScreen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowFit(QWidget& window);
    void watchScreen(QScreen* screen);
    void screenChanged(QScreen* screen);

    QWidget& window_;
    QPointer<QScreen> screen_;
    // Runs keepBottomOnScreen once the window has rested on a screen it was moved to.
    QTimer rest_;
    bool watching_ = false;
};

} // namespace vell
