#pragma once

// How the desktop knows Vell: the desktop entry its windows belong to (docks and task switchers group
// them by it), the window class the entry names, and the icon they show.

#include <QIcon>
#include <string_view>

namespace vell {

struct DesktopIdentity {
    // The application's name, which is also the class of its windows on X11 (the entry's
    // StartupWMClass).
    static constexpr std::string_view applicationName = "Vell";

    // The application icon drawn for Vell, at every size it is installed in (16 to 512 pixels).
    static QIcon icon();
    // The application's name; before the application object exists.
    static void setApplicationName();
    // The desktop entry's name and the icon of every window; once the application object exists.
    static void apply();
};

} // namespace vell
