#pragma once

// Texts of tens of kilobytes, compared without printing them whole.

#include <algorithm>
#include <gtest/gtest.h>
#include <string_view>

namespace vell::testsupport {

inline testing::AssertionResult sameText(std::string_view actual, std::string_view expected) {
    if (actual == expected) return testing::AssertionSuccess();
    const auto split = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const auto at = static_cast<std::size_t>(split.first - actual.begin());
    return testing::AssertionFailure()
           << actual.size() << " bytes where " << expected.size() << " were expected, differing from byte "
           << at << ": \"" << actual.substr(at, 20) << "\" for \"" << expected.substr(at, 20) << "\"";
}

} // namespace vell::testsupport
