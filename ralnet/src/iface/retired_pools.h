#pragma once
// Pools of a closed interface whose packets are still lent to the application: kept until
// the last one comes back through J5FreePacketObj, then freed.
#include "pool/packet_pools.h"

#include <memory>

namespace ralnet::iface {

// Frees the pools now when nothing is lent out, else keeps them.
void retirePools(std::unique_ptr<PacketPools> pools);
// Frees every kept pool set whose packets have all come back. Cheap when none is kept.
void releaseIdleRetiredPools();
std::size_t retiredPoolCount();

} // namespace ralnet::iface
