#include "kez/vb/date_format.h"

#include <array>
#include <cctype>
#include <ctime>

#include "kez/sys/ascii.h"

namespace kez::vb {
namespace {

constexpr std::array<std::string_view, 12> kMonthNames{"January",   "February", "March",    "April",
                                                       "May",       "June",     "July",     "August",
                                                       "September", "October",  "November", "December"};

bool hasMeridiem(std::string_view pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const auto rest = pattern.substr(i);
        if (sys::startsWithNoCase(rest, "am/pm") || sys::startsWithNoCase(rest, "a/p")) return true;
    }
    return false;
}

std::string number(int value, std::size_t width) {
    std::string text = std::to_string(value);
    if (text.size() < width) text.insert(0, width - text.size(), '0');
    return text;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int dayOfYear(const DateTime& when) {
    static constexpr std::array<int, 12> kDaysBefore{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int month = (when.month >= 1 && when.month <= 12) ? when.month : 1;
    return kDaysBefore[static_cast<std::size_t>(month - 1)] + when.day + (month > 2 && isLeapYear(when.year) ? 1 : 0);
}

std::string_view monthName(int month) {
    return (month >= 1 && month <= 12) ? kMonthNames[static_cast<std::size_t>(month - 1)] : std::string_view("?");
}

std::size_t runLength(std::string_view pattern, std::size_t from) {
    const auto letter = std::tolower(static_cast<unsigned char>(pattern[from]));
    std::size_t end = from;
    while (end < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[end])) == letter)
        ++end;
    return end - from;
}

class Formatter {
public:
    Formatter(const DateTime& when, std::string_view pattern)
        : when_(when), pattern_(pattern), twelveHour_(hasMeridiem(pattern)) {}

    std::string run() {
        while (pos_ < pattern_.size())
            step();
        return out_;
    }

private:
    void step() {
        const auto rest = pattern_.substr(pos_);
        if (sys::startsWithNoCase(rest, "am/pm"))
            return meridiem(when_.hour < 12 ? rest.substr(0, 2) : rest.substr(3, 2), 5);
        if (sys::startsWithNoCase(rest, "a/p"))
            return meridiem(when_.hour < 12 ? rest.substr(0, 1) : rest.substr(2, 1), 3);
        const std::size_t run = runLength(pattern_, pos_);
        switch (std::tolower(static_cast<unsigned char>(rest.front()))) {
        case 'y': return year(run);
        case 'm': return monthOrMinute(run);
        case 'd': return token(number(when_.day, run >= 2 ? 2 : 1), run >= 2 ? 2 : 1, false);
        case 'h': return token(number(displayHour(), run >= 2 ? 2 : 1), run >= 2 ? 2 : 1, true);
        case 'n': return token(number(when_.minute, run >= 2 ? 2 : 1), run >= 2 ? 2 : 1, false);
        case 's': return token(number(when_.second, run >= 2 ? 2 : 1), run >= 2 ? 2 : 1, false);
        default: out_.push_back(rest.front()); ++pos_;
        }
    }

    void token(std::string_view text, std::size_t consumed, bool isHour) {
        out_.append(text);
        pos_ += consumed;
        afterHour_ = isHour;
    }

    void meridiem(std::string_view text, std::size_t consumed) { token(text, consumed, false); }

    void year(std::size_t run) {
        if (run >= 4) return token(number(when_.year, 4), 4, false);
        if (run >= 2) return token(number(when_.year % 100, 2), 2, false);
        token(std::to_string(dayOfYear(when_)), 1, false);
    }

    // "m" and "mm" right after an hour token are minutes, as in "hh:mm".
    void monthOrMinute(std::size_t run) {
        if (run >= 4) return token(monthName(when_.month), 4, false);
        if (run == 3) return token(monthName(when_.month).substr(0, 3), 3, false);
        const std::size_t width = run;
        token(number(afterHour_ ? when_.minute : when_.month, width), width, false);
    }

    int displayHour() const {
        if (!twelveHour_) return when_.hour;
        const int hour = when_.hour % 12;
        return hour == 0 ? 12 : hour;
    }

    const DateTime& when_;
    std::string_view pattern_;
    bool twelveHour_;
    bool afterHour_ = false;
    std::size_t pos_ = 0;
    std::string out_;
};

} // namespace

DateTime localNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string formatDate(const DateTime& when, std::string_view pattern) { return Formatter(when, pattern).run(); }

} // namespace kez::vb
