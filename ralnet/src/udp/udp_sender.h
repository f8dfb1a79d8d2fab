#pragma once
// The two send sockets of the UDP path: a plain one, and one whose type of service is set
// before each send that asks for a different one (the last value set is remembered).
#include "kez/net/udp_socket.h"
#include "ralnet/j5.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>

namespace ralnet::udp {

inline constexpr std::uint8_t kSendTtl = 128;

class UdpSender {
public:
    // Both sockets on any port with TTL 128 for unicast and multicast, leaving by `interface`.
    // An errno when one could not be made; then neither is open.
    int open(const kez::net::MulticastInterface& interface);
    void close();
    bool isOpen() const { return open_.load(std::memory_order_acquire); }

    // One datagram to `destination` at the port its class asks for. `typeOfService` is the
    // packet's word; its low byte goes into the IP header, and 0 uses the plain socket.
    bool send(std::span<const std::uint8_t> j5Part, const std::uint8_t* destination, std::uint16_t typeOfService);

    // Sends the J5 part of a built packet to its destination IP and gives a free-after-send
    // object back to its pool, sent or not.
    bool sendPacket(J5PacketObj& packet);

private:
    int openOne(kez::net::UdpSocket& socket, const kez::net::MulticastInterface& interface);

    std::mutex lock_;
    kez::net::UdpSocket plain_;
    kez::net::UdpSocket withTos_;
    std::uint16_t lastTos_ = 0;
    std::atomic<bool> open_{false};
};

// The J5 part (header and payload) of a packet built for sending; empty when the object's
// references do not describe one inside its buffer.
std::span<const std::uint8_t> j5PartOf(const J5PacketObj& packet);

} // namespace ralnet::udp
