#pragma once
// Device lists by number, as the programs show and store them.
//
// Without KEZ_AUDIO_DEVICES the lists come from ALSA: the "default" device, the PulseAudio and
// PipeWire devices when their server answers, then each sound card's PCM devices in card and
// device order; only devices that can be opened (or are merely busy) are listed, so a machine
// without sound lists none. KEZ_AUDIO_DEVICES ("virtual:Speaker,pulse") replaces the lists:
// names starting "virtual:" are in-memory devices (virtual_audio.h), others ALSA PCM names.
#include "kez/audio/result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kez::audio {

enum class Direction { Playback, Capture };

// Device number of the system's default device (the ALSA "default" PCM, or the first listed
// device when the lists are replaced).
inline constexpr int kDefaultDevice = -1;

// Names are cut to this many bytes (on a character boundary), the same for every caller.
inline constexpr std::size_t kDeviceNameLimit = 31;
inline constexpr std::string_view kVirtualPrefix = "virtual:";

struct DeviceInfo {
    std::string name;    // shown to the user, cut to kDeviceNameLimit
    std::string pcmName; // what open() uses
};

std::vector<DeviceInfo> listDevices(Direction direction);

// The PCM name device number `index` opens: kDefaultDevice or a list position; BadDeviceId otherwise.
Result resolveDevice(Direction direction, int index, std::string& pcmName);

// `name` cut to kDeviceNameLimit bytes without splitting a UTF-8 character.
std::string cutDeviceName(std::string_view name);

} // namespace kez::audio
