// Wave files the owner plays: held by the owner (timed or cycled) or played once while the
// caller waits.
#include "local_audio.h"
#include "sound_stream.h"
#include "wave_file.h"

namespace kez::corvane {
namespace {

// Played with one repeat and removed after the file's own length, so it is heard once.
constexpr std::int16_t kOnceCycles = 1;
constexpr StreamPolling kWavePolling{40, false};

} // namespace

// The file is read before a shared play object opens for it.
com::HRESULT LocalAudio::waveFile(const std::string& fileName, WaveFileImage& wave,
                                  com::Ptr<sonwell::IWavePlay>& play) {
    const com::HRESULT hr = loadWaveFile(fileName, wave);
    return com::FAILED(hr) ? hr : playObject(play);
}

com::HRESULT LocalAudio::playTimedWaveFile(const std::string& sFileName, std::int16_t nDuration, std::int32_t lPriority,
                                           com::VariantBool bOverride, std::int32_t& lStream) {
    WaveFileImage wave;
    com::Ptr<sonwell::IWavePlay> play;
    if (const com::HRESULT hr = waveFile(sFileName, wave, play); com::FAILED(hr)) return hr;
    return playObjectResult(play->PlayTimedWave(wave.format, wave.samples, nDuration, lPriority, bOverride, lStream));
}

com::HRESULT LocalAudio::playCycledWaveFile(const std::string& sFileName, std::int16_t nCycles, std::int32_t lPriority,
                                            com::VariantBool bOverride, std::int32_t& lStream) {
    WaveFileImage wave;
    com::Ptr<sonwell::IWavePlay> play;
    if (const com::HRESULT hr = waveFile(sFileName, wave, play); com::FAILED(hr)) return hr;
    return playObjectResult(play->PlayCycledWave(wave.format, wave.samples, nCycles, lPriority, bOverride, lStream));
}

// Blocks for the file's length and then the gap (unsigned 16-bit milliseconds).
com::HRESULT LocalAudio::playWaveFile(const std::string& sFileName, std::int16_t nGap, std::int32_t lPriority,
                                      com::VariantBool bOverride) {
    WaveFileImage wave;
    com::Ptr<sonwell::IWavePlay> play;
    std::int32_t stream = 0;
    com::HRESULT hr = com::S_OK;
    if (com::FAILED(hr = waveFile(sFileName, wave, play)) ||
        com::FAILED(hr = playObjectResult(
                        play->PlayCycledWave(wave.format, wave.samples, kOnceCycles, lPriority, bOverride, stream))))
        return hr;
    hr = waitWhilePlaying(*play, stream, wave.durationMs, kWavePolling, sys::sleepFor);
    if (nGap != 0) sys::sleepFor(sys::Timeout(static_cast<std::uint16_t>(nGap)));
    return deleteStream(*play, stream, hr);
}

} // namespace kez::corvane
