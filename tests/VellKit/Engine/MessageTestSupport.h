#pragma once

// The message a step fails with, and failure messages checked in both interface languages.

#include "Engine/CalcError.h"
#include "Support/EngineSettingsScope.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <string>

namespace vell::testsupport {

// The message of the CalcError the step throws, or "(no error)" when it throws none.
template <typename Step>
std::string messageOf(Step&& step) {
    try {
        step();
    } catch (const CalcError& error) {
        return error.message();
    }
    return "(no error)";
}

// A line and the message it fails with in each language.
struct BilingualFailure {
    std::string line;
    std::string english;
    std::string japanese;
};

// Each line's message as `message` gives it, first in English, then in Japanese.
template <std::size_t N, typename Message>
void expectFailuresInBothLanguages(const BilingualFailure (&cases)[N], Message&& message) {
    for (const BilingualFailure& c : cases) {
        {
            EngineSettingsScope english(AppLanguage::english);
            EXPECT_EQ(message(c.line), c.english) << c.line;
        }
        EngineSettingsScope japanese(AppLanguage::japanese);
        EXPECT_EQ(message(c.line), c.japanese) << c.line;
    }
}

} // namespace vell::testsupport
