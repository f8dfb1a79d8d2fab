#pragma once
// Date and time texts of the log and the clock line.
#include <string>
#include <string_view>

namespace kez::vb {

struct DateTime {
    int year = 1899;
    int month = 12; // 1..12
    int day = 30;
    int hour = 0; // 0..23
    int minute = 0;
    int second = 0;
};

// The present local date and time.
DateTime localNow();

inline constexpr std::string_view kLogStampFormat = "yyyy/mm/dd hh:nn:ss";
inline constexpr std::string_view kClock24Format = "mmm d hh:nn";
inline constexpr std::string_view kClock12Format = "mmm d h:nn am/pm";

// Formats with the language's date tokens: yyyy yy, mmmm mmm mm m (minutes right
// after an hour token), dd d, hh h, nn n, ss s, and am/pm AM/PM a/p A/P, which also
// switch the hours to the 12-hour clock. Month names are English; every other
// character is copied.
std::string formatDate(const DateTime& when, std::string_view pattern);

} // namespace kez::vb
