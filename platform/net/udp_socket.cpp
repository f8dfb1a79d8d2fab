#include "kez/net/udp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <sys/socket.h>

namespace kez::net {
namespace {

sockaddr_in toSockaddr(const Ipv4Endpoint& endpoint) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    std::memcpy(&sa.sin_addr, endpoint.address.data(), 4);
    sa.sin_port = htons(endpoint.port);
    return sa;
}

Ipv4Endpoint fromSockaddr(const sockaddr_in& sa) {
    Ipv4Endpoint endpoint;
    std::memcpy(endpoint.address.data(), &sa.sin_addr, 4);
    endpoint.port = ntohs(sa.sin_port);
    return endpoint;
}

ip_mreqn membershipRequest(const Ipv4Address& group, const MulticastInterface& interface) {
    ip_mreqn request{};
    std::memcpy(&request.imr_multiaddr, group.data(), 4);
    std::memcpy(&request.imr_address, interface.address.data(), 4);
    request.imr_ifindex = interface.index;
    return request;
}

// IP_TOS arrives as one byte, IP_TTL as an int; accept either width for both.
std::optional<std::uint8_t> cmsgByte(const cmsghdr* c) {
    if (c->cmsg_len == CMSG_LEN(sizeof(int))) {
        int value = 0;
        std::memcpy(&value, CMSG_DATA(c), sizeof value);
        return static_cast<std::uint8_t>(value);
    }
    if (c->cmsg_len >= CMSG_LEN(1)) return *CMSG_DATA(c);
    return std::nullopt;
}

void readAncillary(msghdr& message, ReceivedDatagram& out) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != IPPROTO_IP) continue;
        if (c->cmsg_type == IP_TOS) out.typeOfService = cmsgByte(c);
        if (c->cmsg_type == IP_TTL) out.ttl = cmsgByte(c);
    }
}

void appendIntCmsg(msghdr& message, cmsghdr*& next, int type, int value) {
    next->cmsg_level = IPPROTO_IP;
    next->cmsg_type = type;
    next->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(next), &value, sizeof value);
    message.msg_controllen += CMSG_SPACE(sizeof(int));
    next = reinterpret_cast<cmsghdr*>(reinterpret_cast<char*>(next) + CMSG_SPACE(sizeof(int)));
}

ReceivedDatagram withStatus(ReceiveStatus status) {
    ReceivedDatagram out;
    out.status = status;
    return out;
}

} // namespace

bool isMulticastAddress(const Ipv4Address& address) { return address[0] >= 224 && address[0] <= 239; }

int UdpSocket::open(const UdpBindOptions& options) {
    fd_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd_) return errno;
    const int steps[] = {
        options.reuseAddress ? setOption(SOL_SOCKET, SO_REUSEADDR, 1) : 0,
        setOption(IPPROTO_IP, IP_MULTICAST_ALL, 0),
        setOption(IPPROTO_IP, IP_MULTICAST_LOOP, options.multicastLoop ? 1 : 0),
        setOption(IPPROTO_IP, IP_RECVTOS, 1),
        setOption(IPPROTO_IP, IP_RECVTTL, 1),
    };
    for (const int error : steps) {
        if (error) {
            fd_.reset();
            return error;
        }
    }
    const sockaddr_in local = toSockaddr({options.address, options.port});
    if (::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        fd_.reset();
        return error;
    }
    return 0;
}

std::optional<Ipv4Endpoint> UdpSocket::localEndpoint() const {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&sa), &length) != 0) return std::nullopt;
    return fromSockaddr(sa);
}

int UdpSocket::setOption(int level, int name, int value) {
    return ::setsockopt(fd_.get(), level, name, &value, sizeof value) == 0 ? 0 : errno;
}

int UdpSocket::setTypeOfService(std::uint8_t tos) { return setOption(IPPROTO_IP, IP_TOS, tos); }
int UdpSocket::setTtl(std::uint8_t ttl) { return setOption(IPPROTO_IP, IP_TTL, ttl); }
int UdpSocket::setMulticastTtl(std::uint8_t ttl) { return setOption(IPPROTO_IP, IP_MULTICAST_TTL, ttl); }

int UdpSocket::setMulticastInterface(const MulticastInterface& interface) {
    const ip_mreqn request = membershipRequest({}, interface);
    return ::setsockopt(fd_.get(), IPPROTO_IP, IP_MULTICAST_IF, &request, sizeof request) == 0 ? 0 : errno;
}

int UdpSocket::changeMembership(int option, const Ipv4Address& group, const MulticastInterface& interface) {
    if (!isMulticastAddress(group)) return EINVAL;
    const ip_mreqn request = membershipRequest(group, interface);
    return ::setsockopt(fd_.get(), IPPROTO_IP, option, &request, sizeof request) == 0 ? 0 : errno;
}

int UdpSocket::joinGroup(const Ipv4Address& group, const MulticastInterface& interface) {
    return changeMembership(IP_ADD_MEMBERSHIP, group, interface);
}

int UdpSocket::leaveGroup(const Ipv4Address& group, const MulticastInterface& interface) {
    return changeMembership(IP_DROP_MEMBERSHIP, group, interface);
}

int UdpSocket::sendTo(std::span<const std::uint8_t> datagram, const Ipv4Endpoint& to, const UdpSendOptions& options) {
    sockaddr_in destination = toSockaddr(to);
    iovec part{const_cast<std::uint8_t*>(datagram.data()), datagram.size()};
    alignas(cmsghdr) char control[2 * CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    cmsghdr* next = reinterpret_cast<cmsghdr*>(control);
    if (options.typeOfService) appendIntCmsg(message, next, IP_TOS, *options.typeOfService);
    if (options.ttl) appendIntCmsg(message, next, IP_TTL, *options.ttl);
    if (message.msg_controllen == 0) message.msg_control = nullptr;
    for (;;) {
        if (::sendmsg(fd_.get(), &message, MSG_NOSIGNAL) >= 0) return 0;
        if (errno != EINTR) return errno;
    }
}

ReceivedDatagram UdpSocket::receiveReady(std::span<std::uint8_t> buffer) {
    ReceivedDatagram out;
    sockaddr_in source{};
    iovec part{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[2 * CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_name = &source;
    message.msg_namelen = sizeof source;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(fd_.get(), &message, MSG_DONTWAIT);
    if (n < 0) {
        out.error = errno;
        return out;
    }
    out.length = static_cast<std::size_t>(n);
    out.source = fromSockaddr(source);
    readAncillary(message, out);
    out.status = (message.msg_flags & MSG_TRUNC) ? ReceiveStatus::Truncated : ReceiveStatus::Datagram;
    return out;
}

ReceivedDatagram UdpSocket::receive(std::span<std::uint8_t> buffer, sys::Waitable* wake, sys::Timeout limit) {
    const sys::Deadline deadline(limit);
    const sys::WaitItem withWake[] = {wake, sys::WaitFd{fd_.get()}};
    const std::span<const sys::WaitItem> items = wake ? std::span(withWake) : std::span(withWake).subspan(1);
    for (;;) {
        const auto ready = sys::waitAny(items, deadline.left());
        if (!ready) return withStatus(ReceiveStatus::TimedOut);
        if (wake && *ready == 0) return withStatus(ReceiveStatus::Woken);
        ReceivedDatagram out = receiveReady(buffer);
        const bool nothingThere = out.status == ReceiveStatus::Error &&
                                  (out.error == EAGAIN || out.error == EWOULDBLOCK || out.error == EINTR);
        if (!nothingThere) return out;
    }
}

} // namespace kez::net
