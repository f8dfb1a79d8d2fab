#pragma once
// Replaces the process's audio device lists for one test (KEZ_AUDIO_DEVICES), with fresh virtual
// devices; the previous lists come back afterwards.
#include "kez/audio/virtual_audio.h"

#include <string>

#include "scoped_registry.h"

namespace kez::test {

class ScopedAudioDevices {
public:
    // `names` as KEZ_AUDIO_DEVICES takes them: "virtual:Speaker,virtual:Headset".
    explicit ScopedAudioDevices(const std::string& names) : devices_("KEZ_AUDIO_DEVICES", names) {
        audio::forgetVirtualDevices();
    }
    ~ScopedAudioDevices() { audio::forgetVirtualDevices(); }
    ScopedAudioDevices(const ScopedAudioDevices&) = delete;
    ScopedAudioDevices& operator=(const ScopedAudioDevices&) = delete;

private:
    ScopedEnv devices_;
};

} // namespace kez::test
