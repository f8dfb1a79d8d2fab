#pragma once
// Fault and capture options of a virtual-wire port, written after the adapter name:
// "vwire:<wire>[@<mac>]?drop=<pct>&dup=<pct>&reorder=<pct>&delay=<ms>&seed=<n>&pcap=<file>".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kez/net/port_status.h"

namespace kez::net::detail {

inline constexpr char kOptionsMark = '?';
// Percentages are kept in millionths: four decimals of a percent.
inline constexpr std::uint32_t kPerMillion = 1'000'000;
inline constexpr std::uint32_t kMaxDelayMs = 60'000;

struct WireOptions {
    std::uint32_t dropPerMillion = 0;
    std::uint32_t duplicatePerMillion = 0;
    std::uint32_t reorderPerMillion = 0;
    std::uint32_t delayMs = 0;
    std::uint32_t seed = 1;
    std::string pcapPath; // empty: no capture

    bool rollsDice() const { return dropPerMillion != 0 || duplicatePerMillion != 0 || reorderPerMillion != 0; }
    // Frames leave later than written, from the port's own thread.
    bool holdsFrames() const { return delayMs != 0 || reorderPerMillion != 0; }
};

struct AdapterWithOptions {
    std::string_view adapter;
    std::optional<std::string_view> options; // the text after the mark, when there is one
};

AdapterWithOptions splitOptions(std::string_view name);

// InvalidOption for an unknown, repeated, empty or out-of-range option; `out` is then unchanged.
PortStatus parseWireOptions(std::string_view text, WireOptions& out);

} // namespace kez::net::detail
