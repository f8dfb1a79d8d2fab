#include "kez/com/date.h"

#include <cmath>

namespace kez::com {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;

// Days from 1970-01-01 in the proleptic Gregorian calendar (H. Hinnant's days_from_civil).
constexpr std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilDay {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

constexpr CivilDay civilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2), month, day};
}

constexpr std::int64_t kEpochDays = daysFromCivil(1899, 12, 30);
constexpr double kFirstDate = static_cast<double>(daysFromCivil(kFirstYear, 1, 1) - kEpochDays);
constexpr double kEndDate = static_cast<double>(daysFromCivil(kLastYear + 1, 1, 1) - kEpochDays);

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

bool isValid(const CalendarTime& t) {
    return t.year >= kFirstYear && t.year <= kLastYear && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month) && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
           t.second >= 0 && t.second < 60 && t.millisecond >= 0 && t.millisecond < 1000;
}

} // namespace

std::optional<Date> dateFromCalendar(const CalendarTime& time) {
    if (!isValid(time)) {
        return std::nullopt;
    }
    const std::int64_t days =
        daysFromCivil(time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day)) - kEpochDays;
    const std::int64_t ms = ((time.hour * 60LL + time.minute) * 60 + time.second) * 1000 + time.millisecond;
    const double fraction = static_cast<double>(ms) / kMsPerDay;
    return Date{days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction};
}

std::optional<CalendarTime> calendarFromDate(Date date) {
    if (!(date.value > kFirstDate - 1.0 && date.value < kEndDate)) {
        return std::nullopt;
    }
    const double wholeDays = std::trunc(date.value);
    std::int64_t days = static_cast<std::int64_t>(wholeDays);
    std::int64_t ms = std::llround(std::fabs(date.value - wholeDays) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        ++days;
    }
    const CivilDay civil = civilFromDays(days + kEpochDays);
    if (civil.year < kFirstYear || civil.year > kLastYear) {
        return std::nullopt;
    }
    return CalendarTime{static_cast<int>(civil.year),       static_cast<int>(civil.month),
                        static_cast<int>(civil.day),        static_cast<int>(ms / 3'600'000),
                        static_cast<int>(ms / 60'000 % 60), static_cast<int>(ms / 1000 % 60),
                        static_cast<int>(ms % 1000)};
}

} // namespace kez::com
