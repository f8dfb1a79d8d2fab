// Feeds arbitrary text to the number readers and the date formatter: they must
// either answer or raise a run-time error, and agree with each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "kez/vb/conversions.h"
#include "kez/vb/date_format.h"
#include "kez/vb/runtime_error.h"

namespace {

void checkNumberReaders(std::string_view text) {
    std::optional<double> whole;
    try {
        whole = kez::vb::numberFromText(text);
    } catch (const kez::vb::RuntimeError& error) {
        if (error.number() != kez::vb::error::kOverflow) std::abort();
    }
    if (whole && kez::vb::val(text) != *whole) std::abort(); // a whole number reads the same from its start
    if (whole.has_value() != kez::vb::isNumeric(text)) std::abort();
    try {
        const int value = kez::vb::leadingInt16(text);
        if (value < -32768 || value > 32767) std::abort();
    } catch (const kez::vb::RuntimeError& error) {
        if (error.number() != kez::vb::error::kOverflow) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkNumberReaders(text);
    (void)kez::vb::formatDate(kez::vb::DateTime{2026, 3, 5, 21, 7, 9}, text);
    return 0;
}
