#pragma once
// Receive side of the wire format: finding the J5 part in an Ethernet frame and the payload
// inside a J5 part. Every length read from the frame is checked before use.
#include "ralnet/j5.h"
#include "wire/header_fields.h"

#include <cstddef>
#include <cstdint>

namespace ralnet::wire {

enum class DemuxVerdict : std::uint8_t {
    J5,   // a J5 part was found
    Runt, // shorter than the headers it announces
    Ipv4, // dropped without further look
    Arp,
    UnknownType, // another EtherType (or a second tag)
    UnknownLlc,  // 802.3 frame that is not J5 SNAP or maker SNAP with "DL"/"HU"
};

struct LinkInput {
    std::size_t j5Offset = 0; // from the frame start
    std::size_t j5Length = 0; // to the frame's end (padding included: the link has no length)
    J5HeaderBitMap pathFlags = 0;
    std::uint16_t tci = 0; // host order; 0 when untagged
};

DemuxVerdict demultiplex(const std::uint8_t* frame, std::size_t length, LinkInput& out);

enum class PayloadVerdict : std::uint8_t {
    Deliver,   // a known type with its whole header present
    Ignore,    // "HT": dropped without counting
    Unknown,   // "HC" and unknown types: dropped and counted
    Truncated, // shorter than its header (or than the word the type must carry)
};

struct PayloadPosition {
    std::uint16_t type = 0;
    std::size_t offset = 0;       // payload start inside the J5 part
    J5HeaderBitMap typeFlags = 0; // path flag the type adds (full, short or older "HU" header)
};

// `pathFlags` are those of the link the part came by (maker SNAP changes the "HU" and "DL" headers).
PayloadVerdict locatePayload(const std::uint8_t* j5, std::size_t length, J5HeaderBitMap pathFlags,
                             PayloadPosition& out);

// The header fields of a J5 part that locatePayload accepted; fields the form lacks stay zero.
HeaderFields readHeader(const std::uint8_t* j5, const PayloadPosition& position);

// Ethernet input on a received object whose dataRef/length hold the frame: on success dataRef,
// length and headerRef describe the J5 part, linkDestinationRef the frame, and the path flags
// and tag control word (wire order) are set.
DemuxVerdict acceptEthernetFrame(J5PacketObj& packet);

// On a J5 part at headerRef/length: dataRef/length become the payload, pathFlags gain the
// type's flag. The object is unchanged unless the verdict is Deliver.
PayloadVerdict setPayloadPosition(J5PacketObj& packet);

} // namespace ralnet::wire
