#pragma once

// The whole run of the program, from the process's arguments to its exit status.

#include <QString>
#include <optional>

namespace vell {

class SingleInstance;

// Claims the document for this process. False when a Vell already running on it has opened a window
// in this one's place, and this one should end. Without a document there is nothing to claim.
bool claimDocument(SingleInstance& instance, const std::optional<QString>& storageURL);

// Opens the first window on the user's document (or asks the Vell already running on it for one) and
// runs until the last window closes, Quit is chosen or a quit signal comes. Exit status 1 when there
// is no display to show a window on.
int runVell(int argc, char** argv);

} // namespace vell
