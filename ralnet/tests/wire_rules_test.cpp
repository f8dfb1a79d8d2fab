// Decision tables of the wire format: header room, framing choice, priorities, demultiplexing
// and payload positions, including frames that must be refused.
#include "bytes.h"
#include "wire/demux.h"
#include "wire/layout.h"

#include <gtest/gtest.h>

namespace ralnet::test {

using namespace kez::test;

namespace {

using wire::DemuxVerdict;
using wire::Framing;
using wire::PayloadVerdict;

TEST(WireRules, HeaderRoomTable) {
    const std::pair<J5HeaderBitMap, std::uint16_t> table[] = {
        {0x0009, 22}, {0x000B, 26}, {0x0011, 32}, {0x0069, 50}, {0x0071, 60}, {0x0010, 64}, {0x0000, 64},
        {0x0013, 36}, {0x0015, 40}, {0x0017, 44}, {0x0081, 22}, {0x0181, 32}, {0x0083, 26}, {0x01FF, 98},
    };
    for (const auto& [bitmap, room] : table)
        EXPECT_EQ(wire::headerRoom(bitmap), room) << std::hex << bitmap;
}

TEST(WireRules, FramingChoiceTable) {
    const std::pair<J5HeaderBitMap, Framing> table[] = {
        {0x0009, Framing::Plain},     {0x0011, Framing::Plain},      {0x0019, Framing::Plain},
        {0x0071, Framing::Udp},       {0x0069, Framing::Udp},        {0x0073, Framing::Udp},
        {0x00F1, Framing::Udp},       {0x0031, Framing::Plain},      {0x0051, Framing::Plain},
        {0x0015, Framing::Snap},      {0x0017, Framing::SnapInVlan}, {0x0081, Framing::MakerSnap},
        {0x0181, Framing::MakerSnap}, {0x0085, Framing::MakerSnap},  {0x0083, Framing::MakerSnapInVlan},
        {0x0013, Framing::Vlan},      {0x000B, Framing::Vlan},
    };
    for (const auto& [bitmap, framing] : table)
        EXPECT_EQ(wire::framingFor(bitmap), framing) << std::hex << bitmap;
}

TEST(WireRules, PriorityByType) {
    EXPECT_EQ(wire::tagControlFor(J5_TYPE_HR, 0x1FFF), 0xCFFF);
    EXPECT_EQ(wire::tagControlFor(J5_TYPE_HH, 0x0001), 0xC001);
    EXPECT_EQ(wire::tagControlFor(J5_TYPE_HY, 0x0000), 0xC000);
    EXPECT_EQ(wire::tagControlFor(J5_TYPE_HI, 0xE00A), 0xA00A);
    EXPECT_EQ(wire::tagControlFor(J5_TYPE_HE, 0x0123), 0xA123);
    EXPECT_EQ(wire::tagControlFor(J5_TYPE_HU, 0x0123), 0x6123);
    EXPECT_EQ(wire::tagControlFor(J5_TYPE_HA, 0xF123), 0xF123);
    EXPECT_EQ(wire::tagControlFor(J5_TYPE_DL, 0xF123), 0x0000);
}

const Bytes kAddrs = hex("02 00 00 00 00 01 02 00 00 00 00 02");

DemuxVerdict demux(const Bytes& frame, wire::LinkInput& link) {
    return wire::demultiplex(frame.data(), frame.size(), link);
}

TEST(WireDemux, FindsTheJ5PartInEachFraming) {
    wire::LinkInput link;
    ASSERT_EQ(demux(kAddrs + hex("88 b5 48 52") + zeros(44), link), DemuxVerdict::J5);
    EXPECT_EQ(link.j5Offset, 14u);
    EXPECT_EQ(link.j5Length, 46u);
    EXPECT_EQ(link.pathFlags, 0x0001);

    ASSERT_EQ(demux(kAddrs + hex("81 00 e0 0a 88 b5 48 52") + zeros(40), link), DemuxVerdict::J5);
    EXPECT_EQ(link.j5Offset, 18u);
    EXPECT_EQ(link.pathFlags, 0x0003);
    EXPECT_EQ(link.tci, 0xE00A);

    ASSERT_EQ(demux(kAddrs + hex("00 24 aa aa 03 00 00 00 88 b5 48 52") + zeros(36), link), DemuxVerdict::J5);
    EXPECT_EQ(link.j5Offset, 22u);
    EXPECT_EQ(link.pathFlags, 0x0005);

    ASSERT_EQ(demux(kAddrs + hex("81 00 00 05 00 24 aa aa 03 00 00 00 88 b5") + zeros(34), link), DemuxVerdict::J5);
    EXPECT_EQ(link.j5Offset, 26u);
    EXPECT_EQ(link.pathFlags, 0x0007);

    ASSERT_EQ(demux(kAddrs + hex("00 10 aa aa 03 02 5a 4e 48 55") + zeros(36), link), DemuxVerdict::J5);
    EXPECT_EQ(link.j5Offset, 20u);
    EXPECT_EQ(link.pathFlags, 0x0081);
}

TEST(WireDemux, DropsEverythingElse) {
    wire::LinkInput link;
    EXPECT_EQ(demux(kAddrs + hex("08 00") + zeros(46), link), DemuxVerdict::Ipv4);
    EXPECT_EQ(demux(kAddrs + hex("08 06") + zeros(46), link), DemuxVerdict::Arp);
    EXPECT_EQ(demux(kAddrs + hex("86 dd") + zeros(46), link), DemuxVerdict::UnknownType);
    EXPECT_EQ(demux(kAddrs + hex("81 00 00 05 81 00 00 06 88 b5") + zeros(38), link), DemuxVerdict::UnknownType);
    EXPECT_EQ(demux(kAddrs + hex("00 24 aa aa 03 00 00 00 08 00") + zeros(38), link), DemuxVerdict::UnknownLlc);
    EXPECT_EQ(demux(kAddrs + hex("00 24 42 42 03 00 00 00 88 b5") + zeros(38), link), DemuxVerdict::UnknownLlc);
    // Maker SNAP carries only "DL" and "HU".
    EXPECT_EQ(demux(kAddrs + hex("00 24 aa aa 03 02 5a 4e 48 52") + zeros(38), link), DemuxVerdict::UnknownLlc);
    // 0x0800 and above are types, not lengths.
    EXPECT_EQ(demux(kAddrs + hex("07 ff aa aa 03 00 00 00 88 b5") + zeros(38), link), DemuxVerdict::J5);
}

TEST(WireDemux, RefusesFramesShorterThanTheirHeaders) {
    wire::LinkInput link;
    EXPECT_EQ(demux(hex("02 00 00 00 00 01 02 00 00 00 00 02 88"), link), DemuxVerdict::Runt);
    EXPECT_EQ(demux(kAddrs + hex("81 00 00"), link), DemuxVerdict::Runt);
    EXPECT_EQ(demux(kAddrs + hex("00 08 aa aa 03 00 00 00 88"), link), DemuxVerdict::Runt);
    // Maker SNAP needs 22 bytes after the Ethernet header.
    EXPECT_EQ(demux(kAddrs + hex("00 08 aa aa 03 02 5a 4e 44 4c") + zeros(13), link), DemuxVerdict::Runt);
    EXPECT_EQ(demux(kAddrs + hex("00 08 aa aa 03 02 5a 4e 44 4c") + zeros(14), link), DemuxVerdict::J5);
    // A bare J5 EtherType is a J5 part of length 0; the payload step refuses it.
    ASSERT_EQ(demux(kAddrs + hex("88 b5"), link), DemuxVerdict::J5);
    EXPECT_EQ(link.j5Length, 0u);
}

struct PositionCase {
    const char* j5;
    J5HeaderBitMap linkFlags;
    PayloadVerdict verdict;
    std::size_t offset;
    J5HeaderBitMap typeFlags;
};

TEST(WirePayload, PositionAndFlagByTypeAndPath) {
    const std::string full18 = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    const PositionCase cases[] = {
        {"48 52", 0x0001, PayloadVerdict::Truncated, 0, 0},
        {"48 52 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00", 0x0001, PayloadVerdict::Deliver, 18, 0x0010},
        {"48 48 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00", 0x0061, PayloadVerdict::Deliver, 18, 0x0010},
        {"48 49 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00", 0x0001, PayloadVerdict::Deliver, 18, 0x0010},
        {"48 59 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00", 0x0061, PayloadVerdict::Truncated, 0, 0},
        {"48 59 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 01", 0x0061, PayloadVerdict::Deliver, 18, 0x0010},
        {"48 45 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 80", 0x0061, PayloadVerdict::Truncated, 0, 0},
        {"48 45 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 80 02", 0x0001, PayloadVerdict::Deliver, 18, 0x0010},
        {"48 55 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00", 0x0001, PayloadVerdict::Deliver, 18, 0x0010},
        {"48 55 02 00 00 00 00 01 00 00 00 00", 0x0081, PayloadVerdict::Deliver, 12, 0x0100},
        {"48 55 02 00 00 00 00 01 00 00 00", 0x0081, PayloadVerdict::Truncated, 0, 0},
        {"48 41 02 00 00 00 00 01", 0x0001, PayloadVerdict::Deliver, 8, 0x0008},
        {"48 41 02 00 00 00 00", 0x0061, PayloadVerdict::Truncated, 0, 0},
        {"44 4c 02 00 00 00 00 01", 0x0061, PayloadVerdict::Deliver, 8, 0x0008},
        {"44 4c", 0x0081, PayloadVerdict::Deliver, 2, 0x0000},
        {"48 54 00", 0x0001, PayloadVerdict::Ignore, 0, 0},
        {"48 43 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00", 0x0001, PayloadVerdict::Unknown, 0, 0},
        {"5a 5a 00 00", 0x0001, PayloadVerdict::Unknown, 0, 0},
        {"48", 0x0001, PayloadVerdict::Truncated, 0, 0},
    };
    for (const auto& c : cases) {
        const Bytes j5 = hex(c.j5);
        wire::PayloadPosition position;
        EXPECT_EQ(wire::locatePayload(j5.data(), j5.size(), c.linkFlags, position), c.verdict) << c.j5;
        if (c.verdict != PayloadVerdict::Deliver) continue;
        EXPECT_EQ(position.offset, c.offset) << c.j5;
        EXPECT_EQ(position.typeFlags, c.typeFlags) << c.j5;
    }
}

TEST(WirePayload, UdpPathFlagsGainTheHeaderKind) {
    const Bytes hr = hex("48 52 02 00 00 00 00 01 12 35 00 02 00 01 00 07 00 03 aa");
    std::uint8_t buffer[64] = {};
    std::copy(hr.begin(), hr.end(), buffer);
    J5PacketObj packet{};
    packet.buffer = buffer;
    packet.headerRef = buffer;
    packet.length = static_cast<std::uint16_t>(hr.size());
    packet.pathFlags = 0x0061;
    ASSERT_EQ(wire::setPayloadPosition(packet), PayloadVerdict::Deliver);
    EXPECT_EQ(packet.pathFlags, 0x0071);
    EXPECT_EQ(packet.dataRef, buffer + 18);
    EXPECT_EQ(packet.length, 1);

    // A datagram too short for its header leaves the object as it was.
    J5PacketObj shortPacket{};
    shortPacket.headerRef = buffer;
    shortPacket.length = 10;
    shortPacket.pathFlags = 0x0061;
    EXPECT_EQ(wire::setPayloadPosition(shortPacket), PayloadVerdict::Truncated);
    EXPECT_EQ(shortPacket.pathFlags, 0x0061);
    EXPECT_EQ(shortPacket.dataRef, nullptr);
    EXPECT_EQ(shortPacket.length, 10);
}

} // namespace
} // namespace ralnet::test
