// Tones the owner plays without the call server: call-progress tones, alerts and DTMF digits,
// the removal of a sound it keeps, and the speaker volume.
#include "engine_object.h"
#include "shared/error_report.h"
#include "sound_stream.h"

namespace kez::corvane {
namespace {

using sonwell::IWavePlay;

constexpr StreamPolling kDtmfPolling{40, true};

HRESULT playNotOpen() { return reportEngineError(com::E_POINTER, "Wave Play object not open"); }

} // namespace

HRESULT Engine::localPlayObject(com::Ptr<IWavePlay>& play) {
    if (com::isVariantTrue(settings_.shareWave)) {
        if (const HRESULT hr = waves_.openPlay(settings_.wave); com::FAILED(hr)) return hr;
    }
    play = waves_.play();
    return play ? com::S_OK : playNotOpen();
}

HRESULT Engine::PlayCallProgTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority,
                                 VariantBool bOverride, std::int32_t& lStream) {
    com::Ptr<IWavePlay> play;
    if (const HRESULT hr = localPlayObject(play); com::FAILED(hr)) return hr;
    const auto row = static_cast<std::int16_t>(nTone + kCallProgressRows);
    return playObjectResult(play->PlayTone(row, nDuration, lPriority, bOverride, lStream));
}

HRESULT Engine::PlayAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles, std::int32_t lPriority,
                          VariantBool bOverride, std::int32_t& lStream) {
    com::Ptr<IWavePlay> play;
    if (const HRESULT hr = localPlayObject(play); com::FAILED(hr)) return hr;
    return playObjectResult(play->PlayAlert(nAlert, nCadence, nCycles, lPriority, bOverride, lStream));
}

// Blocks for the tone and the gap after it, both taken as unsigned 16-bit milliseconds.
HRESULT Engine::PlayDTMFTone(std::int16_t nButton, std::int16_t nDuration, std::int16_t nGap, std::int32_t lPriority,
                             VariantBool bOverride) {
    com::Ptr<IWavePlay> play;
    if (const HRESULT hr = localPlayObject(play); com::FAILED(hr)) return hr;
    std::int32_t stream = 0;
    if (const HRESULT hr = playObjectResult(play->PlayTone(nButton, nDuration, lPriority, bOverride, stream));
        com::FAILED(hr))
        return hr;
    const HRESULT hr =
        waitWhilePlaying(*play, stream, static_cast<std::uint16_t>(nDuration), kDtmfPolling, sys::sleepFor);
    sys::sleepFor(sys::Timeout(static_cast<std::uint16_t>(nGap)));
    return deleteStream(*play, stream, hr);
}

HRESULT Engine::KillWaveStream(std::int32_t lStream) {
    const auto play = waves_.play();
    if (!play) return playNotOpen();
    return deleteStream(*play, lStream);
}

// Nothing to change while the play object is closed.
HRESULT Engine::ChangeVolume(std::int16_t nChange) {
    sys::CriticalSectionLock hold(waves_.lock());
    const auto play = waves_.play();
    if (!play) return com::S_OK;
    return playObjectResult(play->ChangeVolume(nChange));
}

} // namespace kez::corvane
