// Frames written by hand from the wire tables, built by our code and parsed back.
#include "bytes.h"
#include "pool/packet_pools.h"
#include "wire/demux.h"
#include "wire/packet_builder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ralnet::test {

using namespace kez::test;

namespace {

using wire::BuildError;
using wire::PacketRequest;

const Bytes kOwnMac = hex("02 00 00 00 00 01");
const Bytes kPeerMac = hex("02 00 00 00 00 02");
const Bytes kTenBytes = hex("00 01 02 03 04 05 06 07 08 09");

PacketRequest requestFor(std::uint16_t type, J5HeaderBitMap bitmap, const Bytes& payload) {
    PacketRequest request;
    request.header.type = type;
    std::memcpy(request.header.senderMac, kOwnMac.data(), J5_MAC_LEN);
    std::memcpy(request.destMac, kPeerMac.data(), J5_MAC_LEN);
    request.bitmap = bitmap;
    request.payload = payload.data();
    request.payloadLength = static_cast<std::uint16_t>(payload.size());
    return request;
}

PacketRequest reliableRequest(std::uint16_t type, J5HeaderBitMap bitmap, const Bytes& payload) {
    PacketRequest request = requestFor(type, bitmap, payload);
    request.header.sequence = 0x1235;
    request.header.destVdn = 2;
    request.header.srcVdn = 1;
    request.header.receiverIndex = 7;
    request.header.senderIndex = 3;
    request.callerTci = 0x0005;
    return request;
}

class WireGolden : public ::testing::Test {
protected:
    Bytes build(const PacketRequest& request) {
        J5PacketObj* p = pools_->take(wire::headerRoom(request.bitmap) + request.payloadLength, false);
        EXPECT_NE(p, nullptr);
        if (!p) return {};
        const BuildError error = wire::buildPacket(*p, request);
        EXPECT_EQ(error, BuildError::None);
        Bytes out(p->dataRef, p->dataRef + p->length);
        pools_->giveBack(p);
        return out;
    }

    // Parses a frame the way the receive path does and returns the payload.
    Bytes parse(const Bytes& frame, J5HeaderBitMap expectedFlags, std::uint16_t expectedTci = 0) {
        J5PacketObj* p = pools_->take(372, false);
        EXPECT_NE(p, nullptr);
        if (!p) return {};
        std::memcpy(p->buffer, frame.data(), frame.size());
        p->dataRef = p->buffer;
        p->length = static_cast<std::uint16_t>(frame.size());
        EXPECT_EQ(wire::acceptEthernetFrame(*p), wire::DemuxVerdict::J5);
        EXPECT_EQ(wire::setPayloadPosition(*p), wire::PayloadVerdict::Deliver);
        EXPECT_EQ(p->pathFlags, expectedFlags);
        EXPECT_EQ(p->linkDestinationRef, p->buffer);
        EXPECT_EQ(p->udpSourceRef, nullptr);
        const auto* tci = reinterpret_cast<const std::uint8_t*>(&p->tagControlWord);
        EXPECT_EQ(tci[0] << 8 | tci[1], expectedTci);
        Bytes payload(p->dataRef, p->dataRef + p->length);
        pools_->giveBack(p);
        return payload;
    }

    std::unique_ptr<PacketPools> pools_ = PacketPools::create({8, 8, 8});
};

const Bytes kHrHeader = hex("48 52 02 00 00 00 00 01 12 35 00 02 00 01 00 07 00 03");
const Bytes kEthAddrs = hex("02 00 00 00 00 02 02 00 00 00 00 01");

TEST_F(WireGolden, ReliableDataInEveryFramingIsPaddedTo60) {
    // 14 + 18 + 10 = 42 bytes, padded with 18 zeros.
    const Bytes plain = kEthAddrs + hex("88 b5") + kHrHeader + kTenBytes + zeros(18);
    const Bytes vlan = kEthAddrs + hex("81 00 c0 05 88 b5") + kHrHeader + kTenBytes + zeros(14);
    const Bytes snap = kEthAddrs + hex("00 24 aa aa 03 00 00 00 88 b5") + kHrHeader + kTenBytes + zeros(10);
    const Bytes snapVlan =
        kEthAddrs + hex("81 00 c0 05 00 24 aa aa 03 00 00 00 88 b5") + kHrHeader + kTenBytes + zeros(6);

    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HR, 0x0011, kTenBytes))), toHex(plain));
    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HR, 0x0013, kTenBytes))), toHex(vlan));
    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HR, 0x0015, kTenBytes))), toHex(snap));
    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HR, 0x0017, kTenBytes))), toHex(snapVlan));

    // Plain and tagged frames have no length field: the padding stays in the payload.
    EXPECT_EQ(parse(plain, 0x0011), kTenBytes + zeros(18));
    EXPECT_EQ(parse(vlan, 0x0013, 0xC005), kTenBytes + zeros(14));
    EXPECT_EQ(parse(snap, 0x0015), kTenBytes + zeros(10));
    EXPECT_EQ(parse(snapVlan, 0x0017, 0xC005), kTenBytes + zeros(6));
}

