#include "selected_adapter.h"

#include "kez/reg/key.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace kez::adapterprobe {
namespace {

constexpr std::string_view kCommunicationsKey = "SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Communications";
constexpr std::string_view kAdapterValue = "Adapter";
// The value is read into a buffer of this size; a longer one fails with MoreData.
constexpr std::size_t kValueLimit = 32;

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

AdapterSetting readAdapterSetting() {
    AdapterSetting setting;
    reg::Key key;
    setting.status = reg::Key::open(reg::Hive::LocalMachine, kCommunicationsKey, reg::Access::Read, key);
    if (setting.status != reg::Status::Ok) return setting;
    setting.outcome = AdapterSetting::Outcome::ValueMissing;
    reg::Value value;
    setting.status = key.queryValue(kAdapterValue, value, kValueLimit);
    if (setting.status != reg::Status::Ok) return setting;
    setting.outcome = AdapterSetting::Outcome::Read;
    // Terminated inside the buffer: a value that fills all of it loses its last byte.
    const auto usable =
        value.bytes.begin() + static_cast<std::ptrdiff_t>(std::min(value.bytes.size(), kValueLimit - 1));
    setting.text.assign(value.bytes.begin(), std::find(value.bytes.begin(), usable, std::uint8_t{0}));
    return setting;
}

std::optional<int> adapterNumber(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    long long magnitude = 0;
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > kLimit) return std::nullopt;
    }
    const long long number = negative ? -magnitude : magnitude;
    if (number > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(number);
}

} // namespace kez::adapterprobe
