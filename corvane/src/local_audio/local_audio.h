#pragma once
// The engine's local audio core: the sounds its owner plays without the call server (tones,
// alerts, DTMF digits, wave files, the speaker beep), the mixer state and device lists, and
// the sound card tests the wizard runs. It plays on the engine's wave objects, opening a
// shared play object on demand. Every member runs on the engine's thread, except
// mikeTestTakes on the record thread.
#include <cstdint>
#include <string>

#include "kez/com/hresult.h"
#include "kez/com/variant.h"
#include "local_audio_services.h"
#include "mike_test.h"
#include "shared/wave_objects.h"

namespace kez::corvane {

struct WaveFileImage;

class LocalAudio {
public:
    LocalAudio(WaveObjects& waves, LocalAudioServices& services) : waves_(waves), services_(services) {}

    // Tones, their removal and the speaker volume.
    com::HRESULT playCallProgressTone(std::int16_t tone, std::int16_t duration, std::int32_t priority,
                                      com::VariantBool overrides, std::int32_t& stream);
    com::HRESULT playAlert(std::int16_t alert, std::int16_t cadence, std::int16_t cycles, std::int32_t priority,
                           com::VariantBool overrides, std::int32_t& stream);
    com::HRESULT playDtmfTone(std::int16_t key, std::int16_t duration, std::int16_t gap, std::int32_t priority,
                              com::VariantBool overrides);
    com::HRESULT killStream(std::int32_t stream);
    com::HRESULT changeVolume(std::int16_t change);
    com::HRESULT beep(std::int32_t frequency, std::int32_t duration);

    // Wave files: held by the owner (timed or cycled) or played once while the caller waits.
    com::HRESULT playTimedWaveFile(const std::string& fileName, std::int16_t duration, std::int32_t priority,
                                   com::VariantBool overrides, std::int32_t& stream);
    com::HRESULT playCycledWaveFile(const std::string& fileName, std::int16_t cycles, std::int32_t priority,
                                    com::VariantBool overrides, std::int32_t& stream);
    com::HRESULT playWaveFile(const std::string& fileName, std::int16_t gap, std::int32_t priority,
                              com::VariantBool overrides);

    // The mixer state and the device lists.
    com::HRESULT captureMixerState(const std::string& key);
    com::HRESULT restoreMixerState(const std::string& key);
    com::HRESULT playAdapters(com::Variant& value);
    com::HRESULT recordAdapters(com::Variant& value);

    // The sound card tests.
    com::HRESULT testAudio(std::int16_t tone, std::int16_t recordFormat, std::int32_t milliseconds);
    com::HRESULT startMikeTest();
    com::HRESULT stopMikeTest();
    // Ends a microphone test without touching the wave objects (the engine stops).
    void endMikeTest() { mikeTest_.end(); }
    // On the record thread: the microphone test plays the frame back while it runs (true).
    bool mikeTestTakes(const com::Variant& frame, bool silent);

private:
    // The play object a sound goes to, opened first in shared mode, and a wave file loaded for it.
    com::HRESULT playObject(com::Ptr<sonwell::IWavePlay>& play);
    com::HRESULT waveFile(const std::string& fileName, WaveFileImage& wave, com::Ptr<sonwell::IWavePlay>& play);
    // Closes the wave objects; the failure is given back with its own error object.
    com::HRESULT closeWavesAfter(com::HRESULT failure);

    WaveObjects& waves_;
    LocalAudioServices& services_;
    MikeTest mikeTest_;
    bool audioTestRunning_ = false;
};

} // namespace kez::corvane
