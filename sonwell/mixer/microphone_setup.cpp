// Selecting and unmuting the microphone for recording.
#include "sonwell/mixer_state.h"

#include "kez/sys/ascii.h"

#include <algorithm>
#include <optional>

namespace kez::sonwell {
namespace {

using audio::ControlKind;
using audio::LineKind;
using audio::Mixer;
using audio::MixerLine;
using audio::Result;

MixerOutcome mmFailure(Result result, const char* text) { return {waveMmError(result), text}; }

std::optional<std::size_t> findWaveIn(const Mixer& mixer, MixerLine& line, Result& failure) {
    failure = Result::InvalidLine;
    for (std::size_t d = 0; d < mixer.destinationCount(); ++d) {
        MixerLine candidate;
        if (const auto read = mixer.destination(d, candidate); !audio::ok(read)) {
            failure = read;
            continue;
        }
        if (candidate.kind == LineKind::WaveIn) {
            line = std::move(candidate);
            return d;
        }
    }
    return std::nullopt;
}

// The selector item that names the microphone: "Microphone", or ALSA's usual "Mic".
bool namesMicrophone(const std::string& item) {
    return sys::equalsNoCase(item, "Microphone") || sys::equalsNoCase(item, "Mic");
}

MixerOutcome selectMicrophone(Mixer& mixer, const MixerLine& waveIn) {
    const auto* selector = waveIn.find(ControlKind::Mux);
    if (selector == nullptr) return {}; // sound servers' mixers have no selector: nothing to choose
    std::vector<std::int32_t> values;
    if (const auto read = mixer.getValues(selector->id, values); !audio::ok(read))
        return mmFailure(read, "GetControlDetails failure on mixer");
    const auto& names = selector->itemNames;
    const auto chosen = std::find_if(names.begin(), names.end(), namesMicrophone);
    // With no microphone item the current choice stays; clearing every item would leave none.
    if (chosen == names.end() || values.size() < names.size()) return {};
    for (std::size_t i = 0; i < names.size(); ++i)
        values[i] = i == static_cast<std::size_t>(chosen - names.begin()) ? 1 : 0;
    if (const auto written = mixer.setValues(selector->id, values); !audio::ok(written))
        return mmFailure(written, "SetControlDetails failure on mixer");
    return {};
}

MixerOutcome setUp(Mixer& mixer, MicrophoneLine& microphone) {
    MixerLine waveIn;
    Result failure = Result::Ok;
    const auto destination = findWaveIn(mixer, waveIn, failure);
    if (!destination) return mmFailure(failure, "GetLineInfo failure on mixer: Dest Wavein");
    std::optional<MixerLine> found;
    for (std::size_t s = 0; s < mixer.sourceCount(*destination) && !found; ++s) {
        MixerLine source;
        if (const auto read = mixer.source(*destination, s, source); !audio::ok(read))
            return mmFailure(read, "GetLineInfo failure on mixer: Mike Source");
        if (source.kind == LineKind::Microphone) found = std::move(source);
    }
    if (!found) return {kWaveGeneralError, "Could not find microphone source"};
    const auto* volume = found->find(ControlKind::Volume);
    if (volume == nullptr) return mmFailure(Result::InvalidControl, "GetLineControls failure on mixer for volume");
    microphone.channels = found->channels;
    microphone.volume = *volume;
    if (const auto* mute = found->find(ControlKind::Mute)) {
        const std::vector<std::int32_t> unmuted(audio::valueCount(*found, *mute), 0);
        if (const auto written = mixer.setValues(mute->id, unmuted); !audio::ok(written))
            return mmFailure(written, "SetControlDetails failure on mixer");
    }
    return selectMicrophone(mixer, waveIn);
}

} // namespace

MixerOutcome SetUpMicrophone(int adapter, MicrophoneLine& line) {
    line = {};
    std::unique_ptr<Mixer> mixer;
    if ((adapter == -1 || !audio::ok(audio::openMixer(adapter, mixer))) && !audio::ok(audio::openMixer(0, mixer)))
        return {};
    auto outcome = setUp(*mixer, line);
    if (outcome.succeeded()) line.mixer = std::move(mixer);
    return outcome;
}

} // namespace kez::sonwell
