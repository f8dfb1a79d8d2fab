#pragma once
// One send connection: a peer, its connect and sequence numbers, and the window of packets
// waiting for it (the head is the packet in flight).
#include "pool/ring.h"
#include "ralnet/j5.h"
#include "reliable/config.h"

#include "kez/sys/tick.h"

#include <array>
#include <cstdint>
#include <mutex>

namespace ralnet::reliable {

// Send-connection states; the low byte of many send results.
enum : std::uint16_t {
    kSendCreated = 1,    // no connect yet
    kSendConnecting = 2, // "HI" at the head of the window
    kSendOpen = 3,
    kSendFailed = 4,    // error delivered; the next send needs a resynchronisation
    kSendReconnect = 5, // the next send connects again
};

struct SendCounters {
    std::uint32_t sentFirstTime = 0;
    std::uint32_t connects = 0;
    std::uint32_t acknowledgements = 0;
    std::uint32_t connectReplies = 0;
    std::uint32_t resynchronisations = 0;
    std::uint32_t rejectedControl = 0;
    std::uint32_t giveUps = 0;
    std::uint32_t retransmissions = 0;
    std::uint16_t highestRetryCount = 0;
};

struct SendConnection {
    // Written under the table lock and this connection's lock; read under either.
    SendConnection* chain = nullptr;
    std::uint8_t peerMac[J5_MAC_LEN] = {};
    bool inUse = false;
    std::uint16_t pinned = 0;
    std::uint16_t ownIndex = 0;

    std::mutex lock; // guards everything below as well
    std::uint16_t peerIndex = 0;
    std::uint16_t state = 0;
    std::uint16_t lastSequence = 0;
    std::uint16_t connectNumber = 0;
    std::uint16_t initialConnectNumber = 0;
    kez::sys::Tick sendTime = 0;
    std::uint16_t retryCount = 0;
    J5Ring window{};
    std::array<void*, kWindowSlots> windowSlots{};
    std::uint16_t windowLength = kDefaultWindowLength; // data packets the window may hold
    // The window's packets went to the error handler with an error it sends them again after:
    // until then they count as waiting, so nothing connects or queues ahead of them.
    bool heldAway = false;
    SendCounters counters;
};

inline bool hasWaitingPackets(const SendConnection& c) { return c.heldAway || !ringIsEmpty(c.window); }

} // namespace ralnet::reliable
