#pragma once

// The whole run of the program, from the process's arguments to its exit status.

#include <QString>
#include <optional>

namespace vell {

class SingleInstance;

enum class Claim {
    // This process runs on the document.
    claimed,
    // The Vell already running on it opened a window in this one's place: end with 0.
    handedOver,
    // A Vell runs on it but does not answer: a second one must not start, end with 1.
    heldByAnother,
};

// Claims the document for this process. Without a document there is nothing to claim; when no name can
// be taken at all, a warning is written and the process runs unguarded.
Claim claimDocument(SingleInstance& instance, const std::optional<QString>& storageURL,
                    int answerTimeoutMilliseconds = 3000);

// Opens the first window on the user's document (or asks the Vell already running on it for one) and
// runs until the last window closes, Quit is chosen or a quit signal comes. Exit status 1 when there
// is no display to show a window on; VellApp::keptInRescueCopy or VellApp::notKept when the document could
// not be saved at the end.
int runVell(int argc, char** argv);

} // namespace vell