TEST_F(WireGolden, FrameOfMinimumLengthOrMoreIsNotPadded) {
    const Bytes payload(42, 0x5A); // 14 + 18 + 42 = 74
    const Bytes frame = kEthAddrs + hex("88 b5") + kHrHeader + payload;
    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HR, 0x0011, payload))), toHex(frame));
    const Bytes exact(28, 0x11); // 14 + 18 + 28 = 60 exactly
    EXPECT_EQ(build(reliableRequest(J5_TYPE_HR, 0x0011, exact)).size(), 60u);
}

TEST_F(WireGolden, ControlPacketsCarryTheirPriorityAndPayload) {
    auto header = [](const char* type) { return hex(type) + hex("02 00 00 00 00 01 12 35 00 02 00 01 00 07 00 03"); };
    // "HI": priority 5, four empty payload bytes.
    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HI, 0x0013, zeros(4)))),
              toHex(kEthAddrs + hex("81 00 a0 05 88 b5") + header("48 49") + zeros(4) + zeros(20)));
    // "HY": priority 6, payload 0x0001.
    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HY, 0x0013, hex("00 01")))),
              toHex(kEthAddrs + hex("81 00 c0 05 88 b5") + header("48 59") + hex("00 01") + zeros(22)));
    // "HE": priority 5, the cause.
    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HE, 0x0013, hex("80 02")))),
              toHex(kEthAddrs + hex("81 00 a0 05 88 b5") + header("48 45") + hex("80 02") + zeros(22)));
    // "HH": priority 6, no payload.
    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HH, 0x0013, {}))),
              toHex(kEthAddrs + hex("81 00 c0 05 88 b5") + header("48 48") + zeros(24)));
}

TEST_F(WireGolden, TagControlWordKeepsOnlyTheVlanIdExceptForAudio) {
    PacketRequest hr = reliableRequest(J5_TYPE_HR, 0x0013, kTenBytes);
    hr.callerTci = 0xF123; // priority and drop-eligible bit of the caller are replaced
    EXPECT_EQ(toHex(build(hr)).substr(24, 8), "8100c123");

    const Bytes audio = hex("aa bb");
    PacketRequest ha = requestFor(J5_TYPE_HA, 0x000B, audio);
    ha.callerTci = 0xF123; // audio keeps the caller's whole word
    EXPECT_EQ(toHex(build(ha)), toHex(kEthAddrs + hex("81 00 f1 23 88 b5 48 41 02 00 00 00 00 01 aa bb") + zeros(32)));

    const Bytes data = hex("cc");
    PacketRequest dl = requestFor(J5_TYPE_DL, 0x000B, data);
    dl.callerTci = 0x0FFF; // download data: the whole word is zero
    EXPECT_EQ(toHex(build(dl)), toHex(kEthAddrs + hex("81 00 00 00 88 b5 44 4c 02 00 00 00 00 01 cc") + zeros(33)));
}

TEST_F(WireGolden, UnreliableDataCounterIsLowByteFirstAndIndexesZero) {
    const Bytes data = hex("01 02 03");
    PacketRequest hu = reliableRequest(J5_TYPE_HU, 0x0013, data);
    hu.header.sequence = 0x0102;
    hu.callerTci = 0x0007;
    const Bytes expected = kEthAddrs + hex("81 00 60 07 88 b5") +
                           hex("48 55 02 00 00 00 00 01 02 01 00 02 00 01 00 00 00 00") + hex("01 02 03") + zeros(21);
    EXPECT_EQ(toHex(build(hu)), toHex(expected));
    EXPECT_EQ(parse(expected, 0x0013, 0x6007), hex("01 02 03") + zeros(21));
}

TEST_F(WireGolden, ShortHeaderAudioOverPlainEthernet) {
    const Bytes audio(24, 0x7F);
    const Bytes expected = kEthAddrs + hex("88 b5 48 41 02 00 00 00 00 01") + audio + zeros(14);
    EXPECT_EQ(toHex(build(requestFor(J5_TYPE_HA, 0x0009, audio))), toHex(expected));
    EXPECT_EQ(parse(expected, 0x0009), audio + zeros(14));
}

