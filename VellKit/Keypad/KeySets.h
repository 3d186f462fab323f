#pragma once

// The fixed keys of the keypad: the token row above and the two 5 × 5 grids, one with digits and one
// with caret keys in their place.

#include "Keypad/KeypadKey.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace vell {

// A key of the token row: shows `label`, inserts `insert`.
struct KeypadToken {
    std::string label;
    std::string insert;

    bool operator==(const KeypadToken&) const = default;
    KeypadKey key() const { return KeypadKey::text(insert, label); }
};

// Rows top first, cells left to right; an empty cell holds no key.
using KeyGrid = std::array<std::array<std::optional<KeypadKey>, 5>, 5>;

struct KeySets {
    static const std::vector<KeypadToken>& tokens();
    static const KeyGrid& numbersGrid();
    static const KeyGrid& cursorGrid();
};

} // namespace vell
