#include "Engine/UnexpectedErrors.h"

#include <atomic>

namespace vell {

namespace {

std::atomic<bool> rethrowing{false};

} // namespace

void UnexpectedErrors::setRethrown(bool rethrown) {
    rethrowing = rethrown;
}

bool UnexpectedErrors::rethrown() {
    return rethrowing;
}

void UnexpectedErrors::handle() {
    if (rethrowing) throw;
}

} // namespace vell