TEST_F(WireGolden, MakerSnapOlderUnreliableData) {
    const Bytes data = hex("78 79");
    PacketRequest hu = requestFor(J5_TYPE_HU, 0x0181, data);
    hu.header.sequence = 0x0102;
    hu.header.olderHuWords[0] = 0x1111;
    hu.header.olderHuWords[1] = 0x2222;
    hu.callerTci = 0x0005; // not sent: no tag in this framing
    // 802.3 length = 6 (LLC, OUI) + 12 (header from the protocol field on) + 2.
    const Bytes expected =
        kEthAddrs + hex("00 14 aa aa 03 02 5a 4e 48 55 02 01 11 11 22 22 00 00 00 00 78 79") + zeros(26);
    EXPECT_EQ(toHex(build(hu)), toHex(expected));
    EXPECT_EQ(parse(expected, 0x0181), hex("78 79") + zeros(26));
}

TEST_F(WireGolden, MakerSnapDownloadHasTypeOnlyHeader) {
    const Bytes expected = kEthAddrs + hex("00 0b aa aa 03 02 5a 4e 44 4c 61 62 63") + zeros(35);
    EXPECT_EQ(toHex(build(requestFor(J5_TYPE_DL, 0x0081, hex("61 62 63")))), toHex(expected));
    EXPECT_EQ(parse(expected, 0x0081), hex("61 62 63") + zeros(35));
    // The long form travels with the short header and reports it.
    const Bytes longForm = kEthAddrs + hex("88 b5 44 4c 02 00 00 00 00 01 61 62 63") + zeros(35);
    EXPECT_EQ(toHex(build(requestFor(J5_TYPE_DL, 0x0009, hex("61 62 63")))), toHex(longForm));
    EXPECT_EQ(parse(longForm, 0x0009), hex("61 62 63") + zeros(35));
}

TEST_F(WireGolden, MakerSnapInsideVlanTag) {
    const Bytes data = hex("61");
    PacketRequest dl = requestFor(J5_TYPE_DL, 0x0083, data);
    const Bytes expected = kEthAddrs + hex("81 00 00 00 00 09 aa aa 03 02 5a 4e 44 4c 61") + zeros(33);
    EXPECT_EQ(toHex(build(dl)), toHex(expected));
    EXPECT_EQ(parse(expected, 0x0083), hex("61") + zeros(33));
}

TEST_F(WireGolden, UdpFormIsTheJ5PartAlone) {
    const Bytes expected = kHrHeader + kTenBytes;
    EXPECT_EQ(toHex(build(reliableRequest(J5_TYPE_HR, 0x0071, kTenBytes))), toHex(expected));
    EXPECT_EQ(toHex(build(requestFor(J5_TYPE_HA, 0x0069, hex("01")))), "4841020000000001"
                                                                       "01");
}

TEST_F(WireGolden, RefusesWhatTheFramingCannotCarry) {
    J5PacketObj* p = pools_->take(100, false);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(wire::buildPacket(*p, reliableRequest(J5_TYPE_HR, 0x0091, kTenBytes)), BuildError::BadBitmap);
    EXPECT_EQ(wire::buildPacket(*p, reliableRequest(J5_TYPE_HU, 0x0111, kTenBytes)), BuildError::BadBitmap);
    EXPECT_EQ(wire::buildPacket(*p, reliableRequest(J5_TYPE_HR, 0x0010, kTenBytes)), BuildError::BadBitmap);
    EXPECT_EQ(wire::buildPacket(*p, reliableRequest(J5_TYPE_HC, 0x0011, {})), BuildError::UnknownType);
    EXPECT_EQ(wire::buildPacket(*p, reliableRequest(J5_TYPE_DL, 0x00E1, kTenBytes)), BuildError::BadBitmap);
    pools_->giveBack(p);
}

TEST_F(WireGolden, PayloadThatDoesNotFitTheBufferIsRefused) {
    J5PacketObj* p = pools_->take(40, false); // a small object
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->bufferClass, 80);
    const Bytes big(60, 1);
    EXPECT_EQ(wire::buildPacket(*p, reliableRequest(J5_TYPE_HR, 0x0011, big)), BuildError::NoRoom);
    pools_->giveBack(p);
}

TEST_F(WireGolden, UnusedHeaderRoomStillLeavesSpaceForPadding) {
    // IP bit without UDP: Ethernet framing with 20 bytes of room left unused in front.
    J5PacketObj* p = pools_->take(wire::headerRoom(0x0039) + 1, false);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->bufferClass, 80);
    const Bytes data = hex("01");
    PacketRequest request = requestFor(J5_TYPE_HA, 0x0039, data);
    ASSERT_EQ(wire::buildPacket(*p, request), BuildError::None);
    EXPECT_EQ(p->length, 60);
    EXPECT_LE(p->dataRef + p->length, p->buffer + p->bufferClass);
    EXPECT_EQ(toHex({p->headerRef, 2}), "4841");
    pools_->giveBack(p);
}

} // namespace
} // namespace ralnet::test
