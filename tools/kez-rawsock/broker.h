#pragma once
// The broker's service loop: frames from the packet socket to the program's frame
// channel, and the program's requests, checked, to the packet socket. Waits on the
// program are limited: a frame it has no room for waits (and newer ones stay queued on the
// packet socket); an answer it does not take in time ends the broker. Sends are bounded in
// rate, and a tag on them follows the call server's (see rawsock_rules.h).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "kez/net/packet_port.h"
#include "memberships.h"
#include "rawsock_protocol.h"
#include "send_budget.h"

namespace kez::rawsock {

class Broker {
public:
    // The descriptors stay the caller's.
    Broker(int packetSocket, int requests, int frames, int ifindex);
    // Serves until the program closes a channel or stops taking answers.
    void run();

private:
    bool forwardFrames();
    bool flushPending();
    bool serveRequest();
    net::PortStatus send(int ifindex, std::span<const std::uint8_t> frame);
    net::PortStatus perform(const net::detail::RawsockRequest& request, std::span<const std::uint8_t> payload);
    bool answer(std::uint32_t sequence, const net::PortStatus& status);

    int packet_;
    int requests_;
    int frames_;
    Memberships memberships_;
    std::array<std::uint8_t, net::kMaxFrameLength> frame_{};
    std::size_t pendingLength_ = 0; // a received frame still waiting for room in the frame channel
    std::uint16_t learnedTag_ = 0;
    net::detail::SendBudget budget_{net::detail::SendBudget::Clock::now()};
    // One byte beyond the largest request, to tell a longer one.
    std::array<std::uint8_t, sizeof(net::detail::RawsockRequest) + net::detail::kBrokerFrameLimit + 1> request_{};
};

} // namespace kez::rawsock
