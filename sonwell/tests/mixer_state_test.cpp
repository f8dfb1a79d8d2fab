// Mixer capture, restore and microphone set-up on scripted virtual mixers, and one round trip
// through the private PulseAudio server's mixer.
#include "sonwell/mixer_state.h"

#include "kez/audio/virtual_audio.h"
#include "kez/reg/registry.h"

#include "audio_server.h"
#include "privileged.h"
#include "scoped_audio_devices.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

namespace kez::sonwell {
namespace {

using audio::ControlKind;
using audio::LineKind;
using audio::MixerControl;
using audio::MixerLine;
using audio::Result;

constexpr std::uint32_t kSpeakerVolume = 0x1A0, kSpeakerMute = 0x1A1, kWaveVolume = 0x2B0, kSelector = 0x30,
                        kLineVolume = 0x40, kMicVolume = 0x50, kMicMute = 0x51;

MixerControl control(std::uint32_t id, ControlKind kind, bool uniform, std::int32_t maximum) {
    MixerControl c;
    c.id = id;
    c.kind = kind;
    c.uniform = uniform;
    c.maximum = maximum;
    c.steps = static_cast<std::uint32_t>(maximum);
    return c;
}

// A sound card's mixer as the telephone expects one: speakers with a wave source, and a
// recording input with a selector over line, microphone and CD.
void script(audio::VirtualMixer& mixer) {
    mixer.addDestination({"Speakers",
                          LineKind::Speakers,
                          2,
                          {control(kSpeakerVolume, ControlKind::Volume, false, 65535),
                           control(kSpeakerMute, ControlKind::Mute, true, 1)}});
    mixer.addSource(0, {"Wave", LineKind::Other, 2, {control(kWaveVolume, ControlKind::Volume, true, 65535)}});
    auto selector = control(kSelector, ControlKind::Mux, true, 1);
    selector.items = 3;
    selector.itemNames = {"Line In", "microphone", "CD"};
    mixer.addDestination({"Wave In", LineKind::WaveIn, 2, {selector}});
    mixer.addSource(1, {"Line In", LineKind::Other, 2, {control(kLineVolume, ControlKind::Volume, false, 100)}});
    mixer.addSource(
        1, {"Mic",
            LineKind::Microphone,
            1,
            {control(kMicVolume, ControlKind::Volume, true, 100), control(kMicMute, ControlKind::Mute, true, 1)}});
}

std::vector<std::int32_t> valuesOf(audio::VirtualMixer& mixer, std::uint32_t id) {
    std::vector<std::int32_t> values;
    EXPECT_EQ(mixer.getValues(id, values), Result::Ok);
    return values;
}

class MixerStateTest : public ::testing::Test {
protected:
    MixerStateTest()
        : devices_("virtual:Card0,virtual:Card1"), card0_(audio::virtualDevice("Card0")),
          card1_(audio::virtualDevice("Card1")) {
        script(card0_->mixer());
        script(card1_->mixer());
    }
    ~MixerStateTest() override {
        reg::setReadOnly(reg::Hive::LocalMachine, false);
        reg::setReadOnly(reg::Hive::CurrentUser, false);
    }

    static reg::Status readValue(reg::Hive hive, const std::string& path, const std::string& name, reg::Value& out) {
        reg::Key key;
        const auto opened = reg::Key::open(hive, path, reg::Access::Read, key);
        return opened == reg::Status::Ok ? key.queryValue(name, out) : opened;
    }

