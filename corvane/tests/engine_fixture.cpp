#include "engine_fixture.h"

#include "jipmsg_oracle.h"
#include "lent_packet.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/jip_message.h"
#include "shared/timing.h"

namespace kez::corvane::test {

void EngineTest::SetUp() {
    timing::setTimeScale(1000);
    com::ClassRegistry::registerInProcess(server());
    ASSERT_EQ(com::ClassRegistry::createAs(kClsidEngine, engine_), com::S_OK);
    auto container = com::query<com::IConnectionPointContainer>(engine_);
    ASSERT_TRUE(container);
    com::Cookie cookie = com::kNoCookie;
    ASSERT_EQ(container->Advise(kIidIEngineEvents, events_, cookie), com::S_OK);
}

void EngineTest::TearDown() {
    if (engine_) engine_->Stop();
    engine_.reset();
    com::ClassRegistry::unregisterInProcess(server());
    timing::setTimeScale(1);
}

void EngineTest::startShared() {
    ASSERT_EQ(engine_->put_bShareWave(com::VARIANT_TRUE), com::S_OK);
    ASSERT_EQ(engine_->Start(), com::S_OK);
}

// The model's system-state payload (date 2026-12-09 18:30:12.345), asked once; the revision is
// its second word.
Bytes systemStatePayload(std::uint16_t revision) {
    static const Bytes model =
        modelPayload("SystemStateMsg", "{'year': 2026, 'month': 12, 'day': 9, 'hour': 18, 'minute': 30, "
                                       "'msInMinute': 12345}");
    Bytes payload = model;
    payload[2] = static_cast<std::uint8_t>(revision >> 8);
    payload[3] = static_cast<std::uint8_t>(revision);
    return payload;
}

com::Ptr<com::Object> EngineTest::received(linkor::MessageClass messageClass, const Bytes& mac, const Bytes& payload,
                                           std::uint16_t headerBits) {
    const bool shortHeader = (headerBits & J5_HBM_SHORT_HEADER) != 0;
    Bytes frame(6, 0xFF);
    frame.insert(frame.end(), mac.begin(), mac.end());
    frame.insert(frame.end(), {0x88, 0xB5, 'H', static_cast<std::uint8_t>(shortHeader ? 'A' : 'R')});
    frame.insert(frame.end(), mac.begin(), mac.end());
    frame.resize(14 + (shortHeader ? J5_SHORT_HEADER_LEN : J5_FULL_HEADER_LEN));
    frame.insert(frame.end(), payload.begin(), payload.end());
    const J5PacketObj packet = linkor::test::lentFromEthernet(frame, headerBits);
    auto message = linkor::makeMessage(messageClass);
    EXPECT_TRUE(message->LoadFromPacket(&packet));
    return message;
}

void EngineTest::hearSystemState(const Bytes& mac, std::uint16_t revision, std::uint16_t headerBits) {
    doubles_.endPoint()->raise(linkor::kDispIdSystemStateReceived, received(linkor::MessageClass::SystemStateMsg, mac,
                                                                            systemStatePayload(revision), headerBits));
}

void EngineTest::hearSetInitOverUdp(const Bytes& mac, const Bytes& ip) {
    constexpr std::int16_t kOverUdp = 0x0071;
    const auto message = linkor::makeMessage(linkor::MessageClass::KzSetInitMsg);
    const auto init = com::query<linkor::IKzSetInitMsg>(message);
    const auto jip = com::query<linkor::IJIPMessage>(message);
    ASSERT_TRUE(init && jip);
    for (const com::HRESULT hr :
         {jip->put_varSourceMac(byteArray(mac)), jip->put_varSourceIP(byteArray(ip)), jip->put_nHeaderBitMap(kOverUdp),
          init->put_nProtocolRevision(static_cast<std::int16_t>(0x80B3)), init->put_nDeviceHandle(7),
          init->put_nControlHeaderBits(kOverUdp), init->put_nStatusUpdatePeriod(5)})
        ASSERT_EQ(hr, com::S_OK);
    doubles_.endPoint()->raise(linkor::kDispIdKzSetInitReceived, message);
}

std::vector<Doubles::Sent> EngineTest::sentOfType(std::uint16_t jipType) const {
    std::vector<Doubles::Sent> matching;
    for (auto& sent : doubles_.sent())
        if (sent.payload.size() >= 2 && (sent.payload[0] << 8 | sent.payload[1]) == jipType) matching.push_back(sent);
    return matching;
}

} // namespace kez::corvane::test
