#include "hub_port.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>

#include "hub_address.h"
#include "virtual_adapter.h"

namespace kez::net::detail {
namespace {

constexpr int kAttachLimitMs = 5000;

} // namespace

PortStatus HubPort::open(std::string_view adapter) {
    auto change = lifecycle_.change();
    if (socket_) return portError(PortCode::AlreadyOpen);
    if (!adapter.starts_with(kHubWirePrefix)) return portError(PortCode::InvalidName);
    VirtualAdapter parsed;
    if (PortStatus status = parseVirtualAdapter(adapter.substr(kHubWirePrefix.size()), parsed); !status.ok()) {
        return status;
    }
    if (PortStatus status = connectToHub(parsed.wire); !status.ok()) {
        socket_.reset();
        return status;
    }
    return finishOpen(parsed.mac);
}

PortStatus HubPort::connectToHub(std::string_view wire) {
    socket_ = sys::UniqueFd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!socket_) return portError(PortCode::SystemError, errno);
    // Whoever listens on the name may never accept: connect waits this long at most.
    const timeval limit{kAttachLimitMs / 1000, 0};
    if (::setsockopt(socket_.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
        return portError(PortCode::SystemError, errno);
    }
    const HubAddress hub = hubAddress(wire, HubFolder::Existing);
    if (!hub.status.ok()) return hub.status;
    if (::connect(socket_.get(), reinterpret_cast<const sockaddr*>(&hub.address), hub.length) != 0) {
        const bool absent = errno == ECONNREFUSED || errno == ENOENT || errno == EAGAIN;
        return portError(absent ? PortCode::NoSuchAdapter : PortCode::SystemError, errno);
    }
    // Frames written before the hub has taken the connection would not reach this port.
    pollfd waiting{socket_.get(), POLLIN, 0};
    unsigned char attached = 0;
    if (::poll(&waiting, 1, kAttachLimitMs) != 1 || ::recv(socket_.get(), &attached, 1, MSG_DONTWAIT) != 1 ||
        attached != kHubAttached) {
        return portError(PortCode::NoSuchAdapter, ETIMEDOUT);
    }
    return {};
}

HubPort::Received HubPort::receiveOne(std::span<std::uint8_t> buffer, std::size_t& length, int& error) {
    return receiveMessage(socket_.get(), buffer, length, error);
}

PortStatus HubPort::writeFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < kMinFrameLength) return portError(PortCode::InvalidArgument);
    if (frame.size() > kMaxFrameLength) return portError(PortCode::FrameTooLong);
    auto use = lifecycle_.use();
    if (!socket_) return portError(PortCode::NotOpen);
    // A hub that takes nothing holds the write up until close(), not for good.
    while (::send(socket_.get(), frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
        if (errno != EAGAIN && errno != EINTR) return portError(PortCode::SystemError, errno);
        int error = 0;
        switch (waitWritable(socket_.get(), lifecycle_.closingFd(), error)) {
        case Readiness::Closing: return portError(PortCode::NotOpen);
        case Readiness::Failed: return portError(PortCode::SystemError, error);
        case Readiness::Timeout:
        case Readiness::Ready: break;
        }
    }
    return {};
}

PortStatus HubPort::setPacketFilter(std::uint32_t bits) {
    if (PortStatus status = checkPacketFilterBits(bits); !status.ok()) return status;
    auto use = lifecycle_.use();
    if (!socket_) return portError(PortCode::NotOpen);
    filter_.setBits(bits);
    return {};
}

PortStatus HubPort::setMulticastList(std::span<const MacAddress> list) {
    std::vector<MacAddress> wanted;
    if (PortStatus status = normaliseMulticastList(list, wanted); !status.ok()) return status;
    auto use = lifecycle_.use();
    if (!socket_) return portError(PortCode::NotOpen);
    filter_.setMulticastList(std::move(wanted));
    return {};
}

} // namespace kez::net::detail
