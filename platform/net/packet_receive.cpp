#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "kez/net/packet_port.h"
#include "packet_socket.h"

namespace kez::net::detail {
namespace {

constexpr std::size_t kMacBytes = 12; // destination and source, in front of a tag
constexpr std::size_t kTagBytes = 4;

void writeBe16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

const tpacket_auxdata* auxdataOf(msghdr& message) {
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_PACKET && header->cmsg_type == PACKET_AUXDATA &&
            header->cmsg_len >= CMSG_LEN(sizeof(tpacket_auxdata))) {
            return reinterpret_cast<const tpacket_auxdata*>(CMSG_DATA(header));
        }
    }
    return nullptr;
}

} // namespace

// The bytes after the MAC addresses land kTagBytes further on, leaving room for a tag
// the kernel took off; untagged frames are moved back. The last kTagBytes of an untagged
// frame that fills the buffer arrive in `tail`.
Receipt receivePacket(int fd, std::span<std::uint8_t> buffer, std::size_t& length, int& error) {
    std::array<std::uint8_t, kTagBytes> tail{};
    std::uint8_t* const rest = buffer.data() + kMacBytes + kTagBytes;
    const std::size_t restRoom = buffer.size() - kMacBytes - kTagBytes;
    std::array<iovec, 3> parts{{{buffer.data(), kMacBytes}, {rest, restRoom}, {tail.data(), tail.size()}}};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(tpacket_auxdata))> control{};
    sockaddr_ll from{};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = parts.data();
    message.msg_iovlen = parts.size();
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    const ssize_t received = ::recvmsg(fd, &message, MSG_DONTWAIT | MSG_TRUNC);
    if (received < 0) {
        if (errno == EAGAIN || errno == EINTR) return Receipt::WouldBlock;
        error = errno;
        return Receipt::Failed;
    }
    const auto size = static_cast<std::size_t>(received);
    if (from.sll_pkttype == PACKET_OUTGOING || size < kMinFrameLength) return Receipt::Skipped;
    const tpacket_auxdata* aux = auxdataOf(message);
    const bool tagged = aux != nullptr && (aux->tp_status & TP_STATUS_VLAN_VALID) != 0;
    length = size + (tagged ? kTagBytes : 0);
    if (length > buffer.size()) return Receipt::TooLong;
    std::uint8_t* const typeField = buffer.data() + kMacBytes;
    if (tagged) {
        const bool tpidKnown = (aux->tp_status & TP_STATUS_VLAN_TPID_VALID) != 0 && aux->tp_vlan_tpid != 0;
        writeBe16(typeField, tpidKnown ? aux->tp_vlan_tpid : ETHERTYPE_VLAN);
        writeBe16(typeField + 2, aux->tp_vlan_tci);
        return Receipt::Frame;
    }
    const std::size_t afterMacs = size - kMacBytes;
    const std::size_t inRest = std::min(afterMacs, restRoom);
    std::memmove(typeField, rest, inRest);
    std::memcpy(typeField + inRest, tail.data(), afterMacs - inRest);
    return Receipt::Frame;
}

} // namespace kez::net::detail
