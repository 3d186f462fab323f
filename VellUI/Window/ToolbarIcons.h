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
};

} // namespace vell
