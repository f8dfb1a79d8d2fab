#include "packet_socket_port.h"

#include <linux/if_packet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "packet_socket.h"
#include "rawsock_client.h"
#include "station_claim.h"

namespace kez::net::detail {

PortStatus PacketSocketPort::open(std::string_view adapter) {
    auto change = lifecycle_.change();
    if (socket_) return portError(PortCode::AlreadyOpen);
    PacketSocket opened = openPacketSocket(adapter, SocketUse::Direct);
    if (opened.status.code == PortCode::PermissionDenied) return openThroughBroker(adapter);
    if (!opened.status.ok()) return opened.status;
    // A process that opens the socket itself holds the station as the broker would.
    StationClaim claim = claimStation(net::claimsFolder(), opened.ifindex, ::geteuid());
    if (!claim.status.ok()) return claim.status;
    claim_ = std::move(claim.lock);
    socket_ = std::move(opened.fd);
    ifindex_ = opened.ifindex;
    memberships_.clear();
    const PortStatus status = finishOpen(opened.mac);
    if (!status.ok()) claim_.reset();
    return status;
}

PortStatus PacketSocketPort::openThroughBroker(std::string_view adapter) {
    BrokerOpen opened = detail::openThroughBroker(adapter);
    if (!opened.status.ok()) return opened.status;
    socket_ = std::move(opened.frames);
    broker_ = std::move(opened.client);
    ifindex_ = broker_->ifindex();
    memberships_.clear();
    const PortStatus status = finishOpen(broker_->mac());
    if (!status.ok()) broker_.reset();
    return status;
}

void PacketSocketPort::releaseBackend() {
    broker_.reset();
    claim_.reset();
}

PacketSocketPort::Received PacketSocketPort::receiveOne(std::span<std::uint8_t> buffer, std::size_t& length,
                                                        int& error) {
    if (broker_) return receiveMessage(socket_.get(), buffer, length, error);
    return receivePacket(socket_.get(), buffer, length, error);
}

PortStatus PacketSocketPort::writeFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < kMinFrameLength) return portError(PortCode::InvalidArgument);
    auto use = lifecycle_.use();
    if (!socket_) return portError(PortCode::NotOpen);
    if (broker_) return broker_->sendFrame(frame, lifecycle_.closingFd());
    const ssize_t sent = ::send(socket_.get(), frame.data(), frame.size(), MSG_NOSIGNAL);
    if (sent < 0) return portError(errno == EMSGSIZE ? PortCode::FrameTooLong : PortCode::SystemError, errno);
    return {};
}

PortStatus PacketSocketPort::changeMembership(int action, unsigned short type, const MacAddress* address) {
    if (broker_) {
        return broker_->changeMembership(action == PACKET_ADD_MEMBERSHIP, type, address, lifecycle_.closingFd());
    }
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
    // The broker never makes the adapter promiscuous.
    if (broker_ && (bits & PacketFilter::Promiscuous) != 0) return portError(PortCode::Unsupported);
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
