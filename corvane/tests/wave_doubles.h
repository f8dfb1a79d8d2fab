#pragma once
// Doubles of the play and record objects: every call is recorded in the shared log (and fails
// when told to); their events are advised through the connection-point container.
#include <limits>
#include <string>
#include <tuple>

#include "engine_doubles.h"
#include "kez/com/array_routines.h"
#include "kez/com/connection_point_container.h"
#include "kez/com/safe_array.h"
#include "sonwell/wave_play.h"
#include "sonwell/wave_record.h"

namespace kez::corvane::test {

template <class Sink>
class WaveDoubleBase : public virtual com::Object {
public:
    WaveDoubleBase(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    // Raises events to the advised sinks.
    com::ConnectionPoint<Sink>& sinks() { return events_; }

protected:
    com::HRESULT call(const std::string& member, const std::string& arguments = {}) {
        return log_.record(name_ + "." + member, arguments);
    }
    com::HRESULT advise(const com::Guid& iid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) {
        if (const auto hr = call("Advise"); com::FAILED(hr)) return hr;
        return com::adviseOnly(events_, iid, sink, cookie);
    }
    com::HRESULT unadvise(const com::Guid& iid, com::Cookie cookie) {
        call("Unadvise");
        return com::unadviseOnly(events_, iid, cookie);
    }

    CallLog& log_;
    std::string name_;
    com::ConnectionPoint<Sink> events_;
};

// Joins the arguments with spaces, as the log shows them.
template <class... Values>
std::string argumentsOf(const Values&... values) {
    std::string text;
    ((text += (text.empty() ? "" : " ") + std::to_string(values)), ...);
    return text;
}

class FakeWavePlay : public com::Implements<sonwell::IWavePlay, com::IConnectionPointContainer>,
                     public WaveDoubleBase<sonwell::_IWavePlayEvents> {
public:
    explicit FakeWavePlay(CallLog& log) : WaveDoubleBase(log, "WavePlay") {}
    std::int32_t activeStreams = 0;
    // How many asks of bIsActive answer that the stream plays; after them it has ended.
    std::int32_t activeAnswers = std::numeric_limits<std::int32_t>::max();
    // The format and samples of the last wave played.
    Variant waveFormat, waveSamples;

    HRESULT Open() override { return call("Open"); }
    HRESULT Close() override { return call("Close"); }
    HRESULT AddBuffer(std::int32_t stream, const Variant&, std::int16_t sequence) override {
        return call("AddBuffer", argumentsOf(stream, sequence));
    }
    HRESULT CreateStream(std::int16_t code, std::int16_t comfort, std::int32_t& stream) override {
        return made(call("CreateStream", argumentsOf(code, comfort)), stream);
    }
    HRESULT DeleteStream(std::int32_t stream) override { return call("DeleteStream", std::to_string(stream)); }
    HRESULT get_lBufferDelay(std::int32_t&) override { return call("get_lBufferDelay"); }
    HRESULT put_lBufferDelay(std::int32_t v) override { return call("put_lBufferDelay", std::to_string(v)); }
    HRESULT AddSilence(std::int32_t stream, std::int16_t sequence) override {
        return call("AddSilence", argumentsOf(stream, sequence));
    }
    HRESULT get_bMute(VariantBool&) override { return call("get_bMute"); }
    HRESULT put_bMute(VariantBool) override { return call("put_bMute"); }
    HRESULT ChangeVolume(std::int16_t change) override { return call("ChangeVolume", std::to_string(change)); }
    HRESULT AddComfort(std::int32_t, std::int16_t) override { return call("AddComfort"); }
    HRESULT get_lSampleSize(std::int32_t&) override { return call("get_lSampleSize"); }
    HRESULT put_lSampleSize(std::int32_t v) override { return call("put_lSampleSize", std::to_string(v)); }
    HRESULT get_lBufferMultiplier(std::int32_t&) override { return call("get_lBufferMultiplier"); }
    HRESULT put_lBufferMultiplier(std::int32_t v) override { return call("put_lBufferMultiplier", std::to_string(v)); }
    HRESULT StartStreaming() override { return call("StartStreaming"); }
    HRESULT StopStreaming() override { return call("StopStreaming"); }
    HRESULT bIsActive(std::int32_t stream, VariantBool& active) override {
        active = com::toVariantBool(activeAnswers > 0);
        if (activeAnswers > 0) --activeAnswers;
        return call("bIsActive", std::to_string(stream));
    }
    HRESULT get_nAdapter(std::int16_t&) override { return call("get_nAdapter"); }
    HRESULT put_nAdapter(std::int16_t v) override { return call("put_nAdapter", std::to_string(v)); }
    HRESULT get_varAdapters(Variant& v) override {
        v = com::Variant(com::SafeArray::fromTexts({"Fake Speaker"}));
        return call("get_varAdapters");
    }
    HRESULT ActivateStream(std::int32_t) override { return call("ActivateStream"); }
    HRESULT DeactivateStream(std::int32_t) override { return call("DeactivateStream"); }
    HRESULT CaptureMixerData(const std::string& key) override { return call("CaptureMixerData", key); }
    HRESULT RestoreMixerData(const std::string& key) override { return call("RestoreMixerData", key); }
    HRESULT PlayTone(std::int16_t tone, std::int16_t duration, std::int32_t priority, VariantBool override,
                     std::int32_t& stream) override {
        return made(call("PlayTone", argumentsOf(tone, duration, priority, override)), stream);
    }
    HRESULT PlayAlert(std::int16_t alert, std::int16_t cadence, std::int16_t cycles, std::int32_t priority,
                      VariantBool override, std::int32_t& stream) override {
        return made(call("PlayAlert", argumentsOf(alert, cadence, cycles, priority, override)), stream);
    }
    HRESULT CreateReliableStream(std::int16_t, std::int32_t, std::int32_t&) override {
        return call("CreateReliableStream");
    }
    HRESULT PlayTimedWave(const Variant& format, const Variant& data, std::int16_t duration, std::int32_t priority,
                          VariantBool override, std::int32_t& stream) override {
        std::tie(waveFormat, waveSamples) = std::tie(format, data);
        return made(call("PlayTimedWave", waveArguments(format, data, duration, priority, override)), stream);
    }
    HRESULT PlayCycledWave(const Variant& format, const Variant& data, std::int16_t cycles, std::int32_t priority,
                           VariantBool override, std::int32_t& stream) override {
        std::tie(waveFormat, waveSamples) = std::tie(format, data);
        return made(call("PlayCycledWave", waveArguments(format, data, cycles, priority, override)), stream);
    }
    HRESULT get_nCountry(std::int16_t&) override { return call("get_nCountry"); }
    HRESULT put_nCountry(std::int16_t v) override { return call("put_nCountry", std::to_string(v)); }
    HRESULT get_lActiveStreams(std::int32_t& v) override {
        v = activeStreams;
        return call("get_lActiveStreams");
    }
    HRESULT get_nToneStrength(std::int16_t&) override { return call("get_nToneStrength"); }
    HRESULT put_nToneStrength(std::int16_t v) override { return call("put_nToneStrength", std::to_string(v)); }
    HRESULT get_lSamplesBuffered(std::int32_t, std::int32_t&) override { return call("get_lSamplesBuffered"); }

    HRESULT Advise(const com::Guid& iid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) override {
        return advise(iid, sink, cookie);
    }
    HRESULT Unadvise(const com::Guid& iid, com::Cookie cookie) override { return unadvise(iid, cookie); }

private:
    // Streams are numbered from 1 in the order they are made.
    HRESULT made(HRESULT hr, std::int32_t& stream) {
        if (com::SUCCEEDED(hr)) stream = ++streams_;
        return hr;
    }
    // The format block and the sample count, in hex and as a number.
    static std::string waveArguments(const Variant& format, const Variant& data, std::int16_t length,
                                     std::int32_t priority, VariantBool override) {
        return FakeEndPoint::hexOf(format) + " " + std::to_string(com::ArrayByteLength(data)) + " " +
               argumentsOf(length, priority, override);
    }

    std::int32_t streams_ = 0;
};

class FakeWaveRecord : public com::Implements<sonwell::IWaveRecord, com::IConnectionPointContainer>,
                       public WaveDoubleBase<sonwell::_IWaveRecordEvents> {
public:
    explicit FakeWaveRecord(CallLog& log) : WaveDoubleBase(log, "WaveRecord") {}
    std::int16_t volume = 40;
    VariantBool active = com::VARIANT_FALSE;

    HRESULT Open() override { return call("Open"); }
    HRESULT Record(std::int16_t code) override { return call("Record", std::to_string(code)); }
    HRESULT Stop() override { return call("Stop"); }
    HRESULT Close() override { return call("Close"); }
    HRESULT get_lBufferLen(std::int32_t&) override { return call("get_lBufferLen"); }
    HRESULT put_lBufferLen(std::int32_t v) override { return call("put_lBufferLen", std::to_string(v)); }
    HRESULT get_bUseThread(VariantBool&) override { return call("get_bUseThread"); }
    HRESULT put_bUseThread(VariantBool v) override { return call("put_bUseThread", std::to_string(v)); }
    HRESULT get_bDetectSilence(VariantBool&) override { return call("get_bDetectSilence"); }
    HRESULT put_bDetectSilence(VariantBool) override { return call("put_bDetectSilence"); }
    HRESULT get_nVolume(std::int16_t& v) override {
        v = volume;
        return call("get_nVolume");
    }
    HRESULT put_nVolume(std::int16_t v) override {
        volume = v;
        return call("put_nVolume", std::to_string(v));
    }
    HRESULT get_nNoiseFloor(std::int16_t&) override { return call("get_nNoiseFloor"); }
    HRESULT put_nNoiseFloor(std::int16_t v) override { return call("put_nNoiseFloor", std::to_string(v)); }
    HRESULT get_bAutoSetupMixer(VariantBool&) override { return call("get_bAutoSetupMixer"); }
    HRESULT put_bAutoSetupMixer(VariantBool v) override { return call("put_bAutoSetupMixer", std::to_string(v)); }
    HRESULT get_lCaptureLen(std::int32_t&) override { return call("get_lCaptureLen"); }
    HRESULT put_lCaptureLen(std::int32_t v) override { return call("put_lCaptureLen", std::to_string(v)); }
    HRESULT get_lSendLen(std::int32_t&) override { return call("get_lSendLen"); }
    HRESULT put_lSendLen(std::int32_t v) override { return call("put_lSendLen", std::to_string(v)); }
    HRESULT get_nAdapter(std::int16_t&) override { return call("get_nAdapter"); }
    HRESULT put_nAdapter(std::int16_t v) override { return call("put_nAdapter", std::to_string(v)); }
    HRESULT get_varAdapters(Variant& v) override {
        v = com::Variant(com::SafeArray::fromTexts({"Fake Microphone"}));
        return call("get_varAdapters");
    }
    HRESULT get_bActive(VariantBool& v) override {
        v = active;
        return call("get_bActive");
    }

    HRESULT Advise(const com::Guid& iid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) override {
        return advise(iid, sink, cookie);
    }
    HRESULT Unadvise(const com::Guid& iid, com::Cookie cookie) override { return unadvise(iid, cookie); }
};

} // namespace kez::corvane::test
