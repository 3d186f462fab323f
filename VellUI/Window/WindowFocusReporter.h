#pragma once

// Tells a window's content each time that window becomes the active one, so that its session can make
// its sheet the document's selected sheet. One reporter per window, living as long as the window.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace vell {

class WindowFocusReporter : public QObject {
    Q_OBJECT

public:
    using Callback = std::function<void()>;

    // Watches `window` (a top-level widget) and runs `onBecomeKey` on every activation of it.
    WindowFocusReporter(QWidget& window, Callback onBecomeKey);

    // Runs the callback once when the window is the active one already: a window shown while it took
    // the focus may have been activated before it was watched.
    void reportIfActive();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    Callback onBecomeKey_;
};

} // namespace vell
