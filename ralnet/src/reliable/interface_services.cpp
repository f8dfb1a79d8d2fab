#include "reliable/interface_services.h"

#include "iface/app_delivery.h"
#include "iface/interface.h"
#include "iface/link_output.h"

#include <cstring>

namespace ralnet::reliable {

bool InterfaceServices::started() const { return iface_.isStarted(); }

bool InterfaceServices::udpSocketOpen() const { return iface_.udp && iface_.udp->canSend(); }

void InterfaceServices::copyOwnMac(std::uint8_t* mac) const {
    std::uint8_t own[J5_MAC_LEN];
    iface_.ownMac(own);
    std::memcpy(mac, own, J5_MAC_LEN);
}

J5PacketObj* InterfaceServices::takePacket(std::size_t bytes, bool forced) {
    J5PacketObj* packet = iface_.pools->take(bytes, forced);
    if (!packet) ++iface_.counters.noBuffer;
    return packet;
}

void InterfaceServices::givePacket(J5PacketObj* packet) { PacketPools::giveBackToOwner(packet); }

void InterfaceServices::transmit(J5PacketObj& packet) { iface::sendToLink(iface_, packet); }

void InterfaceServices::awaitingAnswer() {
    if (iface_.tickArming.arm()) iface_.tickEvent.set();
}

bool InterfaceServices::queueData(J5PacketObj* packet) {
    if (!iface_.dataQueue.put(packet)) {
        ++iface_.counters.deliveryQueueFull;
        return false;
    }
    iface_.dataSemaphore.release();
    return true;
}

bool InterfaceServices::queueError(J5PacketObj* packet) { return iface_.errorQueue.put(packet); }

void InterfaceServices::signalError() { iface_.errorSemaphore.release(); }

std::uint16_t InterfaceServices::nextUnreliableCounter() { return ++iface_.huCounter; }

J5PacketObj* InterfaceErrorQueue::waitRecord() {
    return iface::takeWhenReady(iface_, iface_.errorQueue, iface_.errorSemaphore);
}

J5PacketObj* InterfaceErrorQueue::takeQueued() { return iface_.errorQueue.take(); }

bool InterfaceErrorQueue::stopping() const { return iface_.stop.isSet(); }

} // namespace ralnet::reliable
