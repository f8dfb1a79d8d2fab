#pragma once
// IPv4 datagram sockets: type of service and TTL per send, the sender and the received TOS and
// TTL of each datagram, multicast membership on one interface, and receives that another
// thread can wake. Failures are errno values (0 = done).
#include "kez/sys/fd.h"
#include "kez/sys/wait.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kez::net {

using Ipv4Address = std::array<std::uint8_t, 4>; // network order

struct Ipv4Endpoint {
    Ipv4Address address{};
    std::uint16_t port = 0; // host order
};

// 224.0.0.0 to 239.255.255.255.
bool isMulticastAddress(const Ipv4Address& address);

struct UdpBindOptions {
    Ipv4Address address{};  // 0.0.0.0: every local address
    std::uint16_t port = 0; // 0: any free port
    bool reuseAddress = false;
    // Off by default: this host's own multicast sends are not handed back to its sockets.
    bool multicastLoop = false;
};

// Values applied to one send only; unset ones come from the socket.
struct UdpSendOptions {
    std::optional<std::uint8_t> typeOfService;
    std::optional<std::uint8_t> ttl; // unicast destinations
};

// The interface that multicast sends leave by and joins are made on: by address, by index, or
// both (0 leaves the choice to the routing table).
struct MulticastInterface {
    Ipv4Address address{};
    int index = 0;
};

enum class ReceiveStatus : std::uint8_t {
    Datagram,
    Truncated, // longer than the buffer: the rest is lost, so the datagram must not be used
    Woken,     // the wake-up object was signalled
    TimedOut,
    Error,
};

struct ReceivedDatagram {
    ReceiveStatus status = ReceiveStatus::Error;
    std::size_t length = 0; // bytes placed in the buffer
    Ipv4Endpoint source;
    std::optional<std::uint8_t> typeOfService;
    std::optional<std::uint8_t> ttl;
    int error = 0; // errno with ReceiveStatus::Error
};

class UdpSocket {
public:
    UdpSocket() = default;

    // Creates and binds the socket. Only groups joined on this socket are received.
    int open(const UdpBindOptions& options);
    void close() { fd_.reset(); }
    bool isOpen() const { return static_cast<bool>(fd_); }
    int fd() const { return fd_.get(); }
    std::optional<Ipv4Endpoint> localEndpoint() const;

    int setTypeOfService(std::uint8_t tos);
    int setTtl(std::uint8_t ttl);
    int setMulticastTtl(std::uint8_t ttl);
    int setMulticastInterface(const MulticastInterface& interface);
    int joinGroup(const Ipv4Address& group, const MulticastInterface& interface);
    int leaveGroup(const Ipv4Address& group, const MulticastInterface& interface);

    int sendTo(std::span<const std::uint8_t> datagram, const Ipv4Endpoint& to, const UdpSendOptions& options = {});

    // Waits for one datagram, for `wake` (acquired when taken) or for `limit`.
    ReceivedDatagram receive(std::span<std::uint8_t> buffer, sys::Waitable* wake = nullptr,
                             sys::Timeout limit = sys::kInfinite);

private:
    int setOption(int level, int name, int value);
    int changeMembership(int option, const Ipv4Address& group, const MulticastInterface& interface);
    ReceivedDatagram receiveReady(std::span<std::uint8_t> buffer);

    sys::UniqueFd fd_;
};

} // namespace kez::net
