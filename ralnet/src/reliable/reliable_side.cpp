#include "reliable/reliable_side.h"

#include "iface/interface.h"
#include "wire/byte_order.h"
#include "wire/demux.h"

#include <new>

namespace ralnet::reliable {
namespace {

ReliableConfig configOf(const J5Interface& iface) {
    ReliableConfig config;
    config.connections = iface.config.connections;
    config.deliverHeldPackets = iface.config.deliverHeldPackets != 0;
    config.retryLimit = iface.config.retryLimit;
    config.windowLength = iface.sizes.sendWindow;
    return config;
}

} // namespace

InterfaceReliableSide::InterfaceReliableSide(J5Interface& iface)
    : iface_(iface), services_(iface), errorQueue_(iface), core_(configOf(iface), services_) {}

void InterfaceReliableSide::receivedReliable(J5PacketObj& packet) {
    if (wire::setPayloadPosition(packet) != wire::PayloadVerdict::Deliver) {
        ++iface_.counters.errors;
        return dropReliable(packet);
    }
    const std::uint16_t type = wire::loadBe16(packet.headerRef);
    if (type == J5_TYPE_HR || type == J5_TYPE_HI) return core_.fromPeer(&packet);
    if (!iface_.transmitControlQueue.put(&packet)) return dropReliable(packet);
    iface_.transmitControlEvent.set();
}

void InterfaceReliableSide::transmitControlWake() {
    while (J5PacketObj* packet = iface_.transmitControlQueue.take())
        core_.controlFromPeer(packet);
    if (!iface_.tickFlag.exchange(false)) return;
    const std::uint32_t seen = iface_.tickArming.snapshot();
    if (!core_.afterTick()) iface_.tickArming.disarmIfUnchanged(seen);
}

void InterfaceReliableSide::errorSignalled() {
    std::lock_guard guard(errorHandling_);
    if (J5PacketObj* record = errorQueue_.takeQueued()) core_.errorHandler().handle(record, errorQueue_);
}

void InterfaceReliableSide::dropReliable(J5PacketObj& packet) {
    ++iface_.counters.reliableDropped;
    services_.givePacket(&packet);
}

ReliableCore* reliableCoreOf(J5Interface& iface) {
    auto* side = dynamic_cast<InterfaceReliableSide*>(iface.reliable.get());
    return side ? &side->core() : nullptr;
}

} // namespace ralnet::reliable

namespace ralnet::iface {

std::unique_ptr<ReliableSide> makeReliableSide(J5Interface& iface) {
    try {
        return std::make_unique<reliable::InterfaceReliableSide>(iface);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace ralnet::iface
