#pragma once

// Icons of the window's toolbar, drawn rather than taken from an icon theme, since no theme can be
// counted on; drawn in the colour of the window's text so they follow light and dark.

#include <QColor>
#include <QIcon>

namespace vell {

struct ToolbarIcons {
    static constexpr int size = 18;

    // A window outline with its left pane filled.
    static QIcon sidebar(const QColor& ink);
    // Two axes with a rising curve while plots are shown, a falling line while they are hidden.
    static QIcon graph(const QColor& ink, bool shown);
    // A sheet with a pencil across its corner.
    static QIcon newSheet(const QColor& ink);
    // A window outline with a plus badge.
    static QIcon newWindow(const QColor& ink);
    // A keyboard; while the keypad is shown, with a chevron under it that offers to put it away.
    static QIcon keypad(const QColor& ink, bool shown);
    // "ƒx".
    static QIcon functions(const QColor& ink);
    // A gear wheel.
    static QIcon settings(const QColor& ink);
};

} // namespace vell
