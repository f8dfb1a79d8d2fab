// J5FreePacketObj: an object goes back to the pool set it came from, so a null or different
// context cannot lose it.
#include "iface/retired_pools.h"
#include "pool/packet_pools.h"
#include "ralnet/j5.h"

extern "C" J5_API void J5FreePacketObj(J5NetIf*, J5PacketObj* packet) {
    ralnet::PacketPools::giveBackToOwner(packet);
    ralnet::iface::releaseIdleRetiredPools();
}
