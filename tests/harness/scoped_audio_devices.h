#pragma once
// Replaces the process's audio device lists for one test (KEZ_AUDIO_DEVICES), with fresh virtual
// devices; the previous lists come back afterwards.
#include "kez/audio/virtual_audio.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace kez::test {

class ScopedAudioDevices {
public:
    // `names` as KEZ_AUDIO_DEVICES takes them: "virtual:Speaker,virtual:Headset".
    explicit ScopedAudioDevices(const std::string& names) {
        if (const char* old = std::getenv("KEZ_AUDIO_DEVICES")) previous_ = old;
        audio::forgetVirtualDevices();
        ::setenv("KEZ_AUDIO_DEVICES", names.c_str(), 1);
    }
    ~ScopedAudioDevices() {
        if (previous_)
            ::setenv("KEZ_AUDIO_DEVICES", previous_->c_str(), 1);
        else
            ::unsetenv("KEZ_AUDIO_DEVICES");
        audio::forgetVirtualDevices();
    }
    ScopedAudioDevices(const ScopedAudioDevices&) = delete;
    ScopedAudioDevices& operator=(const ScopedAudioDevices&) = delete;

private:
    std::optional<std::string> previous_;
};

} // namespace kez::test
