#pragma once

// An exception that is not a CalcError is a fault of the engine, not of the line. In the application
// the line that meets one fails quietly and the rest of the sheet goes on; tests and fuzz targets
// have such exceptions rethrown, so that they see every one.

namespace vell {

struct UnexpectedErrors {
    // Off unless a test or fuzz target turns it on at start.
    static void setRethrown(bool rethrown);
    static bool rethrown();

    // Called inside a handler of an exception that is not a CalcError: rethrows it when rethrowing
    // is on; otherwise returns, and the caller fails the line.
    static void handle();
};

} // namespace vell
