#include "iface/receive_input.h"

#include "iface/interface.h"
#include "wire/demux.h"

namespace ralnet::iface {

void queueForDispatcher(J5Interface& iface, J5PacketObj& packet) {
    if (!iface.receiveQueue.put(&packet)) {
        ++iface.counters.receiveQueueFull;
        PacketPools::giveBackToOwner(&packet);
        return;
    }
    iface.dispatcherEvent.set();
}

void ethernetInput(J5Interface& iface, J5PacketObj& packet) {
    if (wire::acceptEthernetFrame(packet) != wire::DemuxVerdict::J5) {
        ++iface.counters.errors;
        PacketPools::giveBackToOwner(&packet);
        return;
    }
    queueForDispatcher(iface, packet);
}

} // namespace ralnet::iface
