// A call's audio on its own threads: the engine with the real wave objects on a virtual audio
// device, frames raised on a thread of their own as the endpoint's audio thread raises them,
// recorded frames sent from the record thread, while the engine's thread changes the call.
#include <gtest/gtest.h>

#include <thread>

#include "engine_fixture.h"
#include "eventually.h"
#include "jipmsg_oracle.h"
#include "kez/audio/virtual_audio.h"
#include "real_sonwell.h"
#include "scoped_audio_devices.h"

namespace kez::corvane::test {
namespace {

const Bytes kParty{2, 0, 0, 0, 0, 0x21}, kOtherParty{2, 0, 0, 0, 0, 0x22};
constexpr std::uint8_t kPartyVdnHigh = 0x01, kPartyVdnLow = 0x05;

class EngineCallTest : public EngineTest {
protected:
    com::Ptr<com::Object> callTo(const Bytes& party, int type = 1) {
        return received(
            linkor::MessageClass::CallStateControlMsg, kServerMac,
            modelPayload("CallStateControlMsg",
                         "{'nDeviceHandle': 3, 'nAudioConnType1': " + std::to_string(type) +
                             ", 'nAudioDirection1': 3, 'nAudioHdrBits1': 9, 'nCompressionInfo1': 1, "
                             "'nAudioFramesPerPacket1': 1, 'nMulticastHash1': 64, 'nOtherPartyVDN1': 0x105, "
                             "'varOtherPartyMac1': [" +
                             std::to_string(party[0]) + ", 0, 0, 0, 0, " + std::to_string(party[5]) + "]}"));
    }
    // One loud mu-law frame from the party's device.
    static com::Ptr<com::Object> frameFromParty(std::uint16_t seq) {
        Bytes payload{0x80,
                      0xB3,
                      0,
                      0,
                      0,
                      2,
                      kPartyVdnHigh,
                      kPartyVdnLow,
                      0,
                      1,
                      1,
                      0,
                      static_cast<std::uint8_t>(seq >> 8),
                      static_cast<std::uint8_t>(seq)};
        payload.resize(206, 0x80);
        return received(linkor::MessageClass::RealTimeAudioMsg, kParty, payload, 0x0009);
    }
    std::size_t sentTo(const Bytes& mac) const {
        const auto sent = doubles_.sent();
        return static_cast<std::size_t>(
            std::count_if(sent.begin(), sent.end(), [&](const auto& s) { return s.destMac == mac; }));
    }

    const kez::test::ScopedAudioDevices devices_{"virtual:set"};
    const RealSonwell sonwell_;
};

TEST_F(EngineCallTest, FramesArriveAndGoOutWhileTheCallChanges) {
    engine_->put_varVuruvMac(byteArray(kServerMac));
    engine_->put_nProtocolRevision(static_cast<std::int16_t>(0x80B3));
    ASSERT_EQ(engine_->Start(), com::S_OK);
    hearSystemState(kServerMac);
    const auto endPoint = doubles_.endPoint();
    endPoint->raise(linkor::kDispIdKzSetCallStateControlReceived, callTo(kParty));
    ASSERT_TRUE(kez::test::eventually([&] { return sentTo(kParty) > 0; }));
    std::thread audioThread([&] {
        for (std::uint16_t seq = 0; seq < 150; ++seq) {
            endPoint->raise(linkor::kDispIdAudioReceived, frameFromParty(seq));
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
    });
    // The destination moves, to a reliable call and back, while frames come and go.
    const std::pair<const Bytes*, int> calls[] = {{&kOtherParty, 1}, {&kParty, 2}, {&kParty, 1}, {&kOtherParty, 1}};
    for (const auto& [party, type] : calls) {
        const std::size_t before = sentTo(*party);
        endPoint->raise(linkor::kDispIdKzSetCallStateControlReceived, callTo(*party, type));
        EXPECT_TRUE(kez::test::eventually([&] {
            pump();
            return sentTo(*party) > before;
        }));
    }
    audioThread.join();
    pump();
    const auto played = audio::virtualDevice("set")->played();
    EXPECT_TRUE(std::any_of(played.begin(), played.end(), [](std::uint8_t b) { return b != 0; }));
    endPoint->raise(linkor::kDispIdKzSetCallStateControlReceived, callTo(kParty, 0));
    EXPECT_EQ(engine_->Stop(), com::S_OK);
}

// On an engine that is not started: recorded mu-law to one MAC, and its frames played.
TEST_F(EngineTest, TheDiagnosticAudioSendsToItsMacAndPlaysWhatComesFromIt) {
    const Bytes peer{2, 0, 0, 0, 0, 0x44};
    ASSERT_EQ(engine_->StartAudioSend(byteArray(peer)), com::S_OK);
    EXPECT_EQ(doubles_.log.callsStartingWith("WaveRecord.Record"), std::vector<std::string>{"WaveRecord.Record 1"});
    const auto record = std::dynamic_pointer_cast<FakeWaveRecord>(doubles_.waveRecord());
    record->sinks().fire([](sonwell::_IWaveRecordEvents& sink) { return sink.DataReady(byteArray(Bytes(192, 0x55))); });
    ASSERT_EQ(doubles_.sent().size(), 1U);
    EXPECT_EQ(doubles_.sent()[0].destMac, peer);
    EXPECT_EQ(doubles_.sent()[0].headerBits, 0x0009);
    ASSERT_EQ(engine_->StartAudioReceive(byteArray(peer), 0), com::S_OK);
    EXPECT_EQ(doubles_.log.callsStartingWith("EndPoint.Open").size(), 1U) << "one endpoint serves both";
    Bytes frame{0x80, 0xB3, 0, 0, 0, 2, 0, 2, 0, 1, 1, 0, 0, 7};
    frame.resize(206, 0x80);
    doubles_.endPoint()->raise(linkor::kDispIdAudioReceived,
                               received(linkor::MessageClass::RealTimeAudioMsg, peer, frame, 0x0009));
    EXPECT_EQ(doubles_.log.callsStartingWith("WavePlay.AddBuffer").size(), 1U);
    EXPECT_EQ(engine_->StopAudioReceive(), com::S_OK);
    EXPECT_EQ(engine_->StopAudioSend(), com::S_OK);
    EXPECT_EQ(doubles_.log.callsStartingWith("EndPoint.Close").size(), 1U);
    startShared();
    EXPECT_EQ(engine_->StartAudioSend(byteArray(peer)), com::E_UNEXPECTED)
        << "the running set's endpoint stays its own";
    EXPECT_EQ(engine_->StartAudioReceive(byteArray(peer), 0), com::E_UNEXPECTED);
}

} // namespace
} // namespace kez::corvane::test
