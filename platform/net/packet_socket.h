#pragma once
// Opening and reading an AF_PACKET socket for one adapter with the J5 socket filter
// attached. Shared by the packet port (when the process may open raw sockets itself) and
// the broker kez-rawsock, which links nothing else of kezplat.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "kez/net/mac_address.h"
#include "kez/net/port_status.h"
#include "kez/sys/fd.h"

namespace kez::net::detail {

// Interface names: 1 to 15 printable characters, none of them '/', ':' or blank.
PortStatus checkAdapterName(std::string_view name);

// Classic BPF that passes J5 frames only (see isJ5Frame), with an outer tag the kernel
// took off counted as in the frame; locked filters cannot be detached or replaced.
enum class FilterLock { Unlocked, Locked };
PortStatus attachJ5Filter(int fd, FilterLock lock);

// Direct: the program's own socket; frames for other stations still arrive (promiscuous
// mode is the program's to ask for). Broker: the filter is locked and passes only frames
// for this station (no PACKET_OTHERHOST) that came in (no PACKET_OUTGOING).
enum class SocketUse { Direct, Broker };

struct PacketSocket {
    sys::UniqueFd fd;
    PortStatus status;
    int ifindex = 0;
    MacAddress mac{};
};

// A raw socket bound to the adapter for every protocol, filtered (to that adapter) before
// it is bound so that no other frame is ever queued on it, with the 802.1Q tags the
// kernel takes off reported and its own outgoing frames left out.
PacketSocket openPacketSocket(std::string_view adapter, SocketUse use);

// The adapter's current station address, from the socket bound to it.
PortStatus boundAddress(int fd, int& ifindex, MacAddress& mac);

enum class Receipt { Frame, Skipped, TooLong, WouldBlock, Failed };
// Takes one frame off the packet socket into `buffer`, with a tag the kernel took off put
// back; `error` tells why on Failed. Outgoing copies and runts are Skipped.
Receipt receivePacket(int fd, std::span<std::uint8_t> buffer, std::size_t& length, int& error);

} // namespace kez::net::detail
