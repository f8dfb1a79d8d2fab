// The sound card tests the wizard runs on an engine it never starts: TestAudio plays dial tone
// while it records in the format asked, and the microphone test plays the microphone back.
// Both open the wave objects with the engine's settings and close them at their end.
#include "kez/apt/apartment.h"
#include "kez/com/error_info.h"
#include "local_audio.h"
#include "shared/collaborators.h"
#include "shared/error_report.h"
#include "sound_stream.h"

namespace kez::corvane {
namespace {

using sonwell::IWavePlay;
using sonwell::IWaveRecord;

constexpr std::int32_t kFrameSamples = 192;
// An IMA ADPCM frame of 192 samples takes 100 bytes.
constexpr std::int16_t kImaAdpcmFormat = 3;
constexpr std::int32_t kImaAdpcmFrameBytes = 100;
constexpr std::int16_t kMuLawFormat = 1;
constexpr StreamPolling kTestPolling{100, false};

com::HRESULT recordResult(com::HRESULT hr) {
    return com::FAILED(hr) ? reportCalleeError(hr, IWaveRecord::iid) : com::S_OK;
}

// Marks a test as running for its scope.
class Running {
public:
    explicit Running(bool& flag) : flag_(flag) { flag_ = true; }
    ~Running() { flag_ = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    bool& flag_;
};

} // namespace

// Closing posts its own failures, and must not take the reported one's error object.
com::HRESULT LocalAudio::closeWavesAfter(com::HRESULT failure) {
    auto error = com::takeErrorInfo();
    services_.closeWaveDevices();
    com::setErrorInfo(std::move(error));
    return failure;
}

// The window pumps while the tone plays, so an owner's second test arrives here meanwhile; it
// does nothing, and the first goes on. A negative time waits one round.
com::HRESULT LocalAudio::testAudio(std::int16_t nTone, std::int16_t nRecordFormat, std::int32_t lTime) {
    if (audioTestRunning_) return com::S_OK;
    const Running running(audioTestRunning_);
    if (const com::HRESULT hr = services_.openWaveDevices(false); com::FAILED(hr)) return hr;
    const auto record = waves_.record();
    const auto play = waves_.play();
    const std::int32_t sendBytes = nRecordFormat == kImaAdpcmFormat ? kImaAdpcmFrameBytes : kFrameSamples;
    com::HRESULT hr = recordResult(firstFailure([&] { return record->put_lCaptureLen(kFrameSamples); },
                                                [&] { return record->put_lSendLen(sendBytes); },
                                                [&] { return record->Record(nRecordFormat); }));
    std::int32_t stream = 0;
    if (com::SUCCEEDED(hr))
        hr = playObjectResult(play->PlayTone(static_cast<std::int16_t>(nTone + kCallProgressRows),
                                             static_cast<std::int16_t>(lTime), 0, com::VARIANT_FALSE, stream));
    if (com::SUCCEEDED(hr))
        hr = waitWhilePlaying(*play, stream, lTime < 0 ? 1 : static_cast<std::uint64_t>(lTime), kTestPolling,
                              [](sys::Timeout step) { apt::Apartment::current().pumpFor(step); });
    if (com::SUCCEEDED(hr)) hr = killStream(stream);
    if (com::SUCCEEDED(hr))
        hr = recordResult(firstFailure([&] { return record->Stop(); }, [&] { return record->Close(); }));
    if (com::SUCCEEDED(hr))
        hr = playObjectResult(firstFailure([&] { return play->StopStreaming(); }, [&] { return play->Close(); }));
    if (com::FAILED(hr)) return closeWavesAfter(hr);
    services_.closeWaveDevices();
    return com::S_OK;
}

com::HRESULT LocalAudio::startMikeTest() {
    if (const com::HRESULT hr = services_.openWaveDevices(true); com::FAILED(hr)) return hr;
    const auto record = waves_.record();
    const auto play = waves_.play();
    std::int32_t stream = 0;
    com::HRESULT hr = recordResult(firstFailure([&] { return record->put_lBufferLen(kFrameSamples); },
                                                [&] { return record->put_lSendLen(kFrameSamples); }));
    if (com::SUCCEEDED(hr)) hr = playObjectResult(play->CreateStream(kMuLawFormat, com::VARIANT_FALSE, stream));
    if (com::SUCCEEDED(hr)) {
        mikeTest_.begin(play, stream);
        hr = recordResult(firstFailure([&] { return record->put_lCaptureLen(kFrameSamples); },
                                       [&] { return record->Record(kMuLawFormat); }));
    }
    if (com::FAILED(hr)) {
        mikeTest_.end();
        return closeWavesAfter(hr);
    }
    return com::S_OK;
}

com::HRESULT LocalAudio::stopMikeTest() {
    const std::int32_t stream = mikeTest_.end();
    const auto record = waves_.record();
    const auto play = waves_.play();
    com::HRESULT hr = record ? recordResult(record->Stop()) : com::S_OK;
    if (com::SUCCEEDED(hr) && play && stream != 0) hr = playObjectResult(play->DeleteStream(stream));
    if (com::FAILED(hr)) return closeWavesAfter(hr);
    services_.closeWaveDevices();
    return com::S_OK;
}

bool LocalAudio::mikeTestTakes(const com::Variant& frame, bool silent) {
    com::HRESULT hr = com::S_OK;
    const bool taken = mikeTest_.playBack(frame, silent, hr);
    if (com::FAILED(hr)) services_.postCalleeError(hr, IWavePlay::iid);
    return taken;
}

} // namespace kez::corvane
