#include "Unicode/Decimal.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace vell {
namespace {

// The widest integers still fit: a 64-bit value takes up to 20 digits and a sign.
TEST(Decimal, WritesSignedAndUnsignedIntegersToTheirLimits) {
    EXPECT_EQ(decimal(0), "0");
    EXPECT_EQ(decimal(std::int64_t{-42}), "-42");
    EXPECT_EQ(decimal(std::size_t{1234567}), "1234567");
    EXPECT_EQ(decimal(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(decimal(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
}

} // namespace
} // namespace vell
