#pragma once
// adapterprobe's steps: list the adapters the packet driver offers, read which one the telephone is
// set to use, open it and set its packet filter, printing each outcome on standard output. The
// packet-driver client's calls come through a table so that a test can put failing ones in place.
#include "ralnet/j5.h"

#include <cstdint>
#include <functional>

namespace kez::adapterprobe {

struct PacketClient {
    std::function<bool(char* names, std::uint32_t namesSize, char* descriptions, std::uint32_t descriptionsSize)>
        getAdapterNames;
    std::function<KezPacketHandle(const char* adapterName)> openAdapter; // null name: the default adapter
    std::function<bool(KezPacketHandle adapter, std::uint32_t filter)> setFilter;
    std::function<void(KezPacketHandle adapter)> closeAdapter;
};

// The client built with console diagnostics.
PacketClient consoleClient();

void run(const PacketClient& client);

} // namespace kez::adapterprobe