    test::ScopedRegistry registry_;
    test::ScopedAudioDevices devices_;
    std::shared_ptr<audio::VirtualDevice> card0_;
    std::shared_ptr<audio::VirtualDevice> card1_;
};

TEST_F(MixerStateTest, CaptureWritesOneKeyPerMixerLineWithHexNamedValuesOfTheControlsSize) {
    ASSERT_EQ(card1_->mixer().setValues(kSpeakerVolume, std::vector<std::int32_t>{0x1234, -2}), Result::Ok);
    ASSERT_TRUE(CaptureMixerData("X").succeeded());
    struct Expected {
        std::string path;
        std::string name;
        std::size_t bytes;
    };
    const Expected table[] = {
        {"X\\0\\0", "1a0", 8},   {"X\\0\\0", "1a1", 4},   {"X\\0\\0\\0", "2b0", 4}, {"X\\0\\1", "30", 12},
        {"X\\0\\1\\0", "40", 8}, {"X\\0\\1\\1", "50", 4}, {"X\\1\\0", "1a0", 8},    {"X\\1\\1\\1", "51", 4},
    };
    for (const auto& row : table) {
        reg::Value value;
        ASSERT_EQ(readValue(reg::Hive::LocalMachine, row.path, row.name, value), reg::Status::Ok) << row.path;
        EXPECT_EQ(value.type, reg::Type::Binary);
        EXPECT_EQ(value.bytes.size(), row.bytes) << row.path << " " << row.name;
    }
    reg::Value volume;
    ASSERT_EQ(readValue(reg::Hive::LocalMachine, "X\\1\\0", "1a0", volume), reg::Status::Ok);
    EXPECT_EQ(volume.bytes, (std::vector<std::uint8_t>{0x34, 0x12, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_F(MixerStateTest, RestorePutsBackWhatWasCaptured) {
    auto& mixer = card0_->mixer();
    ASSERT_EQ(mixer.setValues(kSpeakerVolume, std::vector<std::int32_t>{100, 200}), Result::Ok);
    ASSERT_EQ(mixer.setValues(kSelector, std::vector<std::int32_t>{0, 0, 1}), Result::Ok);
    ASSERT_TRUE(CaptureMixerData("Saved").succeeded());
    ASSERT_EQ(mixer.setValues(kSpeakerVolume, std::vector<std::int32_t>{7, 7}), Result::Ok);
    ASSERT_EQ(mixer.setValues(kSelector, std::vector<std::int32_t>{1, 0, 0}), Result::Ok);
    ASSERT_EQ(mixer.setValues(kMicVolume, std::vector<std::int32_t>{55}), Result::Ok);
    ASSERT_TRUE(RestoreMixerData("Saved").succeeded());
    EXPECT_EQ(valuesOf(mixer, kSpeakerVolume), (std::vector<std::int32_t>{100, 200}));
    EXPECT_EQ(valuesOf(mixer, kSelector), (std::vector<std::int32_t>{0, 0, 1}));
    EXPECT_EQ(valuesOf(mixer, kMicVolume), (std::vector<std::int32_t>{0}));
}

TEST_F(MixerStateTest, RestoreOfAKeyNeverCapturedChangesNothing) {
    ASSERT_EQ(card0_->mixer().setValues(kMicVolume, std::vector<std::int32_t>{42}), Result::Ok);
    EXPECT_TRUE(RestoreMixerData("Never").succeeded());
    EXPECT_EQ(valuesOf(card0_->mixer(), kMicVolume), (std::vector<std::int32_t>{42}));
}

TEST_F(MixerStateTest, ReadOnlyMachineHiveSendsTheStateToTheUserHive) {
    reg::setReadOnly(reg::Hive::LocalMachine, true);
    ASSERT_EQ(card0_->mixer().setValues(kMicVolume, std::vector<std::int32_t>{30}), Result::Ok);
    ASSERT_TRUE(CaptureMixerData("U").succeeded());
    reg::Value value;
    EXPECT_EQ(readValue(reg::Hive::CurrentUser, "U\\0\\1\\1", "50", value), reg::Status::Ok);
    EXPECT_NE(readValue(reg::Hive::LocalMachine, "U\\0", "", value), reg::Status::Ok);
    ASSERT_EQ(card0_->mixer().setValues(kMicVolume, std::vector<std::int32_t>{90}), Result::Ok);
    ASSERT_TRUE(RestoreMixerData("U").succeeded());
    EXPECT_EQ(valuesOf(card0_->mixer(), kMicVolume), (std::vector<std::int32_t>{30}));

    reg::setReadOnly(reg::Hive::CurrentUser, true);
    const auto refused = CaptureMixerData("V");
    EXPECT_EQ(refused.hr, com::makeHresult(0x80070005));
    EXPECT_EQ(refused.text, "Open failure on device registry key");
}

TEST_F(MixerStateTest, StoredValuesOfAnotherSizeAndRefusedControlsAreSkipped) {
    ASSERT_TRUE(CaptureMixerData("S").succeeded());
    reg::Key key;
    ASSERT_EQ(reg::Key::open(reg::Hive::LocalMachine, "S\\0\\0", reg::Access::ReadWrite, key), reg::Status::Ok);
    const std::vector<std::uint8_t> longer(12, 1), shorter(4, 1);
    ASSERT_EQ(key.setValue("1a0", reg::Type::Binary, longer), reg::Status::Ok);
    ASSERT_EQ(key.setValue("1a1", reg::Type::Binary, std::vector<std::uint8_t>{1, 0, 0, 0}), reg::Status::Ok);
    ASSERT_EQ(reg::Key::open(reg::Hive::LocalMachine, "S\\0\\1\\0", reg::Access::ReadWrite, key), reg::Status::Ok);
    ASSERT_EQ(key.setValue("40", reg::Type::Binary, shorter), reg::Status::Ok);
    card0_->mixer().failControl(kWaveVolume, Result::Error);
    ASSERT_TRUE(RestoreMixerData("S").succeeded());
    EXPECT_EQ(valuesOf(card0_->mixer(), kSpeakerVolume), (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(valuesOf(card0_->mixer(), kLineVolume), (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(valuesOf(card0_->mixer(), kSpeakerMute), (std::vector<std::int32_t>{1}));
}

TEST_F(MixerStateTest, UnreadableLinesAndMachinesWithoutMixersAreSkipped) {
    card0_->mixer().failLine(1, -1, Result::Error);
    card0_->mixer().failLine(0, 0, Result::Error);
    ASSERT_TRUE(CaptureMixerData("L").succeeded());
    reg::Value value;
    EXPECT_EQ(readValue(reg::Hive::LocalMachine, "L\\0\\0", "1a0", value), reg::Status::Ok);
    EXPECT_NE(readValue(reg::Hive::LocalMachine, "L\\0\\0\\0", "2b0", value), reg::Status::Ok);
    EXPECT_NE(readValue(reg::Hive::LocalMachine, "L\\0\\1", "30", value), reg::Status::Ok);

    const test::ScopedAudioDevices bare("virtual:Plain");
    EXPECT_TRUE(CaptureMixerData("None").succeeded());
    EXPECT_TRUE(RestoreMixerData("None").succeeded());
    const test::ScopedAudioDevices nothing("");
    EXPECT_TRUE(CaptureMixerData("None").succeeded());
}

TEST_F(MixerStateTest, MicrophoneSetUpSelectsAndUnmutesTheMicrophone) {
    auto& mixer = card1_->mixer();
    ASSERT_EQ(mixer.setValues(kMicMute, std::vector<std::int32_t>{1}), Result::Ok);
    ASSERT_EQ(mixer.setValues(kSelector, std::vector<std::int32_t>{1, 0, 1}), Result::Ok);
    MicrophoneLine line;
    ASSERT_TRUE(SetUpMicrophone(1, line).succeeded());
    ASSERT_NE(line.mixer, nullptr);
    EXPECT_EQ(line.volume.id, kMicVolume);
    EXPECT_EQ(line.channels, 1u);
    EXPECT_EQ(valuesOf(mixer, kMicMute), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(valuesOf(mixer, kSelector), (std::vector<std::int32_t>{0, 1, 0}));
    EXPECT_EQ(valuesOf(card0_->mixer(), kSelector), (std::vector<std::int32_t>{0, 0, 0})) << "mixer 0 untouched";

    ASSERT_TRUE(SetUpMicrophone(7, line).succeeded()) << "an unknown mixer falls back to mixer 0";
    EXPECT_EQ(valuesOf(card0_->mixer(), kSelector), (std::vector<std::int32_t>{0, 1, 0}));
}

TEST_F(MixerStateTest, MicrophoneSetUpFailuresCarryTheirTexts) {
    struct Case {
        const char* name;
        void (*arrange)(audio::VirtualMixer&);
        com::HRESULT hr;
        const char* text;
    };
    const Case cases[] = {
        {"recording line unreadable", [](auto& m) { m.failLine(1, -1, Result::NoDriver); },
         com::makeHresult(0x80042006), "GetLineInfo failure on mixer: Dest Wavein"},
        {"source unreadable", [](auto& m) { m.failLine(1, 0, Result::InvalidLine); }, com::makeHresult(0x80042400),
         "GetLineInfo failure on mixer: Mike Source"},
        {"selector unreadable", [](auto& m) { m.failControl(kSelector, Result::Error); }, com::makeHresult(0x80042001),
         "GetControlDetails failure on mixer"},
        {"mute refused", [](auto& m) { m.failControl(kMicMute, Result::Error); }, com::makeHresult(0x80042001),
         "SetControlDetails failure on mixer"},
    };
    for (const auto& c : cases) {
        const test::ScopedAudioDevices fresh("virtual:Card");
        auto device = audio::virtualDevice("Card");
        script(device->mixer());
        c.arrange(device->mixer());
        MicrophoneLine line;
        const auto outcome = SetUpMicrophone(-1, line);
        EXPECT_EQ(outcome.hr, c.hr) << c.name;
        EXPECT_EQ(outcome.text, c.text) << c.name;
        EXPECT_EQ(line.mixer, nullptr) << c.name;
    }
}

TEST_F(MixerStateTest, MicrophoneSetUpWithoutMicrophoneOrItsVolume) {
    const test::ScopedAudioDevices fresh("virtual:NoMic,virtual:NoVolume");
    auto noMic = audio::virtualDevice("NoMic");
    noMic->mixer().addDestination({"Wave In", LineKind::WaveIn, 1, {}});
    noMic->mixer().addSource(0, {"Line In", LineKind::Other, 1, {control(1, ControlKind::Volume, true, 9)}});
    auto noVolume = audio::virtualDevice("NoVolume");
    noVolume->mixer().addDestination({"Wave In", LineKind::WaveIn, 1, {}});
    noVolume->mixer().addSource(0, {"Mic", LineKind::Microphone, 1, {control(2, ControlKind::Mute, true, 1)}});
    MicrophoneLine line;
    const auto missing = SetUpMicrophone(0, line);
    EXPECT_EQ(missing.hr, kWaveGeneralError);
    EXPECT_EQ(missing.text, "Could not find microphone source");
    const auto noControl = SetUpMicrophone(1, line);
    EXPECT_EQ(noControl.hr, com::makeHresult(0x80042401));
    EXPECT_EQ(noControl.text, "GetLineControls failure on mixer for volume");

    const test::ScopedAudioDevices none("virtual:Plain");
    EXPECT_TRUE(SetUpMicrophone(-1, line).succeeded()) << "works without a mixer";
    EXPECT_EQ(line.mixer, nullptr);
}

TEST(PulseMixerStateTest, CaptureAndRestoreRoundTripThroughTheServersMixer) {
    test::PulseServer server;
    if (!server.start()) KEZ_SKIP_OR_FAIL(server.error());
    test::ScopedRegistry registry;
    const std::string sink = test::PulseServer::kSink;
    ASSERT_TRUE(server.pactl({"set-sink-volume", sink, "40%"}).ok());
    ASSERT_TRUE(CaptureMixerData("SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\MixerInternal").succeeded());
    ASSERT_TRUE(server.pactl({"set-sink-volume", sink, "90%"}).ok());
    ASSERT_TRUE(server.pactl({"set-sink-mute", sink, "1"}).ok());
    ASSERT_TRUE(RestoreMixerData("SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\MixerInternal").succeeded());
    const auto volume = server.pactl({"get-sink-volume", sink});
    EXPECT_NE(volume.out.find("40%"), std::string::npos) << volume.out;
    EXPECT_NE(server.pactl({"get-sink-mute", sink}).out.find("no"), std::string::npos);

    MicrophoneLine line;
    EXPECT_TRUE(SetUpMicrophone(-1, line).succeeded()) << "the server's Capture line is the microphone";
    EXPECT_NE(line.mixer, nullptr);
}

} // namespace
} // namespace kez::sonwell
