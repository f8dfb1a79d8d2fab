// Tones the owner plays without the call server: call-progress tones, alerts and DTMF digits,
// the removal of a sound it keeps, and the speaker volume.
#include "local_audio.h"
#include "shared/error_report.h"
#include "sound_stream.h"

namespace kez::corvane {
namespace {

using sonwell::IWavePlay;

constexpr StreamPolling kDtmfPolling{40, true};

com::HRESULT playNotOpen() { return reportEngineError(com::E_POINTER, "Wave Play object not open"); }

} // namespace

com::HRESULT LocalAudio::playObject(com::Ptr<IWavePlay>& play) {
    if (services_.sharedWave()) {
        if (const com::HRESULT hr = services_.openPlayDevice(); com::FAILED(hr)) return hr;
    }
    play = waves_.play();
    return play ? com::S_OK : playNotOpen();
}

com::HRESULT LocalAudio::playCallProgressTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority,
                                              com::VariantBool bOverride, std::int32_t& lStream) {
    com::Ptr<IWavePlay> play;
    if (const com::HRESULT hr = playObject(play); com::FAILED(hr)) return hr;
    const auto row = static_cast<std::int16_t>(nTone + kCallProgressRows);
    return playObjectResult(play->PlayTone(row, nDuration, lPriority, bOverride, lStream));
}

com::HRESULT LocalAudio::playAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles,
                                   std::int32_t lPriority, com::VariantBool bOverride, std::int32_t& lStream) {
    com::Ptr<IWavePlay> play;
    if (const com::HRESULT hr = playObject(play); com::FAILED(hr)) return hr;
    return playObjectResult(play->PlayAlert(nAlert, nCadence, nCycles, lPriority, bOverride, lStream));
}

// Blocks for the tone and the gap after it, both taken as unsigned 16-bit milliseconds.
com::HRESULT LocalAudio::playDtmfTone(std::int16_t nButton, std::int16_t nDuration, std::int16_t nGap,
                                      std::int32_t lPriority, com::VariantBool bOverride) {
    com::Ptr<IWavePlay> play;
    if (const com::HRESULT hr = playObject(play); com::FAILED(hr)) return hr;
    std::int32_t stream = 0;
    if (const com::HRESULT hr = playObjectResult(play->PlayTone(nButton, nDuration, lPriority, bOverride, stream));
        com::FAILED(hr))
        return hr;
    const com::HRESULT hr =
        waitWhilePlaying(*play, stream, static_cast<std::uint16_t>(nDuration), kDtmfPolling, sys::sleepFor);
    sys::sleepFor(sys::Timeout(static_cast<std::uint16_t>(nGap)));
    return deleteStream(*play, stream, hr);
}

com::HRESULT LocalAudio::killStream(std::int32_t lStream) {
    const auto play = waves_.play();
    if (!play) return playNotOpen();
    return deleteStream(*play, lStream);
}

// Nothing to change while the play object is closed.
com::HRESULT LocalAudio::changeVolume(std::int16_t nChange) {
    sys::CriticalSectionLock hold(waves_.lock());
    const auto play = waves_.play();
    if (!play) return com::S_OK;
    return playObjectResult(play->ChangeVolume(nChange));
}

} // namespace kez::corvane
