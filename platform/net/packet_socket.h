#pragma once
// Opening an AF_PACKET socket for one adapter with the J5 socket filter attached.
// Shared by the packet port (when the process may open raw sockets itself) and the
// helper kez-rawsock, which links nothing else of kezplat.
#include <string_view>

#include "kez/net/port_status.h"
#include "kez/sys/fd.h"

namespace kez::net::detail {

// Interface names: 1 to 15 printable characters, none of them '/', ':' or blank.
PortStatus checkAdapterName(std::string_view name);

// Classic BPF that passes J5 frames only (see isJ5Frame), with an outer tag the kernel
// took off counted as in the frame; locked filters cannot be detached or replaced by
// the descriptor's later owner. With `ifindex`, only frames of that adapter pass.
enum class FilterLock { Unlocked, Locked };
PortStatus attachJ5Filter(int fd, FilterLock lock);
PortStatus attachJ5Filter(int fd, FilterLock lock, int ifindex);

struct PacketSocket {
    sys::UniqueFd fd;
    PortStatus status;
};

// A raw socket bound to the adapter for every protocol, filtered (to that adapter)
// before it is bound so that no other frame is ever queued on it.
PacketSocket openPacketSocket(std::string_view adapter, FilterLock lock);

} // namespace kez::net::detail
