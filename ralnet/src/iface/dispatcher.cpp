// The receive dispatcher: every J5 packet from the links passes here, one at a time.
// Reliable types go to the reliable side; "HA", "HU" and "DL" to the application queues.
#include "iface/interface.h"
#include "iface/waits.h"
#include "wire/byte_order.h"
#include "wire/demux.h"

namespace ralnet::iface {
namespace {

bool isReliableType(std::uint16_t type) {
    return type == J5_TYPE_HR || type == J5_TYPE_HI || type == J5_TYPE_HH || type == J5_TYPE_HY || type == J5_TYPE_HE;
}

void dropAsError(J5Interface& iface, J5PacketObj& packet) {
    ++iface.counters.errors;
    PacketPools::giveBackToOwner(&packet);
}

void deliver(J5Interface& iface, J5PacketObj& packet, PacketQueue& queue, kez::sys::Semaphore& ready) {
    if (!queue.put(&packet)) {
        ++iface.counters.deliveryQueueFull;
        PacketPools::giveBackToOwner(&packet);
        return;
    }
    ready.release();
}

void handleUnreliable(J5Interface& iface, J5PacketObj& packet, std::uint16_t type) {
    if (type == J5_TYPE_HA && !iface.audioToApp.load()) {
        ++iface.counters.audioSwitchedOff;
        PacketPools::giveBackToOwner(&packet);
        return;
    }
    if (wire::setPayloadPosition(packet) != wire::PayloadVerdict::Deliver) return dropAsError(iface, packet);
    switch (type) {
    case J5_TYPE_HA: ++iface.counters.receivedHa; return deliver(iface, packet, iface.audioQueue, iface.audioSemaphore);
    case J5_TYPE_HU: ++iface.counters.receivedHu; break;
    default: ++iface.counters.receivedDl; break;
    }
    deliver(iface, packet, iface.dataQueue, iface.dataSemaphore);
}

void dispatch(J5Interface& iface, J5PacketObj& packet) {
    if (!packet.headerRef || packet.length < J5_TYPE_ONLY_HEADER_LEN) return dropAsError(iface, packet);
    const std::uint16_t type = wire::loadBe16(packet.headerRef);
    if (isReliableType(type)) {
        ++iface.counters.receivedReliable;
        iface.reliable->receivedReliable(packet);
    } else if (type == J5_TYPE_HA || type == J5_TYPE_HU || type == J5_TYPE_DL) {
        handleUnreliable(iface, packet, type);
    } else if (type == J5_TYPE_HT) {
        PacketPools::giveBackToOwner(&packet);
    } else {
        dropAsError(iface, packet);
    }
}

} // namespace

void runDispatcher(J5Interface& iface) {
    while (waitOrStop(iface, iface.dispatcherEvent) == Wake::Signalled) {
        while (J5PacketObj* packet = iface.receiveQueue.take()) {
            dispatch(iface, *packet);
            if (iface.stop.isSet()) return;
        }
    }
}

} // namespace ralnet::iface
