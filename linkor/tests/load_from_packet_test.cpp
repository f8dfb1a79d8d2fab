// Loading messages from packet objects as Ralnet lends them: frames written out by hand with
// the packet object laid over them, and UDP packets as its socket layer lends them.
#include <gtest/gtest.h>

#include <vector>

#include "j5_frames.h"
#include "lent_packet.h"
#include "linkor/audio_interfaces.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/message_factory.h"

namespace kez::linkor {
namespace {

using Bytes = std::vector<std::uint8_t>;

const kez::test::MacAddress kFrameDest = {0x02, 0x00, 0x5A, 0x10, 0x20, 0x30};
const kez::test::MacAddress kFrameSource = {0x02, 0x00, 0x5A, 0x99, 0x88, 0x77};
const Bytes kSenderMac = {0x02, 0x00, 0x5A, 0xAA, 0xBB, 0xCC};

Bytes fullHeader(const char type[2], std::uint16_t destVdn, std::uint16_t srcVdn) {
    Bytes h = {static_cast<std::uint8_t>(type[0]), static_cast<std::uint8_t>(type[1])};
    h.insert(h.end(), kSenderMac.begin(), kSenderMac.end());
    const std::uint16_t words[] = {0x0102, destVdn, srcVdn, 0x0003, 0x0004};
    for (const auto w : words) {
        h.push_back(static_cast<std::uint8_t>(w >> 8));
        h.push_back(static_cast<std::uint8_t>(w));
    }
    return h;
}

Bytes uiStatePayload() {
    Bytes p(130, 0);
    p[0] = 0x02;
    p[1] = 0x02;
    p[2] = 0x80;
    p[3] = 0xB3;
    p[4] = 0x12;
    p[5] = 0x34;
    const char line[] = "Hello";
    std::copy(line, line + 5, p.begin() + 46);
    return p;
}

Bytes bytesOf(const Variant& value) {
    const auto* array = value.get<com::SafeArray>();
    return array ? Bytes(array->bytes().begin(), array->bytes().end()) : Bytes{};
}

struct Addressing {
    Bytes sourceMac, destMac, sourceIp;
    std::int16_t srcVdn = 0, destVdn = 0, msgType = 0, tci = 0, bitMap = 0;
    std::int32_t length = 0;
};

Addressing addressingOf(IJIPMessage& m) {
    Addressing a;
    Variant v;
    m.get_varSourceMac(v);
    a.sourceMac = bytesOf(v);
    m.get_varDestMac(v);
    a.destMac = bytesOf(v);
    m.get_varSourceIP(v);
    a.sourceIp = bytesOf(v);
    m.get_nSrcVDN(a.srcVdn);
    m.get_nDestVDN(a.destVdn);
    m.get_nMsgType(a.msgType);
    m.get_nTCI(a.tci);
    m.get_nHeaderBitMap(a.bitMap);
    m.get_lDataLen(a.length);
    return a;
}

TEST(LoadFromPacket, AnUntaggedEthernetFrameGivesItsAddressesDeviceNumbersAndPayload) {
    const Bytes payload = uiStatePayload();
    Bytes j5 = fullHeader("HR", 0x0101, 0x0202);
    j5.insert(j5.end(), payload.begin(), payload.end());
    Bytes frame = kez::test::j5Frame(kFrameDest, kFrameSource, j5);
    const J5PacketObj packet = test::lentFromEthernet(frame, J5_HBM_ETHERNET | J5_HBM_FULL_HEADER);

    auto message = makeMessage(MessageClass::UIStateControlMsg);
    ASSERT_TRUE(message->LoadFromPacket(&packet));
    const Addressing a = addressingOf(*message);
    EXPECT_EQ(a.sourceMac, kSenderMac) << "the sender's MAC from the J5 header, not the frame's source";
    EXPECT_EQ(a.destMac, Bytes(kFrameDest.begin(), kFrameDest.end()));
    EXPECT_EQ(a.sourceIp, Bytes(4, 0));
    EXPECT_EQ(a.destVdn, 0x0101);
    EXPECT_EQ(a.srcVdn, 0x0202);
    EXPECT_EQ(a.msgType, 0x4852);
    EXPECT_EQ(a.tci, 0);
    EXPECT_EQ(a.bitMap, J5_HBM_ETHERNET | J5_HBM_FULL_HEADER);
    EXPECT_EQ(a.length, static_cast<std::int32_t>(payload.size()));
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), message->payload().begin()));

    auto ui = com::query<IUIStateControlMsg>(com::Ptr<com::Object>(message));
    std::string line;
    ASSERT_EQ(ui->get_sDisplayLine(0, line), com::S_OK);
    EXPECT_EQ(line, "Hello");
}

