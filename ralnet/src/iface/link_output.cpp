#include "iface/link_output.h"

#include "iface/interface.h"
#include "link/packet_client.h"
#include "wire/layout.h"

#include <span>

namespace ralnet::iface {
namespace {

// UDP framing sends the J5 part as one datagram; any other framing writes the frame.
bool writeToLink(J5Interface& iface, const J5PacketObj& packet) {
    if (wire::framingFor(packet.sendBitMap) == wire::Framing::Udp) return iface.udp->sendDatagram(packet);
    if (!iface.device || !packet.dataRef) return false;
    return link::KezPacketWriteFrame(iface.device.get(), std::span<const std::uint8_t>(packet.dataRef, packet.length));
}

} // namespace

bool sendToLink(J5Interface& iface, J5PacketObj& packet) {
    const bool written = writeToLink(iface, packet);
    ++(written ? iface.counters.framesWritten : iface.counters.writeFailures);
    if (packet.freeAfterSend & 1) PacketPools::giveBackToOwner(&packet);
    return written;
}

} // namespace ralnet::iface
