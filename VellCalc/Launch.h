#pragma once

// The whole run of the program, from the process's arguments to its exit status.

namespace vell {

// Opens the first window on the user's document (or asks the Vell already running on it for one) and
// runs until the last window closes, Quit is chosen or a quit signal comes. Exit status 1 when there
// is no display to show a window on.
int runVell(int argc, char** argv);

} // namespace vell
