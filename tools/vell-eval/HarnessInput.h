#pragma once

// The input of vell-eval: the sheet to evaluate, the other sheets of the document and the engine-wide
// settings to evaluate it with.

#include "Engine/EngineSettings.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vell::harness {

struct OtherSheet {
    std::string name;
    std::string text;
};

struct HarnessInput {
    std::string sheet;
    std::vector<OtherSheet> others;
    EngineSettings engine;
    bool grouping = true;
};

// Input that is not JSON or does not have the expected shape; the message names the field.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws InputError.
HarnessInput parseInput(std::string_view json);

// Makes the input's settings the engine-wide settings.
void applySettings(const HarnessInput& input);

} // namespace vell::harness
