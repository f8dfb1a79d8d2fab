#include "packet_socket_port.h"

#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "packet_socket.h"
#include "rawsock_client.h"

namespace kez::net::detail {
namespace {

constexpr int kReceiveBufferBytes = 1 << 20;
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

PortStatus PacketSocketPort::open(std::string_view adapter) {
    auto change = lifecycle_.change();
    if (socket_) return portError(PortCode::AlreadyOpen);
    PacketSocket opened = openPacketSocket(adapter, FilterLock::Unlocked);
    if (opened.status.code == PortCode::PermissionDenied) opened = openThroughHelper(adapter);
    if (!opened.status.ok()) return opened.status;
    socket_ = std::move(opened.fd);
    if (PortStatus status = configure(); !status.ok()) {
        socket_.reset();
        return status;
    }
    return {};
}

PortStatus PacketSocketPort::configure() {
    const int on = 1;
    if (::setsockopt(socket_.get(), SOL_PACKET, PACKET_AUXDATA, &on, sizeof on) != 0) {
        return portError(PortCode::SystemError, errno);
    }
    // Outgoing copies are also recognised by their packet type when this option is missing.
    ::setsockopt(socket_.get(), SOL_PACKET, PACKET_IGNORE_OUTGOING, &on, sizeof on);
    ::setsockopt(socket_.get(), SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    sockaddr_ll bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        return portError(PortCode::SystemError, errno);
    }
    MacAddress mac{};
    if (bound.sll_halen != mac.size()) return portError(PortCode::NotEthernet);
    std::copy_n(bound.sll_addr, mac.size(), mac.begin());
    ifindex_ = bound.sll_ifindex;
    memberships_.clear();
    return finishOpen(mac);
}

// The bytes after the MAC addresses land kTagBytes further on, leaving room for a tag
// the kernel took off; untagged frames are moved back. The last kTagBytes of an untagged
// frame that fills the buffer arrive in `tail`.
PacketSocketPort::Received PacketSocketPort::receiveOne(std::span<std::uint8_t> buffer, std::size_t& length,
                                                        int& error) {
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
    const ssize_t received = ::recvmsg(socket_.get(), &message, MSG_DONTWAIT | MSG_TRUNC);
    if (received < 0) {
        if (errno == EAGAIN || errno == EINTR) return Received::WouldBlock;
        error = errno;
        return Received::Failed;
    }
    const auto size = static_cast<std::size_t>(received);
    if (from.sll_pkttype == PACKET_OUTGOING || size < kMinFrameLength) return Received::Skipped;
    const tpacket_auxdata* aux = auxdataOf(message);
    const bool tagged = aux != nullptr && (aux->tp_status & TP_STATUS_VLAN_VALID) != 0;
    length = size + (tagged ? kTagBytes : 0);
    if (length > buffer.size()) return Received::TooLong;
    std::uint8_t* const typeField = buffer.data() + kMacBytes;
    if (tagged) {
        const bool tpidKnown = (aux->tp_status & TP_STATUS_VLAN_TPID_VALID) != 0 && aux->tp_vlan_tpid != 0;
        writeBe16(typeField, tpidKnown ? aux->tp_vlan_tpid : ETHERTYPE_VLAN);
        writeBe16(typeField + 2, aux->tp_vlan_tci);
        return Received::Frame;
    }
    const std::size_t afterMacs = size - kMacBytes;
    const std::size_t inRest = std::min(afterMacs, restRoom);
    std::memmove(typeField, rest, inRest);
    std::memcpy(typeField + inRest, tail.data(), afterMacs - inRest);
    return Received::Frame;
}

PortStatus PacketSocketPort::writeFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < kMinFrameLength) return portError(PortCode::InvalidArgument);
    auto use = lifecycle_.use();
    if (!socket_) return portError(PortCode::NotOpen);
    const ssize_t sent = ::send(socket_.get(), frame.data(), frame.size(), MSG_NOSIGNAL);
    if (sent < 0) return portError(errno == EMSGSIZE ? PortCode::FrameTooLong : PortCode::SystemError, errno);
    return {};
}

PortStatus PacketSocketPort::changeMembership(int action, unsigned short type, const MacAddress* address) {
    packet_mreq request{};
    request.mr_ifindex = ifindex_;
    request.mr_type = type;
    if (address != nullptr) {
        request.mr_alen = static_cast<unsigned short>(address->size());
        std::copy(address->begin(), address->end(), request.mr_address);
    }
    if (::setsockopt(socket_.get(), SOL_PACKET, action, &request, sizeof request) != 0) {
        return portError(PortCode::SystemError, errno);
    }
    return {};
}

PortStatus PacketSocketPort::applyModeBits(std::uint32_t previous, std::uint32_t bits) {
    struct Mode {
        std::uint32_t bit;
        unsigned short membership;
    };
    constexpr std::array<Mode, 2> modes{
        {{PacketFilter::AllMulticast, PACKET_MR_ALLMULTI}, {PacketFilter::Promiscuous, PACKET_MR_PROMISC}}};
    for (std::size_t i = 0; i < modes.size(); ++i) {
        const bool wanted = (bits & modes[i].bit) != 0;
        if (wanted == ((previous & modes[i].bit) != 0)) continue;
        PortStatus status =
            changeMembership(wanted ? PACKET_ADD_MEMBERSHIP : PACKET_DROP_MEMBERSHIP, modes[i].membership, nullptr);
        if (!status.ok()) {
            // Undo what this call changed so that the kernel and the remembered bits agree.
            if (i > 0) applyModeBits(bits & modes[0].bit, previous & modes[0].bit);
            return status;
        }
    }
    return {};
}

PortStatus PacketSocketPort::setPacketFilter(std::uint32_t bits) {
    if (PortStatus status = checkPacketFilterBits(bits); !status.ok()) return status;
    auto use = lifecycle_.use();
    if (!socket_) return portError(PortCode::NotOpen);
    std::lock_guard settings(settingsMutex_);
    if (PortStatus status = applyModeBits(filter_.bits(), bits); !status.ok()) return status;
    filter_.setBits(bits);
    return {};
}

PortStatus PacketSocketPort::setMulticastList(std::span<const MacAddress> list) {
    std::vector<MacAddress> wanted;
    if (PortStatus status = normaliseMulticastList(list, wanted); !status.ok()) return status;
    auto use = lifecycle_.use();
    if (!socket_) return portError(PortCode::NotOpen);
    std::lock_guard settings(settingsMutex_);
    const auto held = [](const std::vector<MacAddress>& set, const MacAddress& mac) {
        return std::find(set.begin(), set.end(), mac) != set.end();
    };
    std::vector<MacAddress> added;
    for (const MacAddress& mac : wanted) {
        if (held(memberships_, mac)) continue;
        if (PortStatus status = changeMembership(PACKET_ADD_MEMBERSHIP, PACKET_MR_MULTICAST, &mac); !status.ok()) {
            for (const MacAddress& undo : added)
                changeMembership(PACKET_DROP_MEMBERSHIP, PACKET_MR_MULTICAST, &undo);
            return status;
        }
        added.push_back(mac);
    }
    for (const MacAddress& mac : memberships_) {
        if (!held(wanted, mac)) changeMembership(PACKET_DROP_MEMBERSHIP, PACKET_MR_MULTICAST, &mac);
    }
    memberships_ = wanted;
    filter_.setMulticastList(std::move(wanted));
    return {};
}

} // namespace kez::net::detail
