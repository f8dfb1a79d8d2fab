// Volume and mute of the speaker line.
#include "speaker_mixer.h"

#include <algorithm>
#include <vector>

namespace kez::sonwell {
namespace {

constexpr char kGetFailure[] = "GetControlDetails failure on mixer";
constexpr char kSetFailure[] = "SetControlDetails failure on mixer";

MixerOutcome mmFailure(audio::Result result, const char* text) { return {waveMmError(result), text}; }

} // namespace

std::int32_t changedVolume(const audio::MixerControl& volume, std::int32_t current, int nChange) {
    const std::int64_t range = std::int64_t{volume.maximum} - volume.minimum;
    if (range <= 0) return volume.minimum;
    const std::int64_t position = std::clamp<std::int64_t>((current - volume.minimum) * 1000 / range, 0, 1000);
    const std::int64_t change = nChange;
    const std::int64_t wanted =
        change < 0 ? std::max<std::int64_t>(0, position + change) : std::min<std::int64_t>(1000, position + change);
    std::int64_t value = range * wanted / 1000;
    // Rounded to the nearest step of the control (range / steps wide), not to a multiple of the count.
    const std::int64_t step = volume.steps == 0 ? 0 : range / volume.steps;
    if (step > 1) value = (value + step / 2) / step * step;
    return static_cast<std::int32_t>(std::min<std::int64_t>(value + volume.minimum, volume.maximum));
}

MixerOutcome SpeakerMixer::open(int adapter) {
    close();
    std::unique_ptr<audio::Mixer> mixer;
    if ((adapter == -1 || !audio::ok(audio::openMixer(adapter, mixer))) && !audio::ok(audio::openMixer(0, mixer)))
        return {};
    for (std::size_t d = 0; d < mixer->destinationCount(); ++d) {
        audio::MixerLine line;
        if (const auto result = mixer->destination(d, line); !audio::ok(result))
            return mmFailure(result, "GetLineInfo failure on mixer");
        if (line.kind != audio::LineKind::Speakers) continue;
        const auto* volume = line.find(audio::ControlKind::Volume);
        if (!volume) return mmFailure(audio::Result::InvalidControl, "GetLineControls failure on mixer for volume");
        const auto* mute = line.find(audio::ControlKind::Mute);
        if (!mute) return mmFailure(audio::Result::InvalidControl, "GetLineControls failure on mixer for mute");
        volume_ = *volume;
        mute_ = *mute;
        line_ = std::move(line);
        mixer_ = std::move(mixer);
        return {};
    }
    return {};
}

MixerOutcome SpeakerMixer::getMute(std::int16_t& muted) const {
    if (!mixer_) return {};
    std::vector<std::int32_t> values;
    if (const auto result = mixer_->getValues(mute_.id, values); !audio::ok(result) || values.empty())
        return mmFailure(audio::ok(result) ? audio::Result::Error : result, kGetFailure);
    muted = values.front() != 0 ? 1 : 0;
    return {};
}

MixerOutcome SpeakerMixer::setMute(bool muted) {
    if (!mixer_) return {};
    return write(mute_, muted ? 1 : 0);
}

MixerOutcome SpeakerMixer::changeVolume(int nChange) {
    if (!mixer_) return {};
    std::vector<std::int32_t> values;
    if (const auto result = mixer_->getValues(volume_.id, values); !audio::ok(result) || values.empty())
        return mmFailure(audio::ok(result) ? audio::Result::Error : result, kGetFailure);
    return write(volume_, changedVolume(volume_, values.front(), nChange));
}

MixerOutcome SpeakerMixer::write(const audio::MixerControl& control, std::int32_t value) {
    const std::vector<std::int32_t> values(audio::valueCount(line_, control), value);
    if (const auto result = mixer_->setValues(control.id, values); !audio::ok(result))
        return mmFailure(result, kSetFailure);
    return {};
}

} // namespace kez::sonwell