TEST(LoadFromPacket, ATaggedFrameGivesItsTagControlWordInHostOrder) {
    Bytes j5 = fullHeader("HU", 0x0001, 0x0301);
    j5.insert(j5.end(), {0x00, 0x01, 0x80, 0xB3});
    Bytes frame = kez::test::j5Frame(kFrameDest, kFrameSource, j5, 0xA123);
    const J5PacketObj packet = test::lentFromEthernet(frame, J5_HBM_ETHERNET | J5_HBM_8021Q | J5_HBM_FULL_HEADER);

    auto message = makeMessage(MessageClass::SystemStateMsg);
    ASSERT_TRUE(message->LoadFromPacket(&packet));
    const Addressing a = addressingOf(*message);
    EXPECT_EQ(static_cast<std::uint16_t>(a.tci), 0xA123);
    EXPECT_EQ(a.bitMap, J5_HBM_ETHERNET | J5_HBM_8021Q | J5_HBM_FULL_HEADER);
    EXPECT_EQ(a.msgType, 0x4855);
    EXPECT_EQ(a.srcVdn, 0x0301);
    EXPECT_EQ(a.destMac, Bytes(kFrameDest.begin(), kFrameDest.end()));
    EXPECT_EQ(a.sourceMac, kSenderMac);
    // The frame was padded to 60 bytes: the padding counts as payload, as Ralnet reports it.
    EXPECT_EQ(a.length, static_cast<std::int32_t>(J5_MIN_FRAME_LEN - 18 - 18));
}

TEST(LoadFromPacket, AUdpPacketGivesItsSendersAddressAndNoDestinationMac) {
    Bytes datagram = fullHeader("HR", 0x0010, 0x0020);
    const Bytes payload = {0x00, 0x11, 0x80, 0xB3, 0x00, 0x05, 0x00, 0x00, 0x10, 0x03, 0xFF, 0xFE};
    datagram.insert(datagram.end(), payload.begin(), payload.end());
    J5UdpSource source{{198, 18, 0, 7}, 47093};
    J5PacketObj packet{};
    packet.headerRef = datagram.data();
    packet.dataRef = datagram.data() + J5_FULL_HEADER_LEN;
    packet.length = static_cast<std::uint16_t>(payload.size());
    packet.udpSourceRef = &source;
    packet.pathFlags = 0x0071;

    auto message = makeMessage(MessageClass::CommandMsg);
    ASSERT_TRUE(message->LoadFromPacket(&packet));
    const Addressing a = addressingOf(*message);
    EXPECT_EQ(a.destMac, Bytes(6, 0));
    EXPECT_EQ(a.sourceIp, (Bytes{198, 18, 0, 7}));
    EXPECT_EQ(a.sourceMac, kSenderMac);
    EXPECT_EQ(a.bitMap, 0x0071);
    EXPECT_EQ(a.destVdn, 0x0010);
    auto command = com::query<ICommandMsg>(com::Ptr<com::Object>(message));
    std::int16_t value = 0;
    command->get_nCommand(value);
    EXPECT_EQ(value, 0x1003);
    command->get_nQualifier(value);
    EXPECT_EQ(value, -2);
}

