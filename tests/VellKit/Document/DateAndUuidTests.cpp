#include "DocumentTestSupport.h"

#include <limits>
#include <set>

namespace vell {
namespace {

using testsupport::date;

TEST(Date, ReadsAndWritesInternetDateTimes) {
    struct Case {
        const char* text;
        std::int64_t seconds;
    };
    const Case cases[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"2000-02-29T12:34:56Z", 951'827'696},
        {"1969-12-31T23:59:59Z", -1},
        {"0001-01-01T00:00:00Z", -62'135'596'800},
        {"9999-12-31T23:59:59Z", 253'402'300'799},
        {"0000-01-01T00:00:00Z", -62'167'219'200},
    };
    for (const Case& c : cases) {
        const auto parsed = Date::fromIso8601(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(*parsed, Date::fromSeconds(c.seconds)) << c.text;
        EXPECT_EQ(parsed->iso8601(), c.text);
    }
    EXPECT_EQ(Date::distantPast, Date::fromCivil(1, 1, 1));
    EXPECT_EQ(Date::distantPast.iso8601(), "0001-01-01T00:00:00Z");
}

TEST(Date, ReadsNumericOffsetsAsTheSameMoment) {
    EXPECT_EQ(date("2024-05-01T19:00:00+09:00"), date("2024-05-01T10:00:00Z"));
    EXPECT_EQ(date("2024-05-01T04:30:00-05:30"), date("2024-05-01T10:00:00Z"));
    EXPECT_EQ(date("2024-05-01T10:00:00+00:00").iso8601(), "2024-05-01T10:00:00Z");
}

TEST(Date, RefusesEverythingElse) {
    for (const char* text : {
             "",
             "2024-05-01T10:00:00",       // no zone
             "2024-05-01T10:00:00.5Z",    // fraction
             "2024-05-01T10:00:00.000Z",  // fraction
             "2024-05-01 10:00:00Z",      // space for T
             "2024-05-01t10:00:00z",      // lower case
             "2024-5-01T10:00:00Z",       // short month
             "2024-02-30T10:00:00Z",      // no such day
             "2023-02-29T10:00:00Z",      // not a leap year
             "1900-02-29T10:00:00Z",      // not a leap year
             "2024-13-01T10:00:00Z",      // month
             "2024-00-01T10:00:00Z",      // month
             "2024-05-00T10:00:00Z",      // day
             "2024-05-01T24:00:00Z",      // hour
             "2024-05-01T10:60:00Z",      // minute
             "2024-05-01T10:00:60Z",      // leap second
             "2024-05-01T10:00:00+0900",  // offset without colon
             "2024-05-01T10:00:00+24:00", // offset hour
             "+2024-05-01T10:00:00Z",     // sign
             "２０２４-05-01T10:00:00Z",  // full-width digits
             "2024-05-01T10:00:00Z ",     // trailing space
         })
        EXPECT_FALSE(Date::fromIso8601(text)) << text;
}

TEST(Date, WritingDropsTheFractionTowardsTheEarlierSecond) {
    EXPECT_EQ(Date::fromMicroseconds(1'999'999).iso8601(), "1970-01-01T00:00:01Z");
    EXPECT_EQ(Date::fromMicroseconds(-1).iso8601(), "1969-12-31T23:59:59Z");
    EXPECT_EQ(Date::distantPast.addingMicroseconds(1).iso8601(), "0001-01-01T00:00:00Z");
}

TEST(Date, FarOffDatesNeitherOverflowNorWriteUnreadableYears) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(Date::fromMicroseconds(max).iso8601(), "9999-12-31T23:59:59Z");
    EXPECT_EQ(Date::fromMicroseconds(min).iso8601(), "0000-01-01T00:00:00Z");
    EXPECT_EQ(Date::fromMicroseconds(max).microsecondsSince(Date::fromMicroseconds(min)), max);
    EXPECT_EQ(Date::fromMicroseconds(min).microsecondsSince(Date::fromMicroseconds(max)), min);
    EXPECT_EQ(Date::fromMicroseconds(max).addingSeconds(1), Date::fromMicroseconds(max));
    EXPECT_EQ(Date::distantPast.addingSeconds(-max), Date::fromMicroseconds(min));
}

TEST(Uuid, ReadsEitherCaseAndWritesUpperCase) {
    const auto lower = Uuid::fromString("0a1b2c3d-4e5f-6789-abcd-ef0123456789");
    const auto mixed = Uuid::fromString("0A1b2C3d-4E5F-6789-aBcD-Ef0123456789");
    ASSERT_TRUE(lower);
    ASSERT_TRUE(mixed);
    EXPECT_EQ(*lower, *mixed);
    EXPECT_EQ(lower->uuidString(), "0A1B2C3D-4E5F-6789-ABCD-EF0123456789");
    EXPECT_EQ(lower->bytes()[0], 0x0A);
    EXPECT_EQ(lower->bytes()[15], 0x89);
}

TEST(Uuid, RefusesOtherForms) {
    for (const char* text : {
             "", "x",
             "0A1B2C3D-4E5F-6789-ABCD-EF012345678",   // short
             "0A1B2C3D-4E5F-6789-ABCD-EF01234567890", // long
             "0A1B2C3D4E5F-6789-ABCD-EF0123456789-",  // hyphen moved
             "0A1B2C3D-4E5F-6789-ABCD_EF0123456789",  // other separator
             "0A1B2C3D-4E5F-6789-ABCG-EF0123456789",  // not hexadecimal
             "{0A1B2C3D-4E5F-6789-ABCD-EF01234567}",  // braces
             "0A1B2C3D-4E5F-6789-ABCD-EF012345678 ",  // space
         })
        EXPECT_FALSE(Uuid::fromString(text)) << text;
}

TEST(Uuid, RandomIdsAreVersionFourAndDistinct) {
    std::set<Uuid> seen;
    for (int i = 0; i < 1000; ++i) {
        const Uuid id = Uuid::random();
        const std::string text = id.uuidString();
        EXPECT_EQ(text[14], '4');
        EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos);
        EXPECT_EQ(Uuid::fromString(text), id);
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

// Known answers of the standard name-based ids, one with a name longer than one block of the hash.
TEST(Uuid, NameBasedIdsAreVersionFiveAndTheSameEverywhere) {
    const Uuid dns = *Uuid::fromString("6BA7B810-9DAD-11D1-80B4-00C04FD430C8");
    const Uuid url = *Uuid::fromString("6BA7B811-9DAD-11D1-80B4-00C04FD430C8");
    const struct {
        Uuid space;
        std::string name;
        const char* expected;
    } cases[] = {
        {dns, "www.example.com", "2ED6657D-E927-568B-95E1-2665A8AEA6A2"},
        {url, "", "1B4DB7EB-4057-5DDF-91E0-36DEC72071F5"},
        {url, std::string(100, 'x'), "C4956A8F-ABE3-5D39-8DFA-4BF25E22E84B"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Uuid::nameBased(c.space, c.name).uuidString(), c.expected) << c.name;
    }
    EXPECT_NE(Uuid::nameBased(dns, "a"), Uuid::nameBased(url, "a"));
}

TEST(Uuid, OrderFollowsTheText) {
    const Uuid a = *Uuid::fromString("09FFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF");
    const Uuid b = *Uuid::fromString("0A000000-0000-0000-0000-000000000000");
    const Uuid c = *Uuid::fromString("0A000000-0000-0000-0000-00000000000F");
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_LT(a.uuidString(), b.uuidString());
    EXPECT_LT(b.uuidString(), c.uuidString());
}

} // namespace
} // namespace vell
