// The unicast and multicast receive loops of the UDP transport.
#include "pool/packet_pools.h"
#include "udp/datagram_intake.h"
#include "udp/udp_transport.h"

#include <chrono>

namespace ralnet::udp {
namespace {

// How long a receiver waits for the pool to give an object back before it tries again.
constexpr auto kNoObjectPause = std::chrono::milliseconds(10);
// How long the unicast receiver waits before it tries again to bind its port.
constexpr auto kBindRetryPause = std::chrono::seconds(1);

void freePacket(J5PacketObj* packet) { PacketPools::giveBackToOwner(packet); }

} // namespace

J5PacketObj* UdpTransport::takeObject() {
    for (;;) {
        if (J5PacketObj* packet = seams_.takeLargeObject()) return packet;
        counters_.noObject.fetch_add(1, std::memory_order_relaxed);
        if (stopEvent_.wait(kNoObjectPause)) return nullptr;
    }
}

void UdpTransport::deliver(J5PacketObj* packet, const kez::net::ReceivedDatagram& datagram, bool dropOwn) {
    switch (acceptDatagram(*packet, datagram)) {
    case IntakeVerdict::Accepted: break;
    case IntakeVerdict::TooShort: counters_.tooShort.fetch_add(1, std::memory_order_relaxed); return freePacket(packet);
    case IntakeVerdict::TooLong: counters_.tooLong.fetch_add(1, std::memory_order_relaxed); return freePacket(packet);
    case IntakeVerdict::NotReceived:
        counters_.receiveErrors.fetch_add(1, std::memory_order_relaxed);
        return freePacket(packet);
    }
    if (dropOwn) {
        std::uint8_t ownMac[J5_MAC_LEN] = {};
        seams_.readOwnMac(ownMac);
        if (sentByOwnStation(*packet, ownMac)) {
            counters_.ownLoopedBack.fetch_add(1, std::memory_order_relaxed);
            return freePacket(packet);
        }
    }
    if (!seams_.queueReceived(packet)) {
        counters_.queueRefused.fetch_add(1, std::memory_order_relaxed);
        return freePacket(packet);
    }
    counters_.received.fetch_add(1, std::memory_order_relaxed);
}

bool UdpTransport::receiveOne(kez::net::UdpSocket& socket, kez::sys::Waitable& wake, bool dropOwn) {
    J5PacketObj* packet = takeObject();
    if (!packet) return false;
    const kez::net::ReceivedDatagram datagram = socket.receive(datagramArea(*packet), &wake);
    if (datagram.status == kez::net::ReceiveStatus::Woken) {
        freePacket(packet);
        return true;
    }
    deliver(packet, datagram, dropOwn);
    return true;
}

// Another process may hold the port for a while (an instance closing, a second one in the
// same namespace): this receiver takes it over once it is free rather than stay deaf.
bool UdpTransport::openUnicastSocket(kez::net::UdpSocket& socket) {
    while (socket.open({.port = J5_UDP_PORT}) != 0) {
        counters_.bindRetries.fetch_add(1, std::memory_order_relaxed);
        if (stopEvent_.wait(kBindRetryPause)) return false;
    }
    return true;
}

void UdpTransport::runUnicastReceiver() {
    if (!waitForStart()) return;
    kez::net::UdpSocket socket;
    if (!openUnicastSocket(socket)) return;
    while (!stopping_.load(std::memory_order_acquire)) {
        if (!receiveOne(socket, stopEvent_, false)) break;
    }
}

bool UdpTransport::openMulticastSocket(kez::net::UdpSocket& socket) {
    const bool opened = socket.open({.port = J5_UDP_MULTICAST_PORT, .reuseAddress = true}) == 0 &&
                        socket.setMulticastTtl(kMulticastScope) == 0;
    if (!opened) socket.close();
    setMulticastOpen(opened);
    return opened;
}

void UdpTransport::joinPendingGroups(kez::net::UdpSocket& socket) {
    const GroupList pending = groups_.takeJoins();
    const kez::net::MulticastInterface interface = multicastInterface();
    for (std::size_t i = 0; i < pending.count; ++i) {
        if (socket.joinGroup(pending.groups[i], interface) != 0) {
            counters_.joinsRefused.fetch_add(1, std::memory_order_relaxed);
            groups_.refuse(pending.groups[i]);
        }
    }
}

void UdpTransport::runMulticastReceiver() {
    if (!waitForStart()) return;
    kez::net::UdpSocket socket;
    if (!openMulticastSocket(socket)) return;
    while (!stopping_.load(std::memory_order_acquire)) {
        // Closing the socket is what leaves a group; the remaining ones are joined again on
        // the new socket, which would fail on the old one where they are still members.
        if (groups_.takeLeave()) {
            socket.close();
            setMulticastOpen(false);
            if (stopping_.load(std::memory_order_acquire) || !openMulticastSocket(socket)) break;
        }
        joinPendingGroups(socket);
        if (!receiveOne(socket, multicastWake_, true)) break;
    }
    setMulticastOpen(false);
}

} // namespace ralnet::udp
