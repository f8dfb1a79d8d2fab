#pragma once
// A fake interface around the reliable core: real pools, a link that records every frame,
// application and error queues as plain deques; and frames as a peer station would send them.
#include "bytes.h"
#include "pool/packet_pools.h"
#include "reliable/reliable_core.h"
#include "reliable/services.h"
#include "wire/byte_order.h"
#include "wire/demux.h"
#include "wire/packet_builder.h"

#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace ralnet::test {

using namespace kez::test;

struct SentFrame {
    Bytes bytes; // the Ethernet frame, or the UDP datagram's payload
    J5HeaderBitMap bitmap = 0;
    std::uint8_t destIp[4] = {};
    std::uint16_t typeOfService = 0;
};

class FakeStack : public reliable::StackServices, public reliable::ErrorQueueReader {
public:
    explicit FakeStack(const std::uint8_t* mac, std::uint16_t connections = 8)
        : pools_(PacketPools::create(poolSizesFor(connections))) {
        std::memcpy(mac_, mac, J5_MAC_LEN);
    }

    bool started() const override { return started_; }
    bool udpSocketOpen() const override { return udpOpen_; }
    void copyOwnMac(std::uint8_t* mac) const override { std::memcpy(mac, mac_, J5_MAC_LEN); }
    J5PacketObj* takePacket(std::size_t bytes, bool forced) override {
        return poolDry_ ? nullptr : pools_->take(bytes, forced);
    }
    void givePacket(J5PacketObj* packet) override { PacketPools::giveBackToOwner(packet); }
    void transmit(J5PacketObj& packet) override {
        SentFrame frame;
        frame.bytes.assign(packet.dataRef, packet.dataRef + packet.length);
        frame.bitmap = packet.sendBitMap;
        std::memcpy(frame.destIp, packet.destIp, 4);
        frame.typeOfService = packet.typeOfService;
        sent.push_back(frame);
        if (packet.freeAfterSend & 1) givePacket(&packet);
    }
    void awaitingAnswer() override { tickArmed = true; }
    bool queueData(J5PacketObj* packet) override {
        if (data.size() >= dataCapacity) return false;
        data.push_back(packet);
        return true;
    }
    bool queueError(J5PacketObj* packet) override {
        if (errors.size() >= errorCapacity) return false;
        errors.push_back(packet);
        return true;
    }
    void signalError() override { ++errorSignals; }
    std::uint16_t nextUnreliableCounter() override { return huCounter++; }

    J5PacketObj* waitRecord() override { return takeQueued(); }
    J5PacketObj* takeQueued() override {
        if (errors.empty()) return nullptr;
        J5PacketObj* p = errors.front();
        errors.pop_front();
        return p;
    }
    bool stopping() const override { return errors.empty(); }

    PacketPools& pools() { return *pools_; }
    std::vector<SentFrame> takeSent() { return std::exchange(sent, {}); }
    void freeQueues() {
        for (auto* p : data)
            givePacket(p);
        for (auto* p : errors)
            givePacket(p);
        data.clear();
        errors.clear();
    }

    bool started_ = true;
    bool udpOpen_ = true;
    bool poolDry_ = false;
    std::vector<SentFrame> sent;
    std::deque<J5PacketObj*> data;
    std::deque<J5PacketObj*> errors;
    std::size_t dataCapacity = 100000;
    std::size_t errorCapacity = 100000;
    int errorSignals = 0;
    bool tickArmed = false;
    std::uint16_t huCounter = 0;

private:
    std::unique_ptr<PacketPools> pools_;
    std::uint8_t mac_[J5_MAC_LEN] = {};
};

// What a peer station puts in the header of a packet it sends.
struct PeerHeader {
    std::uint16_t type = J5_TYPE_HR;
    const std::uint8_t* from = nullptr;
    const std::uint8_t* to = nullptr;
    std::uint16_t sequence = 0;
    std::uint16_t destVdn = 1;
    std::uint16_t srcVdn = 1;
    std::uint16_t receiverIndex = 0;
    std::uint16_t senderIndex = 0;
    Bytes payload;
    J5HeaderBitMap bitmap = 0x0011;
    std::uint16_t vlanId = 0;
};

