#pragma once
// The sound card's mixer as lines and controls: destination lines (the speakers, the recording
// input), each with the source lines that feed it, and on every line controls whose values are
// read and written as 32-bit numbers. Mixer number m belongs to playback device m.
//
// On ALSA the simple mixer of the device's control: destination "Speakers" carries the main
// playback element ("Master", else "Speaker", "PCM", "Headphone", else the first with a playback
// volume) and has the other playback elements as sources; destination "Wave In" carries the
// capture source selector ("Capture Source"/"Input Source", when there is one) and has the
// capture elements as sources, "Mic..." and "Capture" ones being microphones. Mute is the inverse
// of ALSA's switch. Control identifiers are derived from element and control names, so they stay
// the same when elements come and go.
#include "kez/audio/result.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kez::audio {

enum class LineKind { Speakers, WaveIn, Microphone, Other };
enum class ControlKind { Volume, Mute, Mux, Switch };

struct MixerControl {
    std::uint32_t id = 0;
    ControlKind kind = ControlKind::Volume;
    bool uniform = true;     // one value for all channels
    std::uint32_t items = 1; // a selector holds one value (0 or 1) per item
    std::vector<std::string> itemNames;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::uint32_t steps = 0;
};

struct MixerLine {
    std::string name;
    LineKind kind = LineKind::Other;
    std::uint32_t channels = 1;
    std::vector<MixerControl> controls;

    const MixerControl* find(ControlKind kind) const;
};

// Values a control's details hold: (uniform ? 1 : channels) x items.
std::size_t valueCount(const MixerLine& line, const MixerControl& control);

class Mixer {
public:
    virtual ~Mixer() = default;
    virtual std::size_t destinationCount() const = 0;
    virtual Result destination(std::size_t index, MixerLine& out) const = 0;
    virtual std::size_t sourceCount(std::size_t destination) const = 0;
    virtual Result source(std::size_t destination, std::size_t index, MixerLine& out) const = 0;
    // Exactly valueCount() values; InvalidControl for an unknown identifier.
    virtual Result getValues(std::uint32_t controlId, std::vector<std::int32_t>& values) const = 0;
    virtual Result setValues(std::uint32_t controlId, std::span<const std::int32_t> values) = 0;
};

// The number of mixers (one per playback device; some may have none and fail to open).
std::size_t mixerCount();
// NoDriver when the device has no mixer, BadDeviceId for a number outside the list.
Result openMixer(int number, std::unique_ptr<Mixer>& out);

} // namespace kez::audio
