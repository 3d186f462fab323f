#include "Document/Date.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <limits>

namespace vell {

namespace {

constexpr std::int64_t microsecondsPerSecond = 1'000'000;
constexpr std::int64_t secondsPerDay = 86'400;

// Days from 1970-01-01 in the proleptic Gregorian calendar (H. Hinnant's civil algorithms).
constexpr std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct Civil {
    std::int64_t year;
    int month;
    int day;
};

constexpr Civil civilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

static_assert(daysFromCivil(1970, 1, 1) == 0);
static_assert(daysFromCivil(1, 1, 1) * secondsPerDay * microsecondsPerSecond ==
              Date::distantPast.microsecondsSince1970());

constexpr bool isLeapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

constexpr int daysInMonth(std::int64_t year, int month) {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Reads exactly `width` ASCII digits at `offset`.
std::optional<int> digits(std::string_view text, std::size_t offset, std::size_t width) {
    if (offset + width > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = offset; i < offset + width; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

void appendPadded(std::string& out, std::int64_t value, int width) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (auto length = result.ptr - buffer; length < width; ++length)
        out.push_back('0');
    out.append(buffer, result.ptr);
}

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return sum;
}

} // namespace

Date Date::fromCivil(std::int64_t year, int month, int day, int hour, int minute, int second) {
    const std::int64_t seconds =
        daysFromCivil(year, month, day) * secondsPerDay + std::int64_t{hour} * 3600 + minute * 60 + second;
    return fromSeconds(seconds);
}

Date Date::now() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return Date(std::chrono::duration_cast<std::chrono::microseconds>(sinceEpoch).count());
}

std::optional<Date> Date::fromIso8601(std::string_view text) {
    // 2024-05-01T10:00:00Z or 2024-05-01T19:00:00+09:00
    if (text.size() != 20 && text.size() != 25) return std::nullopt;
    const auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const auto hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month)) return std::nullopt;
    if (*hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    std::int64_t offsetSeconds = 0;
    if (text.size() == 20) {
        if (text[19] != 'Z') return std::nullopt;
    } else {
        const auto offsetHours = digits(text, 20, 2), offsetMinutes = digits(text, 23, 2);
        if ((text[19] != '+' && text[19] != '-') || text[22] != ':' || !offsetHours || !offsetMinutes ||
            *offsetHours > 23 || *offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds =
            (std::int64_t{*offsetHours} * 3600 + *offsetMinutes * 60) * (text[19] == '-' ? -1 : 1);
    }
    return fromCivil(*year, *month, *day, *hour, *minute, *second).addingSeconds(-offsetSeconds);
}

std::string Date::iso8601() const {
    static constexpr std::int64_t firstSecond = daysFromCivil(0, 1, 1) * secondsPerDay;
    static constexpr std::int64_t lastSecond = daysFromCivil(10000, 1, 1) * secondsPerDay - 1;
    // Floor, so a date before 1970 with a fraction stays within its own second.
    std::int64_t seconds = microseconds_ / microsecondsPerSecond;
    if (microseconds_ % microsecondsPerSecond < 0) --seconds;
    seconds = std::clamp(seconds, firstSecond, lastSecond);
    std::int64_t days = seconds / secondsPerDay;
    std::int64_t secondOfDay = seconds % secondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += secondsPerDay;
        --days;
    }
    const Civil civil = civilFromDays(days);
    std::string out;
    out.reserve(20);
    appendPadded(out, civil.year, 4);
    out.push_back('-');
    appendPadded(out, civil.month, 2);
    out.push_back('-');
    appendPadded(out, civil.day, 2);
    out.push_back('T');
    appendPadded(out, secondOfDay / 3600, 2);
    out.push_back(':');
    appendPadded(out, secondOfDay / 60 % 60, 2);
    out.push_back(':');
    appendPadded(out, secondOfDay % 60, 2);
    out.push_back('Z');
    return out;
}

std::int64_t Date::microsecondsSince(Date earlier) const {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(microseconds_, earlier.microseconds_, &difference))
        return earlier.microseconds_ < 0 ? std::numeric_limits<std::int64_t>::max()
                                         : std::numeric_limits<std::int64_t>::min();
    return difference;
}

Date Date::addingMicroseconds(std::int64_t microseconds) const {
    return Date(saturatingAdd(microseconds_, microseconds));
}

Date Date::addingSeconds(std::int64_t seconds) const {
    std::int64_t microseconds = 0;
    if (__builtin_mul_overflow(seconds, microsecondsPerSecond, &microseconds))
        microseconds =
            seconds > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return addingMicroseconds(microseconds);
}

} // namespace vell
