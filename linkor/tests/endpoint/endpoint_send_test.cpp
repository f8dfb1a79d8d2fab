// Sending: every message the independent oracle builds arrives at the far station with the
// oracle's payload bytes, and the endpoint's conversions of the addressing words.
#include <gtest/gtest.h>

#include <set>

#include "endpoint/send_arguments.h"
#include "endpoint_fixture.h"
#include "kez/com/class_registry.h"
#include "kez/com/error_info.h"
#include "linkor/outgoing_interfaces.h"
#include "message_accessors.h"
#include "oracle_cases.h"

namespace kez::linkor::test {
namespace {

const std::set<std::string> kSentClasses = {"KzSetEventMsg", "StatusMsg", "ReportIPInfoMsg", "RealTimeAudioMsg",
                                            "ReliableAudioMsg"};
constexpr std::size_t kLargestFramePayload = 1514 - 14 - J5_FULL_HEADER_LEN;

bool sendable(const OracleCase& c) {
    std::int64_t type = 0;
    for (const auto& [field, value] : c.header)
        if (field == "nMsgType") type = value;
    return !c.decode && kSentClasses.count(c.className) && c.payloadOut.size() <= kLargestFramePayload &&
           (type == J5_TYPE_HR || type == J5_TYPE_HU || type == J5_TYPE_HA);
}

using EndPointSend = EndPointOnWire;

TEST_F(EndPointSend, EveryBuiltMessageArrivesAsTheOracleLaysItOut) {
    std::string error;
    const auto cases = loadOracleCases(error);
    ASSERT_FALSE(cases.empty()) << error;
    FarStation far(wire_);
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    std::size_t sent = 0;
    for (const auto& c : cases) {
        if (!sendable(c)) continue;
        SCOPED_TRACE(c.name);
        MessageClass messageClass{};
        ASSERT_TRUE(messageClassNamed(c.className, messageClass));
        const com::Ptr<com::Object> object = makeMessage(messageClass);
        for (const auto& step : c.steps)
            applyStep(messageClass, object, step);
        const auto message = com::query<IJIPMessage>(object);
        message->put_varDestMac(byteArray(kFarMac));
        std::int16_t type = 0, destVdn = 0, srcVdn = 0;
        message->get_nMsgType(type);
        message->get_nDestVDN(destVdn);
        message->get_nSrcVDN(srcVdn);
        const bool audio = type == J5_TYPE_HA;
        if (audio) message->put_nHeaderBitMap(J5_HBM_ETHERNET | J5_HBM_SHORT_HEADER);
        ASSERT_EQ(audio ? endPoint_->SendAudioPacket(object) : endPoint_->SendPacket(object), com::S_OK);
        auto arrived = far.next();
        ASSERT_TRUE(arrived) << "nothing arrived";
        EXPECT_EQ(arrived->type, static_cast<std::uint16_t>(type));
        // Ethernet pads a short frame: the bytes past the payload are zero.
        Bytes padding(arrived->payload.begin() + std::min(c.payloadOut.size(), arrived->payload.size()),
                      arrived->payload.end());
        arrived->payload.resize(std::min(c.payloadOut.size(), arrived->payload.size()));
        EXPECT_EQ(arrived->payload, c.payloadOut);
        EXPECT_EQ(padding, Bytes(padding.size(), 0));
        if (!audio) {
            EXPECT_EQ(arrived->destVdn, static_cast<std::uint16_t>(destVdn));
            EXPECT_EQ(arrived->srcVdn, static_cast<std::uint16_t>(srcVdn));
        }
        ++sent;
    }
    EXPECT_GE(sent, 10u);
}

TEST_F(EndPointSend, NothingLeavesBeforeOpenOrAfterClose) {
    FarStation far(wire_);
    auto message = makeMessage(MessageClass::KzSetEventMsg);
    com::query<IKzSetEventMsg>(message)->InitPacket();
    message->put_varDestMac(byteArray(kFarMac));
    EXPECT_EQ(endPoint_->SendPacket(message), com::S_OK);
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    ASSERT_EQ(endPoint_->Close(), com::S_OK);
    EXPECT_EQ(endPoint_->SendPacket(message), com::S_OK);
    EXPECT_FALSE(far.next(300ms));
}

struct Conversion {
    SendKind kind;
    std::int16_t tos, tci;
    std::int32_t dataLen;
    com::HRESULT hr;
    std::uint16_t sentTos, sentTci;
};

constexpr Conversion kConversions[] = {
    {SendKind::Control, 0x00B8, static_cast<std::int16_t>(0xE123), 24, com::S_OK, 0xB800, 0x0123},
    {SendKind::Audio, 0x00B8, static_cast<std::int16_t>(0xE123), 24, com::S_OK, 0xB800, 0xE123},
    {SendKind::Control, 0x1234, 0, 1518, com::S_OK, 0x3412, 0},
    {SendKind::Control, 0, 0, 1519, com::E_INVALIDARG, 0, 0},
    {SendKind::Audio, 0, 0, -1, com::E_INVALIDARG, 0, 0},
};

TEST(EndPointSendArguments, TypeOfServiceSwappedTagMaskedForControlAndLengthInsideThePayload) {
    for (const auto& c : kConversions) {
        SCOPED_TRACE(c.dataLen);
        auto message = makeMessage(MessageClass::KzSetEventMsg);
        com::query<IKzSetEventMsg>(message)->InitPacket();
        message->put_nIPTOS(c.tos);
        message->put_nTCI(c.tci);
        message->put_lDataLen(c.dataLen);
        SendArguments arguments;
        const SendRead read = readSendArguments(*message, c.kind, arguments);
        EXPECT_EQ(read.hr, c.hr);
        if (com::FAILED(c.hr)) continue;
        EXPECT_EQ(arguments.ipTos, c.sentTos);
        EXPECT_EQ(arguments.tci, c.sentTci);
        EXPECT_EQ(arguments.payload.size(), static_cast<std::size_t>(c.dataLen));
        EXPECT_EQ(arguments.type, c.kind == SendKind::Control ? J5_TYPE_HR : 0);
    }
}

TEST_F(EndPointSend, AnObjectThatIsNoMessageIsRefused) {
    com::setErrorInfo(std::nullopt);
    EXPECT_EQ(endPoint_->SendPacket(endPoint_), com::E_NOINTERFACE);
    EXPECT_EQ(com::takeErrorInfo()->description, "The object is not a message");
    EXPECT_EQ(endPoint_->SendAudioPacket(nullptr), com::E_POINTER);
}

} // namespace
} // namespace kez::linkor::test
