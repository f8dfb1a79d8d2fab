#pragma once
// Saving and restoring every mixer control under a registry key, and setting up the microphone
// for recording. Failures carry the HRESULT and the English text the wave objects report.
#include "kez/audio/mixer.h"
#include "kez/com/hresult.h"
#include "sonwell/wave_errors.h"

#include <memory>
#include <string>
#include <string_view>

namespace kez::sonwell {

struct MixerOutcome {
    com::HRESULT hr = com::S_OK;
    std::string text; // empty on success

    bool succeeded() const { return com::SUCCEEDED(hr); }
};

// Writes every control of every mixer under `registryKey`\<mixer>\<destination>[\<source>] of the
// machine hive, or of the user hive for a mixer whose key the machine hive refuses.
MixerOutcome CaptureMixerData(std::string_view registryKey);
// Applies what CaptureMixerData stored; missing keys and values are left alone.
MixerOutcome RestoreMixerData(std::string_view registryKey);

// The microphone line found by SetUpMicrophone; `mixer` is empty when there is no mixer.
struct MicrophoneLine {
    std::unique_ptr<audio::Mixer> mixer;
    std::uint32_t channels = 0;
    audio::MixerControl volume;
};

// Opens mixer `adapter` (else mixer 0), unmutes the microphone line and selects it as the
// recording source. No mixer at all is success with an empty `line.mixer`.
MixerOutcome SetUpMicrophone(int adapter, MicrophoneLine& line);

} // namespace kez::sonwell
