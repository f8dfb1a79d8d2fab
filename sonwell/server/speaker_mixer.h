#pragma once
// The speaker line of the sound card's mixer: its volume and mute, for WavePlay.
#include "sonwell/mixer_state.h"

#include "kez/audio/mixer.h"

#include <cstdint>
#include <memory>

namespace kez::sonwell {

// The volume `nChange` per mille of the control's range away from `current`, kept within the
// range and on the control's steps.
std::int32_t changedVolume(const audio::MixerControl& volume, std::int32_t current, int nChange);

class SpeakerMixer {
public:
    // Mixer `adapter` (unless -1), else mixer 0. No mixer, or one without a speaker line, is
    // success: volume and mute then do nothing.
    MixerOutcome open(int adapter);
    void close() { mixer_.reset(); }
    bool present() const { return mixer_ != nullptr; }

    // The control's value, 0 or 1; leaves `muted` alone without a mixer.
    MixerOutcome getMute(std::int16_t& muted) const;
    MixerOutcome setMute(bool muted);
    MixerOutcome changeVolume(int nChange);

private:
    MixerOutcome write(const audio::MixerControl& control, std::int32_t value);

    std::unique_ptr<audio::Mixer> mixer_;
    audio::MixerLine line_;
    audio::MixerControl volume_;
    audio::MixerControl mute_;
};

} // namespace kez::sonwell
