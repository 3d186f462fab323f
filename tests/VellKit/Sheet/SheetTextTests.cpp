#include "Sheet/SheetText.h"

#include <gtest/gtest.h>
#include <string>

namespace vell {
namespace {

// Only the ASCII digits count, wherever they stand; bytes of other characters whose low bits look
// like digits ("°" ends in 0xB0, full-width digits in 0x90 to 0x99) do not.
TEST(SheetText, DigitsAreTheAsciiOnes) {
    const struct {
        std::string text;
        bool noDigits;
    } cases[] = {
        {"", true},
        {"abc", true},
        {"7", false},
        {"price of the milk", true},
        {"price of the milk 2", false},
        {"12345678", false},
        {"abcdefgh9", false},
        {"abcdefghijklmnop0", false},
        {"/:/:/:/:/:/:/:/:", true},
        {"°°°°°°°°°°", true},
        {"１２３４５６７８９０", true},
        {"温度は°Cで書く", true},
        {"温度は°Cで書く5", false},
        {"abcdefg5abcdefgh", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SheetText::hasNoDigits(c.text), c.noDigits) << c.text;
}

} // namespace
} // namespace vell
