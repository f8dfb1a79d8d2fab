// Sending: every message the independent oracle builds arrives at the far station with the
// oracle's payload bytes, and the conversions of the addressing words on the way to Ralnet.
#include <gtest/gtest.h>

#include <set>

#include "endpoint/send_arguments.h"
#include "endpoint_fixture.h"
#include "kez/com/error_info.h"
#include "linkor/outgoing_interfaces.h"
#include "message_accessors.h"
#include "oracle_cases.h"

namespace kez::linkor::test {
namespace {

const std::set<std::string> kSentClasses = {"KzSetEventMsg", "StatusMsg", "ReportIPInfoMsg", "RealTimeAudioMsg",
                                            "ReliableAudioMsg"};
constexpr std::size_t kLargestFramePayload = 1514 - 14 - J5_FULL_HEADER_LEN;

TEST_F(EndPointOnWire, EveryBuiltMessageArrivesAsTheOracleLaysItOut) {
    std::string error;
    const auto cases = loadOracleCases(error);
    ASSERT_FALSE(cases.empty()) << error;
    FarStation far(wire_);
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    std::size_t sent = 0;
    for (const auto& c : cases) {
        MessageClass messageClass{};
        if (c.decode || !kSentClasses.count(c.className) || c.payloadOut.size() > kLargestFramePayload ||
            !messageClassNamed(c.className, messageClass)) {
            continue;
        }
        SCOPED_TRACE(c.name);
        const auto message = makeMessage(messageClass);
        for (const auto& step : c.steps)
            applyStep(messageClass, message, step);
        std::int16_t type = 0, destVdn = 0, srcVdn = 0;
        message->get_nMsgType(type), message->get_nDestVDN(destVdn), message->get_nSrcVDN(srcVdn);
        if (type != J5_TYPE_HR && type != J5_TYPE_HU && type != J5_TYPE_HA) continue; // no packet type set
        message->put_varDestMac(byteArray(kFarMac));
        const bool audio = type == J5_TYPE_HA;
        if (audio) message->put_nHeaderBitMap(J5_HBM_ETHERNET | J5_HBM_SHORT_HEADER);
        ASSERT_EQ(audio ? endPoint_->SendAudioPacket(message) : endPoint_->SendPacket(message), com::S_OK);
        auto arrived = far.next();
        ASSERT_TRUE(arrived) << "nothing arrived";
        EXPECT_EQ(arrived->type, static_cast<std::uint16_t>(type));
        EXPECT_EQ(arrived->destVdn, audio ? 0 : static_cast<std::uint16_t>(destVdn));
        EXPECT_EQ(arrived->srcVdn, audio ? 0 : static_cast<std::uint16_t>(srcVdn));
        // Ethernet pads a short frame with zeros.
        const auto padding = std::min(arrived->payload.size(), c.payloadOut.size());
        EXPECT_EQ(Bytes(arrived->payload.begin(), arrived->payload.begin() + padding), c.payloadOut);
        EXPECT_EQ(Bytes(arrived->payload.begin() + padding, arrived->payload.end()),
                  Bytes(arrived->payload.size() - padding, 0));
        ++sent;
    }
    EXPECT_GE(sent, 10u);
}

TEST_F(EndPointOnWire, SendsNeedAnOpenEndPointAndAMessage) {
    FarStation far(wire_);
    auto message = makeMessage(MessageClass::KzSetEventMsg);
    com::query<IKzSetEventMsg>(message)->InitPacket();
    message->put_varDestMac(byteArray(kFarMac));
    EXPECT_EQ(endPoint_->SendPacket(message), com::S_OK);
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    ASSERT_EQ(endPoint_->Close(), com::S_OK);
    EXPECT_EQ(endPoint_->SendPacket(message), com::S_OK);
    EXPECT_FALSE(far.next(300ms)) << "sent while not open";
    EXPECT_EQ(endPoint_->SendPacket(endPoint_), com::E_NOINTERFACE);
    EXPECT_EQ(com::takeErrorInfo()->description, "The object is not a message");
    EXPECT_EQ(endPoint_->SendAudioPacket(nullptr), com::E_POINTER);
}

struct Conversion {
    SendKind kind;
    std::int16_t tos, tci;
    std::int32_t dataLen;
    com::HRESULT hr;
    std::uint16_t sentTos, sentTci, sentType;
};

constexpr Conversion kConversions[] = {
    {SendKind::Control, 0x00B8, -0x1EDD /* E123 */, 24, com::S_OK, 0xB800, 0x0123, J5_TYPE_HR},
    {SendKind::Audio, 0x00B8, -0x1EDD, 24, com::S_OK, 0xB800, 0xE123, 0},
    {SendKind::Control, 0x1234, 0, 1518, com::S_OK, 0x3412, 0, J5_TYPE_HR},
    {SendKind::Control, 0, 0, 1519, com::E_INVALIDARG, 0, 0, 0},
    {SendKind::Audio, 0, 0, -1, com::E_INVALIDARG, 0, 0, 0},
};

TEST(EndPointSendArguments, ServiceTypeSwappedTagMaskedForControlLengthInsideThePayload) {
    for (const auto& c : kConversions) {
        SCOPED_TRACE(c.dataLen);
        auto message = makeMessage(MessageClass::KzSetEventMsg);
        com::query<IKzSetEventMsg>(message)->InitPacket();
        message->put_nIPTOS(c.tos), message->put_nTCI(c.tci), message->put_lDataLen(c.dataLen);
        SendArguments a;
        ASSERT_EQ(readSendArguments(*message, c.kind, a).hr, c.hr);
        if (com::SUCCEEDED(c.hr)) {
            EXPECT_EQ(
                (std::vector<std::uint32_t>{a.ipTos, a.tci, a.type, static_cast<std::uint32_t>(a.payload.size())}),
                (std::vector<std::uint32_t>{c.sentTos, c.sentTci, c.sentType, static_cast<std::uint32_t>(c.dataLen)}));
        }
    }
}

} // namespace
} // namespace kez::linkor::test
