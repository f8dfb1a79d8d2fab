// Untrusted text and numbers that reach kez::com: identifiers read from the registry,
// wire text, dates from the wire. Checks the round-trip invariants, not just survival.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "kez/com/date.h"
#include "kez/com/guid.h"
#include "kez/com/text.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void guidRoundTrip(std::string_view text) {
    if (const auto guid = kez::com::Guid::parse(text)) {
        check(kez::com::Guid::parse(guid->str()) == guid);
    }
}

void textRoundTrip(std::string_view bytes) {
    check(kez::com::windows1252FromUtf8(kez::com::utf8FromWindows1252(bytes)) == bytes);
    const std::string narrowed = kez::com::windows1252FromUtf8(bytes);
    check(narrowed.size() <= bytes.size());
}

// Dates before the epoch count their fraction forward; this is the position on one time line.
double timeLine(double date) {
    const double days = std::trunc(date);
    return date < 0 ? days + (days - date) : date;
}

void dateRoundTrip(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(double)) {
        return;
    }
    double value;
    std::memcpy(&value, data, sizeof value);
    const auto calendar = kez::com::calendarFromDate(kez::com::Date{value});
    if (!calendar) {
        return;
    }
    const auto date = kez::com::dateFromCalendar(*calendar);
    check(date.has_value());
    // Rounded to the millisecond, within the double's precision.
    const double tolerance = 0.5001 / 86'400'000 + std::fabs(value) * 1e-14;
    check(std::fabs(timeLine(date->value) - timeLine(value)) <= tolerance);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    guidRoundTrip(bytes);
    textRoundTrip(bytes);
    dateRoundTrip(data, size);
    return 0;
}
