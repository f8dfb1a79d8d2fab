#pragma once
// An engine made by class identifier on this thread, the doubles in place of its endpoint and
// wave objects, and a recorder advised on its events.
#include <gtest/gtest.h>

#include "corvane/engine.h"
#include "corvane/server.h"
#include "engine_doubles.h"
#include "kez/apt/apartment.h"
#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "linkor/message_factory.h"
#include "wave_doubles.h"

namespace kez::corvane::test {

// The doubles' calls as the engine opens its play object with the default settings.
inline const std::vector<std::string> kPlayOpening{"WavePlay.Advise",
                                                   "WavePlay.put_lBufferDelay 5",
                                                   "WavePlay.put_lBufferMultiplier 1",
                                                   "WavePlay.put_lSampleSize 192",
                                                   "WavePlay.put_nAdapter -1",
                                                   "WavePlay.put_nCountry 1",
                                                   "WavePlay.put_nToneStrength 100",
                                                   "WavePlay.Open",
                                                   "WavePlay.StartStreaming"};

// And its record object, with the mixer set-up flag it is given ("0" or "-1").
inline std::vector<std::string> recordOpening(const char* autoSetupMixer) {
    return {"WaveRecord.Advise",
            "WaveRecord.put_bUseThread -1",
            std::string("WaveRecord.put_bAutoSetupMixer ") + autoSetupMixer,
            "WaveRecord.put_nAdapter -1",
            "WaveRecord.put_nNoiseFloor 50",
            "WaveRecord.Open"};
}

inline std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

inline const Bytes kServerMac{0x02, 0x53, 0x49, 0x4d, 0x00, 0x01};
inline const Bytes kOtherServerMac{0x02, 0x53, 0x49, 0x4d, 0x00, 0x02};
inline const Bytes kServerIp{198, 18, 0, 2};
inline const Bytes kUnboundDestination{0x02, 0x5A, 0x4E, 0x00, 0x00, 0x00};
// The date every system-state message of the tests carries, as the event recorder writes it.
inline const std::string kHeardDate = "2026-12-09 18:30:12.345";

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void pump() { apt::Apartment::current().dispatchPending(); }
    // Start with the audio hardware shared, so nothing opens the wave objects.
    void startShared();
    // A message of `messageClass` as Linkor makes it from a frame: `payload` from `mac`, on a
    // short header when `headerBits` say so.
    static com::Ptr<com::Object> received(linkor::MessageClass messageClass, const Bytes& mac, const Bytes& payload,
                                          std::uint16_t headerBits = 0x0011);
    // A system-state message from `mac`, raised by the endpoint.
    void hearSystemState(const Bytes& mac, std::uint16_t revision = 0x80B3, std::uint16_t headerBits = 0x0011);
    // A set initialisation over UDP from the call server at `mac` and `ip` (revision 0x80B3,
    // device handle 7, the IP transport's control bits), raised by the endpoint.
    void hearSetInitOverUdp(const Bytes& mac, const Bytes& ip);
    std::vector<Doubles::Sent> sentOfType(std::uint16_t jipType) const;

    Doubles doubles_;
    com::Ptr<IEngine> engine_;
    com::Ptr<EventRecorder> events_ = std::make_shared<EventRecorder>();
};

} // namespace kez::corvane::test
