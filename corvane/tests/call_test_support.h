#pragma once
// The call handlers against a fake engine: a play object whose streams have handles, fill
// levels and a record of what they were given, a record object that notes its sizes, the
// endpoint double that keeps what was sent, and the real message classes.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "call/call_audio.h"
#include "control_test_support.h"
#include "corvane/errors.h"
#include "wave_doubles.h"

namespace kez::corvane::test {

class StreamPlay final : public FakeWavePlay {
public:
    using FakeWavePlay::FakeWavePlay;
    std::map<std::int32_t, std::int32_t> buffered; // samples by stream
    std::set<std::int32_t> silent;                 // streams with nothing to play
    // The next stream made is 1 again.
    void restartHandles() {
        lastStream_ = 0;
        silent.clear();
    }

    HRESULT CreateStream(std::int16_t code, std::int16_t comfort, std::int32_t& stream) override {
        return made("CreateStream", code, comfort, stream);
    }
    HRESULT CreateReliableStream(std::int16_t code, std::int32_t samples, std::int32_t& stream) override {
        return made("CreateReliableStream", code, samples, stream);
    }
    HRESULT AddBuffer(std::int32_t stream, const Variant&, std::int16_t seq) override {
        return on("AddBuffer", stream, seq);
    }
    HRESULT AddSilence(std::int32_t stream, std::int16_t seq) override { return on("AddSilence", stream, seq); }
    HRESULT AddComfort(std::int32_t stream, std::int16_t seq) override { return on("AddComfort", stream, seq); }
    HRESULT DeleteStream(std::int32_t stream) override { return call("DeleteStream", std::to_string(stream)); }
    HRESULT DeactivateStream(std::int32_t stream) override { return call("DeactivateStream", std::to_string(stream)); }
    HRESULT bIsActive(std::int32_t stream, VariantBool& active) override {
        active = com::toVariantBool(!silent.contains(stream));
        return com::S_OK;
    }
    HRESULT get_lSamplesBuffered(std::int32_t stream, std::int32_t& samples) override {
        samples = buffered[stream];
        return com::S_OK;
    }

private:
    HRESULT made(const std::string& member, std::int32_t a, std::int32_t b, std::int32_t& stream) {
        const HRESULT hr = call(member, std::to_string(a) + " " + std::to_string(b));
        if (com::SUCCEEDED(hr)) stream = ++lastStream_;
        return hr;
    }
    HRESULT on(const std::string& member, std::int32_t stream, std::int16_t seq) {
        return call(member, std::to_string(stream) + " " + std::to_string(seq));
    }
    std::int32_t lastStream_ = 0;
};

// Notes the sizes and the silence detection it is given.
class SizedRecord final : public FakeWaveRecord {
public:
    using FakeWaveRecord::FakeWaveRecord;
    HRESULT put_lCaptureLen(std::int32_t v) override { return call("put_lCaptureLen", std::to_string(v)); }
    HRESULT put_lSendLen(std::int32_t v) override { return call("put_lSendLen", std::to_string(v)); }
    HRESULT put_bDetectSilence(VariantBool v) override { return call("put_bDetectSilence", std::to_string(v)); }
};

struct FakeCall final : FakeControl, CallServices {
    com::Ptr<sonwell::IWavePlay> play;
    com::Ptr<sonwell::IWaveRecord> record;
    com::Ptr<linkor::IEndPoint> endPointObject;
    std::int16_t alertMode = 0;
    bool discoveryRuns = false;

    com::Ptr<sonwell::IWavePlay> playObject() const override { return play; }
    com::Ptr<sonwell::IWaveRecord> recordObject() const override { return record; }
    com::Ptr<linkor::IEndPoint> endPoint() const override { return endPointObject; }
    std::int16_t keptAlertMode() const override { return alertMode; }
    bool discovering() const override { return discoveryRuns; }
    bool loopToSpeaker(const Variant&, bool, std::uint16_t) override { return false; }
    HRESULT openDiagnosticEndPoint(bool) override { return call("diagnostic endpoint"); }
    HRESULT closeEndPoint() override { return call("close endpoint"); }
    void closePlayDevice() override { log.push_back("close play"); }
    void closeRecordDevice() override { log.push_back("close record"); }
};

inline const Bytes kCallServerMac{2, 0, 0, 0, 0, 9};
inline const Bytes kPartyMac{2, 0, 0, 0, 0, 0x21};
inline const Bytes kPartyIp{198, 18, 0, 33};
inline constexpr std::int16_t kPartyVdn = 0x0105;
inline constexpr std::int16_t kCallRevision = static_cast<std::int16_t>(0x80B3);

// A bound engine's call handlers with the doubles in place.
class CallTest : public ::testing::Test {
protected:
    CallTest();

    // A real-time call both ways with the party, mu-law, on Ethernet audio packets.
    static CallStateMessage call(std::int16_t type = kRealTimeAudio, std::int16_t direction = 3,
                                 std::int16_t compression = 1);
    // `frames` recorded frames, silent or not.
    void record(int frames, bool silence = false);
    // Real-time audio from the party with frames of these flags, numbered from `first`.
    static ReceivedAudio audioFrom(const Bytes& mac, std::int16_t vdn, std::int16_t format,
                                   const std::vector<std::int16_t>& flags, std::int16_t first = 0);
    std::vector<std::string> calls(const std::string& prefix) const { return doubles_.log.callsStartingWith(prefix); }
    // What was sent since the last forgetSent.
    std::vector<Doubles::Sent> sent() const;
    void forgetSent() { forgotten_ = doubles_.sent().size(); }
    // The payloads sent of JIP message type `type` ("HR" packets), or of real-time audio (0).
    std::vector<Bytes> sentOfType(std::uint16_t type) const;

    Doubles doubles_;
    std::shared_ptr<StreamPlay> play_ = std::make_shared<StreamPlay>(doubles_.log);
    std::shared_ptr<SizedRecord> record_ = std::make_shared<SizedRecord>(doubles_.log);
    std::shared_ptr<FakeEndPoint> endPoint_ = std::make_shared<FakeEndPoint>(doubles_);
    EngineState state_;
    FakeCall services_;
    CallAudio audio_{state_, services_};

private:
    std::size_t forgotten_ = 0;
};

// Big-endian word `at` of `bytes`.
inline std::uint16_t wordAt(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes.at(at) << 8 | bytes.at(at + 1));
}

} // namespace kez::corvane::test
