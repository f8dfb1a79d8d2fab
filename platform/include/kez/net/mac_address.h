#pragma once
// Ethernet station addresses.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kez::net {

using MacAddress = std::array<std::uint8_t, 6>;

inline constexpr MacAddress kBroadcastMac{0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

// The group bit: multicast and broadcast destinations.
constexpr bool isGroupAddress(const MacAddress& mac) { return (mac[0] & 0x01) != 0; }

// "02:00:5e:00:00:01" or "02-00-5E-00-00-01"; nullopt for anything else.
std::optional<MacAddress> parseMac(std::string_view text);
// Lower-case, colon-separated, as `ip` prints it.
std::string formatMac(const MacAddress& mac);
// The six bytes at `offset`; the caller has checked the length.
MacAddress macAt(std::span<const std::uint8_t> bytes, std::size_t offset);

} // namespace kez::net
