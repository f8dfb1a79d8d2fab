// The byte-array conventions of every message, and the edges of the counted and indexed
// accessors that wire data controls.
#include <gtest/gtest.h>

#include <vector>

#include "kez/com/error_info.h"
#include "linkor/audio_interfaces.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/message_factory.h"
#include "linkor/outgoing_interfaces.h"

namespace kez::linkor {
namespace {

using Bytes = std::vector<std::uint8_t>;
using com::Ptr;

template <class I>
Ptr<I> make(MessageClass messageClass) {
    return com::query<I>(Ptr<com::Object>(makeMessage(messageClass)));
}

Variant byteArray(const Bytes& bytes) { return Variant(*com::SafeArray::fromBytes(com::ElementType::UI1, bytes)); }

Bytes bytesOf(const Variant& value) {
    const auto* array = value.get<com::SafeArray>();
    return array ? Bytes(array->bytes().begin(), array->bytes().end()) : Bytes{};
}

std::string lastErrorText() {
    const auto info = com::takeErrorInfo();
    return info ? info->description : std::string("<none>");
}

// A received message whose payload is `payload`.
template <class I>
Ptr<I> received(MessageClass messageClass, const Bytes& payload) {
    auto message = makeMessage(messageClass);
    J5PacketObj packet{};
    packet.dataRef = const_cast<std::uint8_t*>(payload.data());
    packet.length = static_cast<std::uint16_t>(payload.size());
    EXPECT_TRUE(message->LoadFromPacket(&packet));
    return com::query<I>(Ptr<com::Object>(message));
}

TEST(MessageBase, AFreshObjectHasTheConstructionDefaults) {
    auto m = make<IJIPMessage>(MessageClass::CommandMsg);
    std::int16_t word = -7;
    m->get_nSrcVDN(word);
    EXPECT_EQ(word, 1);
    m->get_nDestVDN(word);
    EXPECT_EQ(word, 1);
    m->get_nHeaderBitMap(word);
    EXPECT_EQ(word, 0x11);
    m->get_nIPTOS(word);
    EXPECT_EQ(word, 0);
    m->get_nTCI(word);
    EXPECT_EQ(word, 0);
    m->get_nMsgType(word);
    EXPECT_EQ(word, 0);
    std::int32_t length = 0;
    m->get_lDataLen(length);
    EXPECT_EQ(length, 1518);
    Variant v;
    m->get_varData(v);
    EXPECT_EQ(bytesOf(v), Bytes(1518, 0));
    m->get_varDestMac(v);
    EXPECT_EQ(bytesOf(v), Bytes(6, 0));
    m->get_varDestIP(v);
    EXPECT_EQ(bytesOf(v), Bytes(4, 0));
}

TEST(MessageBase, VarDataIsTheWholeBufferAndCannotBeWritten) {
    auto event = make<IKzSetEventMsg>(MessageClass::KzSetEventMsg);
    ASSERT_EQ(event->InitPacket(), com::S_OK);
    auto m = com::query<IJIPMessage>(event);
    std::int32_t length = 0;
    m->get_lDataLen(length);
    EXPECT_EQ(length, 24);
    Variant data;
    m->get_varData(data);
    const Bytes before = bytesOf(data);
    ASSERT_EQ(before.size(), 1518u);
    EXPECT_EQ(m->put_varData(byteArray(Bytes(30, 0xEE))), com::S_OK);
    m->get_varData(data);
    EXPECT_EQ(bytesOf(data), before);
}

TEST(MessageBase, AddressSettersCopyAPrefixRefuseWiderArraysAndIgnoreNonArrays) {
    auto m = make<IJIPMessage>(MessageClass::StatusMsg);
    ASSERT_EQ(m->put_varSourceMac(byteArray({1, 2, 3, 4, 5, 6})), com::S_OK);
    ASSERT_EQ(m->put_varSourceMac(byteArray({9, 9, 9, 9})), com::S_OK);
    Variant v;
    m->get_varSourceMac(v);
    EXPECT_EQ(bytesOf(v), (Bytes{9, 9, 9, 9, 5, 6}));

    com::setErrorInfo(std::nullopt);
    EXPECT_EQ(m->put_varSourceMac(byteArray({7, 7, 7, 7, 7, 7, 7})), com::E_FAIL);
    EXPECT_EQ(lastErrorText(), "GetSafeArray failed");
    EXPECT_EQ(m->put_varSourceMac(Variant(std::int32_t{42})), com::S_OK);
    EXPECT_EQ(m->put_varSourceMac(Variant(com::SafeArray::fromTexts({"ab"}))), com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(lastErrorText(), "GetSafeArray failed");
    m->get_varSourceMac(v);
    EXPECT_EQ(bytesOf(v), (Bytes{9, 9, 9, 9, 5, 6}));

    const std::int16_t words[] = {0x0102, 0x0304};
    ASSERT_EQ(m->put_varDestIP(Variant(com::SafeArray::fromI2(words))), com::S_OK);
    m->get_varDestIP(v);
    EXPECT_EQ(bytesOf(v).size(), 4u);
    EXPECT_EQ(bytesOf(v), bytesOf(Variant(com::SafeArray::fromI2(words)))) << "16-bit elements count two bytes each";
}

TEST(MessageBase, AnOutOfRangeDataLengthNeverWidensWhatIsRead) {
    Bytes payload(40, 0);
    payload[20] = 0x06;
    payload[23] = 4;
    auto state = received<ISystemStateMsg>(MessageClass::SystemStateMsg, payload);
    auto m = com::query<IJIPMessage>(state);
    Variant park;
    for (const std::int32_t length : {-1, 0, 3, 0x7FFFFFFF}) {
        m->put_lDataLen(length);
        EXPECT_EQ(state->get_varParkLEDStates(park), com::S_OK);
    }
    EXPECT_EQ(bytesOf(park), Bytes(4, 0)) << "lDataLen past the buffer reads to its end";
    m->put_lDataLen(-5);
    EXPECT_EQ(state->get_varParkLEDStates(park), com::S_OK);
    EXPECT_TRUE(park.isEmpty());
}

TEST(SystemState, AnImpossibleDateIsAnErrorNotAValue) {
    Bytes payload(20, 0);
    payload[12] = 0x07;
    payload[13] = 0xD0;
    payload[14] = 13; // month 13
    payload[15] = 1;
    auto state = received<ISystemStateMsg>(MessageClass::SystemStateMsg, payload);
    com::Date date{1.5};
    com::setErrorInfo(std::nullopt);
    EXPECT_EQ(state->get_dtCurrent(date), com::E_INVALIDARG);
    EXPECT_EQ(lastErrorText(), "Invalid system date");
    EXPECT_EQ(date.value, 1.5);
}

TEST(PlayDtmf, TheArraySettersWriteTheCountAndThePairsAndRefuseWhatCannotFit) {
    auto dtmf = make<IPlayDTMFMsg>(MessageClass::PlayDTMFMsg);
    const std::int16_t codes[] = {1, 2, 11};
    const std::int16_t times[] = {100, 150, 255};
    ASSERT_EQ(dtmf->put_varCodes(Variant(com::SafeArray::fromI2(codes))), com::S_OK);
    ASSERT_EQ(dtmf->put_varTimes(Variant(com::SafeArray::fromI2(times))), com::S_OK);
    Variant v;
    com::query<IJIPMessage>(dtmf)->get_varData(v);
    const Bytes data = bytesOf(v);
    EXPECT_EQ(Bytes(data.begin() + 10, data.begin() + 18), (Bytes{0, 3, 1, 100, 2, 150, 11, 255}));

    const std::vector<std::int16_t> tooMany(754, 1);
    com::setErrorInfo(std::nullopt);
    EXPECT_EQ(dtmf->put_varCodes(Variant(com::SafeArray::fromI2(tooMany))), com::E_FAIL);
    EXPECT_EQ(lastErrorText(), "GetSafeArray failed");
    ASSERT_EQ(dtmf->get_varTimes(v), com::S_OK);
    EXPECT_EQ(v.get<com::SafeArray>()->count(), 3u);
}

TEST(PlayDtmf, AnArrayWhoseLastIndexIsNotA32BitNumberIsRefused) {
    auto dtmf = make<IPlayDTMFMsg>(MessageClass::PlayDTMFMsg);
    const auto array = com::SafeArray::fromBytes(com::ElementType::UI1, Bytes{1, 2}, 0x7FFFFFFF);
    com::setErrorInfo(std::nullopt);
    EXPECT_EQ(dtmf->put_varCodes(Variant(*array)), com::E_INVALIDARG);
    EXPECT_EQ(lastErrorText(), "GetSafeArray failed");
    Variant codes;
    ASSERT_EQ(dtmf->get_varCodes(codes), com::S_OK);
    EXPECT_EQ(codes.get<com::SafeArray>()->count(), 0u);
}

// lDataLen is a settable 32-bit number; the builders that add to it stop at its largest value.
TEST(OutgoingMessages, AddingToTheLargestDataLengthKeepsItThere) {
    constexpr std::int32_t kLargest = 0x7FFFFFFF;
    auto status = make<IStatusMsg>(MessageClass::StatusMsg);
    auto realTime = make<IRealTimeAudioMsg>(MessageClass::RealTimeAudioMsg);
    auto reliable = make<IReliableAudioMsg>(MessageClass::ReliableAudioMsg);
    for (const auto& message :
         {com::query<IJIPMessage>(status), com::query<IJIPMessage>(realTime), com::query<IJIPMessage>(reliable)}) {
        message->put_lDataLen(kLargest - 1);
    }
    EXPECT_EQ(status->AddDevice(1, 2, 3), com::S_OK);
    EXPECT_EQ(realTime->AddFrame(byteArray(Bytes(192, 0xFF)), kFormatMuLaw, 0, 1), com::S_OK);
    EXPECT_EQ(reliable->AddFrame(byteArray(Bytes(192, 0xFF)), kFormatMuLaw, 0, 1), com::S_OK);
    for (const auto& message :
         {com::query<IJIPMessage>(status), com::query<IJIPMessage>(realTime), com::query<IJIPMessage>(reliable)}) {
        std::int32_t length = 0;
        message->get_lDataLen(length);
        EXPECT_EQ(length, kLargest);
    }
}

TEST(RealTimeAudio, AnAdpcmFrameUsesThe196ByteSlotAndRoundTripsItsHeaderWords) {
    auto audio = make<IRealTimeAudioMsg>(MessageClass::RealTimeAudioMsg);
    ASSERT_EQ(audio->InitPacket(), com::S_OK);
    Bytes first(104, 0x11);
    first[0] = 0x01, first[1] = 0x02, first[2] = 0x03, first[3] = 0x04;
    const Bytes second(100, 0x22);
    ASSERT_EQ(audio->AddFrame(byteArray(first), kFormatImaAdpcm, 0, 1), com::S_OK);
    ASSERT_EQ(audio->AddFrame(byteArray(second), kFormatImaAdpcm, 0, 2), com::S_OK);
    Variant v;
    com::query<IJIPMessage>(audio)->get_varData(v);
    const Bytes data = bytesOf(v);
    EXPECT_EQ(Bytes(data.begin() + 14, data.begin() + 18), (Bytes{0x02, 0x01, 0x04, 0x03}));
    EXPECT_EQ(data[10 + 196], kFormatImaAdpcm) << "the second frame's header starts its own slot";
    EXPECT_EQ(data[14 + 196 + 4], 0x22);
    EXPECT_EQ(data[14 + 104], 0) << "the first slot is zero after its data";
    ASSERT_EQ(audio->get_varAudioData(1, v), com::S_OK);
    EXPECT_EQ(bytesOf(v), second);
}

TEST(IncomingMessages, IndexedGettersRefuseIndexesOutsideThePayload) {
    auto call = make<ICallStateControlMsg>(MessageClass::CallStateControlMsg);
    auto leds = make<ILEDMappingMsg>(MessageClass::LEDMappingMsg);
    auto ui = make<IUIStateControlMsg>(MessageClass::UIStateControlMsg);
    Variant mac;
    std::int16_t word = 0;
    std::string line;
    com::setErrorInfo(std::nullopt);
    EXPECT_EQ(call->get_varConfOtherMac(32767, mac), com::E_INVALIDARG);
    EXPECT_EQ(lastErrorText(), "Invalid conference index");
    EXPECT_EQ(call->put_nConfOtherVDN(-1, 5), com::E_INVALIDARG);
    EXPECT_EQ(leds->get_nUnitNo(-1, word), com::E_INVALIDARG);
    EXPECT_EQ(lastErrorText(), "Invalid LED index");
    EXPECT_EQ(leds->put_nResourceGroup(32767, 1), com::E_INVALIDARG);
    EXPECT_EQ(ui->get_sDisplayLine(2, line), com::E_INVALIDARG);
    EXPECT_EQ(lastErrorText(), "Invalid display line");
}

} // namespace
} // namespace kez::linkor
