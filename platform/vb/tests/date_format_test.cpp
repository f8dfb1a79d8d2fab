#include <gtest/gtest.h>

#include <array>
#include <string>

#include "kez/vb/date_format.h"

namespace kez::vb {
namespace {

struct DateCase {
    DateTime when;
    std::string_view pattern;
    std::string_view expected;
};

TEST(FormatDate, LogStampAndClockLines) {
    const DateTime evening{2026, 3, 5, 21, 7, 9};
    const DateTime midnight{2026, 1, 1, 0, 0, 0};
    const DateTime noon{2026, 7, 14, 12, 30, 0};
    const DateTime morning{2026, 11, 9, 11, 59, 1};
    const DateTime yearEnd{2026, 12, 31, 23, 59, 59};
    const DateCase cases[] = {
        {evening, kLogStampFormat, "2026/03/05 21:07:09"}, {evening, kClock24Format, "Mar 5 21:07"},
        {evening, kClock12Format, "Mar 5 9:07 pm"},        {midnight, kLogStampFormat, "2026/01/01 00:00:00"},
        {midnight, kClock24Format, "Jan 1 00:00"},         {midnight, kClock12Format, "Jan 1 12:00 am"},
        {noon, kClock12Format, "Jul 14 12:30 pm"},         {noon, kClock24Format, "Jul 14 12:30"},
        {morning, kClock12Format, "Nov 9 11:59 am"},       {yearEnd, kLogStampFormat, "2026/12/31 23:59:59"},
        {yearEnd, kClock24Format, "Dec 31 23:59"},         {yearEnd, kClock12Format, "Dec 31 11:59 pm"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatDate(c.when, c.pattern), c.expected) << c.pattern;
}

TEST(FormatDate, OtherTokensOfTheLanguage) {
    const DateTime leap{2024, 3, 5, 21, 7, 9};
    const DateCase cases[] = {
        {leap, "h:nn AM/PM", "9:07 PM"}, {leap, "h:nn Am/pM", "9:07 pM"},
        {leap, "h:nn a/p", "9:07 p"},    {leap, "hh:mm", "21:07"},
        {leap, "HH:NN:SS", "21:07:09"},  {leap, "mmmm d, yyyy", "March 5, 2024"},
        {leap, "m/d/yy", "3/5/24"},      {leap, "y", "65"},
        {leap, "h-n-s", "21-7-9"},       {DateTime{2023, 3, 5, 9, 0, 0}, "y", "64"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatDate(c.when, c.pattern), c.expected) << c.pattern;
}

TEST(FormatDate, EnglishMonthAbbreviations) {
    constexpr std::array<std::string_view, 12> kNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int month = 1; month <= 12; ++month) {
        EXPECT_EQ(formatDate(DateTime{2026, month, 1, 0, 0, 0}, "mmm"), kNames[static_cast<std::size_t>(month - 1)]);
    }
}

TEST(LocalNow, IsAPlausibleLocalTime) {
    const DateTime now = localNow();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_LE(now.hour, 23);
}

} // namespace
} // namespace kez::vb
