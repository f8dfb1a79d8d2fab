#pragma once
// Error records on the error queue: an "HE" whose payload holds the cause and the number of held
// packets queued behind it, and whose send fields tell where the connection was sending.
#include "reliable/packet_ops.h"

#include <cstdint>
#include <optional>

namespace ralnet::reliable {

inline constexpr std::uint16_t kErrorRecordPayload = 4; // cause, held count

// Turns a peer's "HE" into a record for the connection to `peerMac` whose window head is `head`.
// False when its buffer has no room for the second word.
bool prepareReceivedRecord(J5PacketObj& he, const J5PacketObj& head, const std::uint8_t* peerMac);

// A send connection's own give-up record (never sent).
bool buildGiveUpRecord(J5PacketObj& record, const std::uint8_t* peerMac, std::uint16_t sequence,
                       std::uint16_t peerIndex, std::uint16_t ownIndex, const Route& route);

void setRecordWords(J5PacketObj& record, std::uint16_t cause, std::uint16_t held);

struct ErrorRecord {
    std::uint16_t cause = 0;
    std::uint16_t held = 0;
    Route route; // the peer and the path the connection used
};

// The record's contents; nothing when the packet is not an error record.
std::optional<ErrorRecord> readErrorRecord(const J5PacketObj& packet);

} // namespace ralnet::reliable
