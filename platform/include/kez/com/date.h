#pragma once
// Automation dates: days since 1899-12-30 00:00 as a double, the fraction being the
// time of day. Before the epoch the whole part counts days back while the fraction
// still counts time forward: -1.25 is 1899-12-29 06:00.
#include <cstdint>
#include <optional>

namespace kez::com {

struct Date {
    double value = 0.0;

    friend bool operator==(const Date&, const Date&) = default;
};

struct CalendarTime {
    int year = 1899;
    int month = 12; // 1..12
    int day = 30;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// Years 100 to 9999, as the automation date range; nothing for an invalid calendar time.
std::optional<Date> dateFromCalendar(const CalendarTime& time);
// Rounded to the nearest millisecond; nothing outside the range or for NaN.
std::optional<CalendarTime> calendarFromDate(Date date);

} // namespace kez::com
