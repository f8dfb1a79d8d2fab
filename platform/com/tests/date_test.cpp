#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kez/com/date.h"

namespace kez::com {
namespace {

double dateOf(CalendarTime time) {
    const auto date = dateFromCalendar(time);
    EXPECT_TRUE(date);
    return date ? date->value : std::nan("");
}

TEST(Date, KnownDatesHaveTheirSerialNumbers) {
    EXPECT_EQ(dateOf({1899, 12, 30}), 0.0);
    EXPECT_EQ(dateOf({1899, 12, 31}), 1.0);
    EXPECT_EQ(dateOf({1900, 1, 1}), 2.0);
    EXPECT_EQ(dateOf({1900, 3, 1}), 61.0);
    EXPECT_EQ(dateOf({2000, 1, 1}), 36526.0);
    EXPECT_EQ(dateOf({2000, 1, 1, 12}), 36526.5);
    EXPECT_EQ(dateOf({1899, 12, 29, 6}), -1.25);
    EXPECT_EQ(dateOf({1899, 12, 30, 18}), 0.75);
    EXPECT_EQ(dateOf({100, 1, 1}), -657434.0);
    EXPECT_EQ(dateOf({9999, 12, 31}), 2958465.0);
}

TEST(Date, NegativeDatesCountTimeForward) {
    EXPECT_EQ(calendarFromDate(Date{-1.25}), (CalendarTime{1899, 12, 29, 6}));
    EXPECT_EQ(calendarFromDate(Date{-0.5}), (CalendarTime{1899, 12, 30, 12}));
    EXPECT_EQ(calendarFromDate(Date{-2.75}), (CalendarTime{1899, 12, 28, 18}));
}

TEST(Date, RoundTripsToTheMillisecond) {
    const CalendarTime times[] = {
        {2024, 2, 29, 23, 59, 59, 999}, {1999, 12, 31, 0, 0, 0, 1}, {1899, 12, 29, 23, 59, 59, 999},
        {1850, 6, 15, 13, 45, 30, 250}, {2038, 1, 19, 3, 14, 7, 0}, {9999, 12, 31, 23, 59, 59, 999},
        {100, 1, 1, 0, 0, 0, 1},
    };
    for (const CalendarTime& time : times) {
        const auto date = dateFromCalendar(time);
        ASSERT_TRUE(date);
        EXPECT_EQ(calendarFromDate(*date), time) << date->value;
    }
}

TEST(Date, AFractionJustShortOfMidnightRoundsIntoTheNextDay) {
    EXPECT_EQ(calendarFromDate(Date{36526.9999999999}), (CalendarTime{2000, 1, 2}));
    EXPECT_EQ(calendarFromDate(Date{-1.9999999999}), (CalendarTime{1899, 12, 30}));
}

TEST(Date, RefusesInvalidTimesAndOutOfRangeDates) {
    EXPECT_FALSE(dateFromCalendar({2023, 2, 29}));
    EXPECT_FALSE(dateFromCalendar({1900, 2, 29}));
    EXPECT_FALSE(dateFromCalendar({2000, 13, 1}));
    EXPECT_FALSE(dateFromCalendar({2000, 1, 0}));
    EXPECT_FALSE(dateFromCalendar({2000, 1, 1, 24}));
    EXPECT_FALSE(dateFromCalendar({2000, 1, 1, 0, 60}));
    EXPECT_FALSE(dateFromCalendar({2000, 1, 1, 0, 0, 0, 1000}));
    EXPECT_FALSE(dateFromCalendar({99, 12, 31}));
    EXPECT_FALSE(dateFromCalendar({10000, 1, 1}));
    EXPECT_TRUE(dateFromCalendar({2000, 2, 29}));
    EXPECT_FALSE(calendarFromDate(Date{std::nan("")}));
    EXPECT_FALSE(calendarFromDate(Date{std::numeric_limits<double>::infinity()}));
    EXPECT_FALSE(calendarFromDate(Date{2958466.0}));
    EXPECT_FALSE(calendarFromDate(Date{2958465.9999999999}));
    EXPECT_FALSE(calendarFromDate(Date{-657435.0}));
    EXPECT_TRUE(calendarFromDate(Date{-657434.5}));
}

} // namespace
} // namespace kez::com
