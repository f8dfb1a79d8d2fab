#pragma once
// A port onto one Ethernet adapter: whole frames in and out, the station address,
// the NDIS packet-filter bits and the multicast list. Only J5 frames (EtherType
// 0x88B5 plain, 802.1Q-tagged or in LLC/SNAP, and maker SNAP "DL"/"HU") are ever
// delivered. Backends by adapter name:
//   "<ifname>"             AF_PACKET socket on a kernel interface
//   "vwire:<wire>[@<mac>]" in-process virtual wire shared by every port on <wire>
//   "vhub:<hub>[@<mac>]"   virtual wire relayed across processes by a VirtualWireHub
// A virtual-wire name may end in fault and capture options, "?drop=1.5&dup=1&reorder=2&
// delay=20&seed=7&pcap=<file>" (percentages, milliseconds): the port then loses, duplicates,
// holds back and delays the frames it writes, by a generator seeded with `seed` (default 1),
// and captures every frame it writes or reads. Bad option text fails the open with
// InvalidOption.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "kez/net/mac_address.h"
#include "kez/net/port_status.h"
#include "kez/sys/wait.h"

namespace kez::net {

// NDIS packet-filter bits.
namespace PacketFilter {
inline constexpr std::uint32_t Directed = 0x01;
inline constexpr std::uint32_t Multicast = 0x02;    // destinations in the multicast list
inline constexpr std::uint32_t AllMulticast = 0x04; // every group address except broadcast
inline constexpr std::uint32_t Broadcast = 0x08;
inline constexpr std::uint32_t Promiscuous = 0x20;
inline constexpr std::uint32_t Supported = Directed | Multicast | AllMulticast | Broadcast | Promiscuous;
} // namespace PacketFilter

inline constexpr std::size_t kMaxMulticastAddresses = 32;
inline constexpr std::size_t kMinFrameLength = 14;
// An untagged frame of 1,514 bytes plus an 802.1Q tag.
inline constexpr std::size_t kMaxFrameLength = 1518;

enum class ReadOutcome { Frame, Timeout, Closed, Failed };

struct FrameRead {
    ReadOutcome outcome = ReadOutcome::Timeout;
    std::size_t length = 0;
    PortStatus status; // why, when Failed
};

struct PortCounters {
    std::uint64_t framesRead = 0;
    std::uint64_t framesFiltered = 0;   // refused by the packet filter
    std::uint64_t framesTooLong = 0;    // larger than the reader's buffer
    std::uint64_t framesOverflowed = 0; // lost for want of queue room (virtual wires)
    // Faults a virtual-wire port's options put on the frames it wrote.
    std::uint64_t framesDropped = 0;
    std::uint64_t framesDuplicated = 0;
    std::uint64_t framesReordered = 0; // held back for a later frame to pass
};

class PacketPort {
public:
    virtual ~PacketPort() = default;

    virtual PortStatus open(std::string_view adapter) = 0;
    // Wakes every reader blocked in readFrame (it returns Closed) and releases the
    // adapter. Safe from any thread, repeatable.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Waits up to `limit` for a frame that passes the packet filter and copies it to
    // the start of `buffer` (at least kMinFrameLength + 4 bytes). An 802.1Q tag the
    // kernel took off is put back. Frames this port wrote are never read back.
    virtual FrameRead readFrame(std::span<std::uint8_t> buffer, sys::Timeout limit) = 0;
    // Readable when a frame may be waiting or the port was closed; -1 when not open.
    virtual int pollFd() const = 0;

    virtual PortStatus writeFrame(std::span<const std::uint8_t> frame) = 0;
    virtual MacAddress macAddress() const = 0;

    // Nothing is received until a filter is set (NDIS starts at 0).
    virtual PortStatus setPacketFilter(std::uint32_t bits) = 0;
    virtual std::uint32_t packetFilter() const = 0;
    // Replaces the multicast list (group addresses only, at most kMaxMulticastAddresses);
    // on failure the previous list stays.
    virtual PortStatus setMulticastList(std::span<const MacAddress> list) = 0;

    virtual PortCounters counters() const = 0;
};

// An unopened port of the backend the adapter name selects.
std::unique_ptr<PacketPort> makePacketPort(std::string_view adapter);

struct OpenedPort {
    std::unique_ptr<PacketPort> port; // null unless status.ok()
    PortStatus status;
};
OpenedPort openPacketPort(std::string_view adapter);

} // namespace kez::net
