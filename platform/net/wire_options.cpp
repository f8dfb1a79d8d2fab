#include "wire_options.h"

#include <charconv>
#include <set>

#include "kez/sys/trace.h"

namespace kez::net::detail {
namespace {

constexpr std::size_t kPercentDecimals = 4;

PortStatus refused(std::string_view option, std::string_view why) {
    sys::trace("net", "virtual-wire option \"" + std::string(option) + "\" refused: " + std::string(why));
    return portError(PortCode::InvalidOption);
}

std::optional<std::uint32_t> parseWhole(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "12", "0.5", "100.0000"; nothing for a sign, more than four decimals, or above 100.
std::optional<std::uint32_t> parsePercent(std::string_view text) {
    const auto point = text.find('.');
    const auto whole = parseWhole(text.substr(0, point));
    if (!whole || *whole > 100) return std::nullopt;
    std::uint32_t fraction = 0;
    if (point != std::string_view::npos) {
        std::string digits(text.substr(point + 1));
        if (digits.empty() || digits.size() > kPercentDecimals) return std::nullopt;
        digits.resize(kPercentDecimals, '0');
        const auto parsed = parseWhole(digits);
        if (!parsed) return std::nullopt;
        fraction = *parsed;
    }
    const std::uint32_t perMillion = *whole * 10'000 + fraction;
    if (perMillion > kPerMillion) return std::nullopt;
    return perMillion;
}

std::uint32_t* faultRate(std::string_view key, WireOptions& options) {
    if (key == "drop") return &options.dropPerMillion;
    if (key == "dup") return &options.duplicatePerMillion;
    if (key == "reorder") return &options.reorderPerMillion;
    return nullptr;
}

PortStatus apply(std::string_view key, std::string_view value, std::string_view option, WireOptions& options) {
    if (key == "pcap") {
        if (value.empty()) return refused(option, "no file named");
        options.pcapPath = value;
        return {};
    }
    if (std::uint32_t* rate = faultRate(key, options)) {
        const auto perMillion = parsePercent(value);
        if (!perMillion) return refused(option, "not a percentage from 0 to 100 with at most four decimals");
        *rate = *perMillion;
        return {};
    }
    const auto number = parseWhole(value);
    if (key == "delay") {
        if (!number || *number > kMaxDelayMs) return refused(option, "not a delay from 0 to 60000 ms");
        options.delayMs = *number;
        return {};
    }
    if (key == "seed") {
        if (!number) return refused(option, "not a seed from 0 to 4294967295");
        options.seed = *number;
        return {};
    }
    return refused(option, "unknown option");
}

} // namespace

AdapterWithOptions splitOptions(std::string_view name) {
    const auto mark = name.find(kOptionsMark);
    if (mark == std::string_view::npos) return {name, std::nullopt};
    return {name.substr(0, mark), name.substr(mark + 1)};
}

PortStatus parseWireOptions(std::string_view text, WireOptions& out) {
    WireOptions options;
    std::set<std::string_view> seen;
    for (;;) {
        const auto end = text.find('&');
        const std::string_view option = text.substr(0, end);
        const auto equals = option.find('=');
        if (equals == std::string_view::npos) return refused(option, "not key=value");
        const std::string_view key = option.substr(0, equals);
        if (!seen.insert(key).second) return refused(option, "given twice");
        if (PortStatus status = apply(key, option.substr(equals + 1), option, options); !status.ok()) return status;
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    out = std::move(options);
    return {};
}

} // namespace kez::net::detail
