#pragma once

// A moment in UTC to the microsecond, counted from 1970; the document's dates and every clock reading.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vell {

class Date {
public:
    using Clock = std::function<Date()>;

    constexpr Date() = default; // 1970-01-01T00:00:00Z

    static constexpr Date fromMicroseconds(std::int64_t microseconds) { return Date(microseconds); }
    static constexpr Date fromSeconds(std::int64_t seconds) { return Date(seconds * 1'000'000); }
    // Year, month 1-12, day 1-31 and the time of day, in UTC; nothing is checked.
    static Date fromCivil(std::int64_t year, int month, int day, int hour = 0, int minute = 0,
                          int second = 0);
    // The system clock.
    static Date now();

    // Earlier than any real date: 0001-01-01T00:00:00Z. Absent dates count as this one wherever dates meet.
    static const Date distantPast;

    // "YYYY-MM-DDTHH:MM:SSZ"; a numeric offset ("+09:00") is read as well. A fraction of a second is not.
    static std::optional<Date> fromIso8601(std::string_view text);
    // Whole seconds (the fraction is dropped), in UTC with "Z"; years outside 0000-9999 are pinned to them.
    std::string iso8601() const;

    constexpr std::int64_t microsecondsSince1970() const { return microseconds_; }
    // Saturating, so the distant past and far-off dates never overflow.
    std::int64_t microsecondsSince(Date earlier) const;
    Date addingMicroseconds(std::int64_t microseconds) const;
    Date addingSeconds(std::int64_t seconds) const;

    friend constexpr auto operator<=>(Date, Date) = default;

private:
    constexpr explicit Date(std::int64_t microseconds) : microseconds_(microseconds) {}

    std::int64_t microseconds_ = 0;
};

inline constexpr Date Date::distantPast = Date::fromMicroseconds(-62'135'596'800'000'000);

} // namespace vell
