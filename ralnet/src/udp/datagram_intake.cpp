#include "udp/datagram_intake.h"

#include "wire/demux.h"

#include <cstring>
#include <new>

namespace ralnet::udp {

static_assert(sizeof(J5UdpSource) <= kDatagramOffset);
static_assert(kDatagramOffset + kMaxDatagram == static_cast<std::size_t>(1518));

std::span<std::uint8_t> datagramArea(J5PacketObj& packet) {
    if (packet.bufferClass < kDatagramOffset + kMaxDatagram) return {};
    return {packet.buffer + kDatagramOffset, kMaxDatagram};
}

IntakeVerdict acceptDatagram(J5PacketObj& packet, const kez::net::ReceivedDatagram& datagram) {
    using kez::net::ReceiveStatus;
    if (datagram.status == ReceiveStatus::Truncated) return IntakeVerdict::TooLong;
    if (datagram.status != ReceiveStatus::Datagram) return IntakeVerdict::NotReceived;
    if (datagram.length > kMaxDatagram) return IntakeVerdict::TooLong;
    std::uint8_t* j5 = packet.buffer + kDatagramOffset;
    wire::PayloadPosition position;
    if (wire::locatePayload(j5, datagram.length, kUdpPathFlags, position) == wire::PayloadVerdict::Truncated) {
        return IntakeVerdict::TooShort;
    }
    auto* source = new (packet.buffer) J5UdpSource{};
    std::memcpy(source->address, datagram.source.address.data(), 4);
    source->port = datagram.source.port;
    packet.udpSourceRef = source;
    packet.linkDestinationRef = nullptr;
    packet.tagControlWord = 0;
    packet.pathFlags = kUdpPathFlags;
    packet.headerRef = j5;
    packet.dataRef = j5;
    packet.length = static_cast<std::uint16_t>(datagram.length);
    return IntakeVerdict::Accepted;
}

bool sentByOwnStation(const J5PacketObj& packet, const std::uint8_t* ownMac) {
    constexpr std::size_t kSenderMacEnd = 2 + J5_MAC_LEN;
    if (!packet.headerRef || packet.length < kSenderMacEnd) return false;
    return std::memcmp(packet.headerRef + 2, ownMac, J5_MAC_LEN) == 0;
}

} // namespace ralnet::udp
