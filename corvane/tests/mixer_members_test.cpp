// The mixer members and device lists against the doubles: each goes to the open wave object,
// or to one made for the call and never opened, and names its creation failure.
#include <gtest/gtest.h>

#include "kez/com/safe_array.h"
#include "local_audio_test_support.h"

namespace kez::corvane::test {
namespace {

struct MixerCase {
    const char* name;
    const char* wave; // the class the member uses
    std::function<HRESULT(IEngine&)> call;
    std::string logged;
    std::string createFailure;
};

const std::vector<MixerCase> kMixerCases{
    {"capture", "WavePlay", [](IEngine& e) { return e.CaptureMixerState("Mixer"); }, "WavePlay.CaptureMixerData Mixer",
     "WavePlay object create failure"},
    {"restore", "WavePlay", [](IEngine& e) { return e.RestoreMixerState("Mixer"); }, "WavePlay.RestoreMixerData Mixer",
     "WavePlay object create failure"},
    {"play devices", "WavePlay",
     [](IEngine& e) {
         com::Variant v;
         const HRESULT hr = e.get_varPlayAdapters(v);
         return com::SUCCEEDED(hr) && v.get<com::SafeArray>()->textAt(0) != "Fake Speaker" ? com::E_UNEXPECTED : hr;
     },
     "WavePlay.get_varAdapters", "WavePlay object create failure"},
    {"record devices", "WaveRecord",
     [](IEngine& e) {
         com::Variant v;
         const HRESULT hr = e.get_varRecordAdapters(v);
         return com::SUCCEEDED(hr) && v.get<com::SafeArray>()->textAt(0) != "Fake Microphone" ? com::E_UNEXPECTED : hr;
     },
     "WaveRecord.get_varAdapters", "WaveRecord object create failure"},
};

TEST_F(LocalAudioTest, MixerAndDeviceListsUseATemporaryObjectWhileTheirsIsClosed) {
    for (const auto& c : kMixerCases) {
        doubles_.log.clear();
        EXPECT_EQ(c.call(*engine_), com::S_OK) << c.name;
        EXPECT_EQ(doubles_.log.calls(), std::vector<std::string>{c.logged}) << c.name << ": made, asked, never opened";
    }
}

TEST_F(LocalAudioTest, MixerAndDeviceListsUseTheOpenObject) {
    ASSERT_EQ(engine_->ButtonDown(1), com::E_UNEXPECTED) << "opens both objects, then finds no endpoint";
    const auto open = std::make_pair(doubles_.wavePlay(), doubles_.waveRecord());
    for (const auto& c : kMixerCases) {
        doubles_.log.clear();
        EXPECT_EQ(c.call(*engine_), com::S_OK) << c.name;
        EXPECT_EQ(doubles_.log.calls(), std::vector<std::string>{c.logged}) << c.name;
    }
    EXPECT_EQ(std::make_pair(doubles_.wavePlay(), doubles_.waveRecord()), open) << "no other object was made";
}

TEST_F(LocalAudioTest, MixerAndDeviceListsNameTheirFailures) {
    doubles_.refuse = {"WavePlay", "WaveRecord"};
    for (const auto& c : kMixerCases) {
        EXPECT_EQ(c.call(*engine_), com::E_OUTOFMEMORY) << c.name;
        EXPECT_EQ(lastError(), c.createFailure) << c.name;
    }
    doubles_.refuse.clear();
    for (const auto& c : kMixerCases) {
        const std::string member = c.logged.substr(0, c.logged.find(' '));
        doubles_.log.failOn(member, com::E_INVALIDARG);
        EXPECT_EQ(c.call(*engine_), com::E_INVALIDARG) << c.name;
        EXPECT_EQ(lastError(), member + " failed") << c.name;
    }
}

} // namespace
} // namespace kez::corvane::test
