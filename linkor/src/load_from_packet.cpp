// Filling a message from a packet Ralnet received. The packet's pointers and lengths are
// trusted only as far as they describe bytes that exist: a header field is read only
// when it lies inside the header and payload the packet holds.
#include <algorithm>
#include <cstring>

#include "linkor/message_base.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kHeaderTypeOffset = 0;
constexpr std::size_t kHeaderSenderMacOffset = 2;
constexpr std::size_t kHeaderDestVdnOffset = 10;
constexpr std::size_t kHeaderSrcVdnOffset = 12;

// The J5 header and the payload behind it, as far as the packet holds them.
struct ReceivedPart {
    const std::uint8_t* start = nullptr;
    std::size_t length = 0;

    bool holds(std::size_t offset, std::size_t width) const { return start && offset + width <= length; }
    std::uint16_t be16(std::size_t offset) const {
        return holds(offset, 2) ? static_cast<std::uint16_t>(start[offset] << 8 | start[offset + 1]) : 0;
    }
};

// Short headers ("HA", "DL") end before the device numbers; their words at 10 and 12
// are then payload bytes, which is what the set has always reported.
ReceivedPart receivedPart(const J5PacketObj& packet) {
    if (!packet.headerRef || !packet.dataRef || packet.dataRef < packet.headerRef) {
        return {};
    }
    const auto headerLength = static_cast<std::size_t>(packet.dataRef - packet.headerRef);
    if (headerLength > J5_FULL_HEADER_LEN) {
        return {};
    }
    return {packet.headerRef, headerLength + packet.length};
}

// The frame's 802.1Q tag control word is kept with its bytes as they stood on the wire.
std::uint16_t fromWireOrder(std::uint16_t wireWord) {
    std::uint8_t bytes[2];
    std::memcpy(bytes, &wireWord, sizeof bytes);
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

} // namespace

bool JIPMessageBase::LoadFromPacket(const J5PacketObj* packet) {
    if (!packet) {
        return false;
    }
    const ReceivedPart part = receivedPart(*packet);
    sourceMac_.fill(0);
    if (part.holds(kHeaderSenderMacOffset, J5_MAC_LEN)) {
        std::memcpy(sourceMac_.data(), part.start + kHeaderSenderMacOffset, J5_MAC_LEN);
    }
    destMac_.fill(0);
    if (packet->linkDestinationRef) {
        std::memcpy(destMac_.data(), packet->linkDestinationRef, J5_MAC_LEN);
    }
    sourceIp_.fill(0);
    if (packet->udpSourceRef) {
        std::memcpy(sourceIp_.data(), packet->udpSourceRef->address, sourceIp_.size());
    }
    srcVdn_ = part.be16(kHeaderSrcVdnOffset);
    destVdn_ = part.be16(kHeaderDestVdnOffset);
    msgType_ = part.be16(kHeaderTypeOffset);
    tci_ = fromWireOrder(packet->tagControlWord);
    headerBitMap_ = packet->pathFlags;

    dataLen_ = packet->length;
    ResetPayload();
    if (packet->dataRef) {
        std::memcpy(payload_.data(), packet->dataRef, std::min<std::size_t>(packet->length, kPayloadSize));
    }
    return true;
}

} // namespace kez::linkor
