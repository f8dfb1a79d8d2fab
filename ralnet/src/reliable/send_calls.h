#pragma once
// The application's send calls for full-header packets: reliable "HR" through its send
// connection, the local resynchronisation "HC", and unreliable "HU" straight to the link.
#include "reliable/reliable_sender.h"
#include "reliable/services.h"

#include <atomic>
#include <cstdint>

namespace ralnet::reliable {

// The arguments of a send call, in the caller's forms: the type of service as the caller gives
// it (stored byte-swapped) and the tag word in host order (only its VLAN identifier is used).
struct SendRequest {
    std::uint16_t type = 0;
    const std::uint8_t* destMac = nullptr;
    std::uint16_t destVdn = 0;
    std::uint16_t srcVdn = 0;
    const std::uint8_t* payload = nullptr;
    std::uint16_t length = 0;
    J5HeaderBitMap bitmap = 0;
    const std::uint8_t* destIp = nullptr;
    std::uint16_t ipTos = 0;
    std::uint16_t tci = 0;
};

class SendCalls {
public:
    SendCalls(StackServices& services, ReliableSender& sender) : services_(services), sender_(sender) {}

    J5Result send(const SendRequest& request);
    // `send`, and after "resynchronisation needed" a resynchronisation and one more try.
    J5Result intrinsicSend(const SendRequest& request);
    J5Result resync(const SendRequest& request);

    std::uint32_t failedSends() const { return failedSends_.load(std::memory_order_relaxed); }

private:
    J5Result check(const SendRequest& request) const;
    J5Result fail(J5PacketObj* packet, J5Result result);

    StackServices& services_;
    ReliableSender& sender_;
    std::atomic<std::uint32_t> failedSends_{0};
};

} // namespace ralnet::reliable
