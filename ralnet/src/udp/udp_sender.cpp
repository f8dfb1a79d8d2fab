#include "udp/udp_sender.h"

#include "pool/packet_pools.h"
#include "udp/ip_address_checks.h"

#include <cstring>

namespace ralnet::udp {

int UdpSender::openOne(kez::net::UdpSocket& socket, const kez::net::MulticastInterface& interface) {
    if (const int e = socket.open({}); e) return e;
    const bool chooseInterface = isUsableAddress(interface.address.data()) || interface.index != 0;
    const int steps[] = {
        socket.setTtl(kSendTtl),
        socket.setMulticastTtl(kSendTtl),
        chooseInterface ? socket.setMulticastInterface(interface) : 0,
    };
    for (const int e : steps) {
        if (e) {
            socket.close();
            return e;
        }
    }
    return 0;
}

int UdpSender::open(const kez::net::MulticastInterface& interface) {
    std::lock_guard guard(lock_);
    int e = openOne(plain_, interface);
    if (!e) e = openOne(withTos_, interface);
    if (!e) e = withTos_.setTypeOfService(0);
    if (e) {
        plain_.close();
        withTos_.close();
        return e;
    }
    lastTos_ = 0;
    open_.store(true, std::memory_order_release);
    return 0;
}

void UdpSender::close() {
    std::lock_guard guard(lock_);
    open_.store(false, std::memory_order_release);
    plain_.close();
    withTos_.close();
}

bool UdpSender::send(std::span<const std::uint8_t> j5Part, const std::uint8_t* destination,
                     std::uint16_t typeOfService) {
    kez::net::Ipv4Endpoint to;
    std::memcpy(to.address.data(), destination, 4);
    to.port = destinationPort(destination);
    std::lock_guard guard(lock_);
    if (!plain_.isOpen()) return false;
    if (typeOfService == 0) return plain_.sendTo(j5Part, to) == 0;
    if (typeOfService != lastTos_) {
        if (withTos_.setTypeOfService(static_cast<std::uint8_t>(typeOfService & 0xFF)) != 0) return false;
        lastTos_ = typeOfService;
    }
    return withTos_.sendTo(j5Part, to) == 0;
}

bool UdpSender::sendPacket(J5PacketObj& packet) {
    const std::span<const std::uint8_t> part = j5PartOf(packet);
    const bool sent = !part.empty() && send(part, packet.destIp, packet.typeOfService);
    if (packet.freeAfterSend & 1) PacketPools::giveBackToOwner(&packet);
    return sent;
}

std::span<const std::uint8_t> j5PartOf(const J5PacketObj& packet) {
    const std::uint8_t* start = packet.sendHeaderRef ? packet.sendHeaderRef : packet.dataRef;
    if (!packet.buffer || !start || !packet.dataRef) return {};
    const std::uint8_t* end = packet.dataRef + packet.length;
    const std::uint8_t* bufferEnd = packet.buffer + packet.bufferClass;
    if (start < packet.buffer || start > packet.dataRef || end > bufferEnd || start == end) return {};
    return {start, static_cast<std::size_t>(end - start)};
}

} // namespace ralnet::udp
