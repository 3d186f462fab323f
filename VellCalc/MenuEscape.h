#pragma once

// Escape in a menu opened from the menu bar closes it and hands the keyboard straight back to the
// window. Left to itself the bar would stay in its keyboard navigation after the menu closed and
// swallow the next key, so that a second Escape were needed before typing reached the editor.

#include <QObject>

class QMenuBar;

namespace vell {

class MenuEscape : public QObject {
    Q_OBJECT

public:
    // Watches the menus the bar holds now; it lives as long as the bar.
    static void install(QMenuBar& bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace vell
