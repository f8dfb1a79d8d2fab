#pragma once
// The packet driver's control codes, object identifiers and request block, as the client
// speaks them to the device.
#include <cstddef>
#include <cstdint>

namespace ralnet::link {

inline constexpr std::uint32_t kIoctlSetOid = 0x80000000;
inline constexpr std::uint32_t kIoctlQueryOid = 0x80000004;
inline constexpr std::uint32_t kIoctlAdapterList = 0x8000000C;

inline constexpr std::uint32_t kOidCurrentPacketFilter = 0x0001010E; // 4 bytes
inline constexpr std::uint32_t kOidCurrentAddress = 0x01010102;      // 6 bytes
inline constexpr std::uint32_t kOidMulticastList = 0x01010103;       // 6 bytes per address

// Request block: u32 object identifier, u32 data length, then the data (host order).
inline constexpr std::size_t kRequestHeaderLength = 8;

// The list the control device answers: UTF-16 strings in pairs, description then name,
// ended by an empty string.
inline constexpr std::size_t kAdapterListLimit = 1024;

inline constexpr const char* kNoDescription = "No Description Found";
inline constexpr const char* kVirtualWireDescription = "Virtual wire";

// Names the adapters the list offers instead of the kernel's Ethernet adapters.
inline constexpr const char* kAdaptersVariable = "KEZ_ADAPTERS";

} // namespace ralnet::link
