// IGMPJoinGroupToRcv and IGMPRegisterToLeave: the IP multicast groups of a started interface.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "ralnet/j5.h"

extern "C" {

J5_API int IGMPJoinGroupToRcv(J5NetIf* ctx, const uint8_t* group, uint16_t word, uint16_t value) {
    const auto iface = ralnet::iface::acquireInterface(ctx);
    if (!iface || !iface->isStarted()) return 0;
    return iface->udp->joinGroup(group, word, value);
}

J5_API int IGMPRegisterToLeave(J5NetIf* ctx, const uint8_t* group) {
    const auto iface = ralnet::iface::acquireInterface(ctx);
    if (!iface || !iface->isStarted()) return 0;
    return iface->udp->leaveGroup(group);
}

} // extern "C"
