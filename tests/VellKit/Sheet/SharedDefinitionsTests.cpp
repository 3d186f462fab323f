#include "Sheet/SharedDefinitions.h"

#include <gtest/gtest.h>
#include <string>

namespace vell {
namespace {

// What another sheet can call changes with a def, its body or the headers it stands under, and with
// the place of those lines; a change anywhere else leaves the outline as it was.
TEST(SharedDefinitions, TheOutlineFollowsTheFunctionsAndNothingElse) {
    const std::string sheet = "rate = 3\ndef f(x):\n    y = x\n\n    return y * 2\ntotal = f(rate)";
    const std::string outline = SharedDefinitions::outline(sheet);
    EXPECT_EQ(outline, "1:def f(x):\n2:    y = x\n3:\n4:    return y * 2\n");

    struct Case {
        std::string text;
        bool same;
    };
    const Case cases[] = {
        {"rate = 4\ndef f(x):\n    y = x\n\n    return y * 2\ntotal = f(rate)", true},
        {"rate = 3\ndef f(x):\n    y = x\n\n    return y * 2\ntotal = f(rate) + 1", true},
        {"rate = 3\ndef f(x):\n    y = x\n\n    return y * 3\ntotal = f(rate)", false},
        {"rate = 3\ndef f(x, z):\n    y = x\n\n    return y * 2\ntotal = f(rate)", false},
        {"rate = 3\n\ndef f(x):\n    y = x\n\n    return y * 2\ntotal = f(rate)", false},
        // Under a header a def is no longer offered: its header counts.
        {"if rate:\n  def f(x):\n    y = x\n\n    return y * 2\ntotal = f(rate)", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SharedDefinitions::outline(c.text) == outline, c.same) << c.text;

    EXPECT_EQ(SharedDefinitions::outline("1 + 1\n// defined nowhere"), "");
    EXPECT_EQ(SharedDefinitions::outline("if 1:\n  def g():\n    return 1\n2"),
              "0:if 1:\n1:  def g():\n2:    return 1\n");
}

} // namespace
} // namespace vell
