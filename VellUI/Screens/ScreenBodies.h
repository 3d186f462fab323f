#pragma once

// Hands the settings, help and terms screens to the windows' dialogs: once registered, every window's
// Settings item opens the settings screen, its Help command the help screen, and the terms open as the
// gate (or, for reading, with the accepted version) in the window's terms dialog.

namespace vell {

class AppSettings;
class Appearance;

struct ScreenBodies {
    // For the whole process; the objects must outlive every window.
    static void registerAll(AppSettings& settings, Appearance& appearance);
    // Takes the registrations back.
    static void unregisterAll();
};

} // namespace vell
