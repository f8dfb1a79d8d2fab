#pragma once
// Builds J5 packets from the back of a packet object's buffer: the payload lies at the header
// room of the bitmap and every layer writes its header immediately in front of the last one.
#include "ralnet/j5.h"
#include "wire/header_fields.h"
#include "wire/layout.h"

#include <cstdint>

namespace ralnet::wire {

struct PacketRequest {
    HeaderFields header;
    J5HeaderBitMap bitmap = 0;
    std::uint8_t destMac[J5_MAC_LEN] = {};
    std::uint16_t callerTci = 0; // host order; the type decides what of it is sent
    const std::uint8_t* payload = nullptr;
    std::uint16_t payloadLength = 0;
};

enum class BuildError : std::uint8_t {
    None,
    NoRoom,      // the buffer cannot hold the headers, payload or padding
    UnknownType, // not a type that goes on the wire
    BadBitmap,   // no link bit, or a header kind the chosen framing cannot carry
};

// Puts the payload at the header room of `bitmap`; dataRef/length then describe it.
BuildError placePayload(J5PacketObj& packet, J5HeaderBitMap bitmap, const std::uint8_t* payload, std::uint16_t length);

// Opens `n` bytes in front of dataRef; null when the buffer has no room left there.
std::uint8_t* prepend(J5PacketObj& packet, std::size_t n);

// Writes the J5 header of `kind` in front of the payload; headerRef and sendHeaderRef point at it.
BuildError writeJ5Header(J5PacketObj& packet, HeaderKind kind, const HeaderFields& fields);

// Wraps the J5 part in 802.1Q, SNAP and Ethernet headers as `framing` asks and pads to 60 bytes.
// `tci` is the finished tag control word (host order).
BuildError frameForEthernet(J5PacketObj& packet, Framing framing, const std::uint8_t* destMac,
                            const std::uint8_t* sourceMac, std::uint16_t tci);

// The whole packet: payload, J5 header and, unless the bitmap chooses UDP, the Ethernet frame.
// Also records the send fields (bitmap, payload length, tag control word, destination MAC).
BuildError buildPacket(J5PacketObj& packet, const PacketRequest& request);

} // namespace ralnet::wire
