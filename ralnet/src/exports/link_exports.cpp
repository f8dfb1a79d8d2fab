// The packet-driver client's exports: adapter list, open, packet filter, multicast list.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link/packet_client.h"
#include "ralnet/j5.h"

using namespace ralnet;

extern "C" {

J5_API int J5SetPacketFilter(J5NetIf* ctx, uint32_t filter) {
    const auto iface = iface::acquireInterface(ctx);
    if (!iface || !iface->device) return 0;
    std::lock_guard guard(iface->contextLock);
    if (!link::KezPacketSetFilter(iface->device.get(), filter)) return 0;
    iface->filter = filter;
    iface->filterSet = true;
    return 1;
}

J5_API int J5SetMultiCastAddresses(J5NetIf* ctx, const uint8_t* macs, uint32_t lengthInBytes) {
    const auto iface = iface::acquireInterface(ctx);
    if (!iface || !iface->device) return 0;
    std::lock_guard guard(iface->multicastLock);
    return link::KezPacketSetMulticastList(iface->device.get(), macs, lengthInBytes) ? 1 : 0;
}

J5_API int J5GetAdapterNames(char* names, uint32_t namesSize, char* descriptions, uint32_t descriptionsSize) {
    return link::KezGetAdapterNames(names, namesSize, descriptions, descriptionsSize) ? 1 : 0;
}

J5_API KezPacketHandle KezPacketOpenAdapter(const char* adapterName) { return link::KezPacketOpenAdapter(adapterName); }

J5_API void KezPacketCloseAdapter(KezPacketHandle adapter) { link::KezPacketCloseAdapter(adapter); }

} // extern "C"