inline Bytes peerFrame(PacketPools& pools, const PeerHeader& h) {
    J5PacketObj* p = pools.take(1518 - 4, true);
    wire::PacketRequest request;
    request.header.type = h.type;
    std::memcpy(request.header.senderMac, h.from, J5_MAC_LEN);
    request.header.sequence = h.sequence;
    request.header.destVdn = h.destVdn;
    request.header.srcVdn = h.srcVdn;
    request.header.receiverIndex = h.receiverIndex;
    request.header.senderIndex = h.senderIndex;
    request.bitmap = h.bitmap;
    std::memcpy(request.destMac, h.to, J5_MAC_LEN);
    request.callerTci = h.vlanId;
    request.payload = h.payload.data();
    request.payloadLength = static_cast<std::uint16_t>(h.payload.size());
    Bytes frame;
    if (wire::buildPacket(*p, request) == wire::BuildError::None) frame.assign(p->dataRef, p->dataRef + p->length);
    PacketPools::giveBackToOwner(p);
    return frame;
}

// An Ethernet frame as the link hands it in: demultiplexed and with its payload position set.
inline J5PacketObj* receivedFrame(PacketPools& pools, const Bytes& frame) {
    J5PacketObj* p = pools.take(372, true);
    if (!p) return nullptr;
    std::memcpy(p->buffer, frame.data(), frame.size());
    p->dataRef = p->buffer;
    p->length = static_cast<std::uint16_t>(frame.size());
    if (wire::acceptEthernetFrame(*p) != wire::DemuxVerdict::J5 ||
        wire::setPayloadPosition(*p) != wire::PayloadVerdict::Deliver) {
        PacketPools::giveBackToOwner(p);
        return nullptr;
    }
    return p;
}

// A UDP datagram's J5 part from `sourceIp`, as the UDP receiver hands it in.
inline J5PacketObj* receivedDatagram(PacketPools& pools, const Bytes& j5, const std::uint8_t* sourceIp) {
    J5PacketObj* p = pools.take(372, true);
    auto* source = reinterpret_cast<J5UdpSource*>(p->buffer);
    std::memcpy(source->address, sourceIp, 4);
    source->port = J5_UDP_PORT;
    p->udpSourceRef = source;
    p->headerRef = p->buffer + 42;
    std::memcpy(p->headerRef, j5.data(), j5.size());
    p->length = static_cast<std::uint16_t>(j5.size());
    p->pathFlags = 0x0061;
    if (wire::setPayloadPosition(*p) != wire::PayloadVerdict::Deliver) {
        PacketPools::giveBackToOwner(p);
        return nullptr;
    }
    return p;
}

// Hands a received packet to the part of the core its type belongs to.
inline void deliverToCore(reliable::ReliableCore& core, J5PacketObj* packet) {
    if (!packet) return;
    const std::uint16_t type = wire::loadBe16(packet->headerRef);
    if (type == J5_TYPE_HR || type == J5_TYPE_HI) {
        core.fromPeer(packet);
    } else {
        core.controlFromPeer(packet);
    }
}

// Fields of the full J5 header in a sent frame (plain Ethernet: the J5 part starts at 14).
struct SeenHeader {
    std::uint16_t type = 0;
    std::uint16_t sequence = 0;
    std::uint16_t destVdn = 0;
    std::uint16_t srcVdn = 0;
    std::uint16_t receiverIndex = 0;
    std::uint16_t senderIndex = 0;
    std::uint16_t firstWord = 0;
};

inline SeenHeader seen(const SentFrame& frame, std::size_t j5Offset = 14) {
    const std::uint8_t* j5 = frame.bytes.data() + j5Offset;
    SeenHeader h;
    h.type = wire::loadBe16(j5);
    h.sequence = wire::loadBe16(j5 + 8);
    h.destVdn = wire::loadBe16(j5 + 10);
    h.srcVdn = wire::loadBe16(j5 + 12);
    h.receiverIndex = wire::loadBe16(j5 + 14);
    h.senderIndex = wire::loadBe16(j5 + 16);
    if (frame.bytes.size() >= j5Offset + 20) h.firstWord = wire::loadBe16(j5 + 18);
    return h;
}

inline Bytes payloadOf(const J5PacketObj& p) { return Bytes(p.dataRef, p.dataRef + p.length); }

} // namespace ralnet::test