// "HA" carries the short header: its device numbers live in the payload, and the header
// words at 10 and 12 fall on payload bytes, as the set has always reported them.
TEST(LoadFromPacket, AnAudioPacketKeepsItsDeviceNumbersInThePayload) {
    Bytes j5 = {'H', 'A'};
    j5.insert(j5.end(), kSenderMac.begin(), kSenderMac.end());
    const Bytes payload = {0x80, 0xB3, 0x00, 0x00, 0x00, 0x02, 0x01, 0x05, 0x00, 0x00};
    j5.insert(j5.end(), payload.begin(), payload.end());
    Bytes frame = kez::test::j5Frame(kFrameDest, kFrameSource, j5);
    J5PacketObj packet = test::lentFromEthernet(frame, J5_HBM_ETHERNET | J5_HBM_SHORT_HEADER);
    packet.length = static_cast<std::uint16_t>(payload.size());

    auto message = makeMessage(MessageClass::RealTimeAudioMsg);
    ASSERT_TRUE(message->LoadFromPacket(&packet));
    const Addressing a = addressingOf(*message);
    EXPECT_EQ(a.msgType, 0x4841);
    EXPECT_EQ(a.sourceMac, kSenderMac);
    EXPECT_EQ(a.destVdn, 0x0002) << "IJIPMessage's nDestVDN is the payload word at 4";
    EXPECT_EQ(a.srcVdn, 0x0002) << "header offset 12 is payload byte 4";
    auto audio = com::query<IRealTimeAudioMsg>(com::Ptr<com::Object>(message));
    std::int16_t source = 0;
    audio->get_nSourceVDN(source);
    EXPECT_EQ(source, 0x0105);
}

TEST(LoadFromPacket, HeaderFieldsBeyondTheReceivedBytesReadAsZero) {
    Bytes j5 = {'H', 'A', 1, 2, 3, 4, 5, 6, 0x80, 0xB3};
    J5PacketObj packet{};
    packet.headerRef = j5.data();
    packet.dataRef = j5.data() + J5_SHORT_HEADER_LEN;
    packet.length = 2;
    auto message = makeMessage(MessageClass::RealTimeAudioMsg);
    ASSERT_TRUE(message->LoadFromPacket(&packet));
    std::int16_t vdn = -1;
    message->get_nSrcVDN(vdn);
    EXPECT_EQ(vdn, 0);

    // No header at all: no sender, no type; the payload still arrives.
    packet.headerRef = nullptr;
    ASSERT_TRUE(message->LoadFromPacket(&packet));
    const Addressing a = addressingOf(*message);
    EXPECT_EQ(a.sourceMac, Bytes(6, 0));
    EXPECT_EQ(a.msgType, 0);
    EXPECT_EQ(a.length, 2);
    EXPECT_EQ(message->payload()[0], 0x80);
}

TEST(LoadFromPacket, ANullPacketIsRefused) {
    auto message = makeMessage(MessageClass::CommandMsg);
    EXPECT_FALSE(message->LoadFromPacket(nullptr));
}

TEST(ReceivedMessageClass, PacketTypeAndMessageTypeTogetherChooseTheClass) {
    EXPECT_EQ(receivedMessageClass(0x4855, 0x0001), MessageClass::SystemStateMsg);
    EXPECT_EQ(receivedMessageClass(0x4852, 0x0001), std::nullopt);
    EXPECT_EQ(receivedMessageClass(0x4852, 0x0205), std::nullopt) << "a type the set only sends";
    EXPECT_EQ(receivedMessageClass(0x4855, 0x0013), std::nullopt);
    EXPECT_EQ(receivedMessageClass(0x4852, 0x0083), MessageClass::ReliableAudioMsg);
    EXPECT_EQ(receivedMessageClass(0x4855, 0x0015), MessageClass::SlavePageCmdMsg);
    EXPECT_EQ(receivedMessageClass(0x4852, 0x0204), MessageClass::LEDMappingMsg);
}

} // namespace
} // namespace kez::linkor
