// Linked into every suite that runs the engine: an exception the engine does not expect fails the
// test that meets it instead of becoming a quiet failure of a line.

#include "Engine/UnexpectedErrors.h"

namespace {

[[maybe_unused]] const bool rethrowing = [] {
    vell::UnexpectedErrors::setRethrown(true);
    return true;
}();

} // namespace
