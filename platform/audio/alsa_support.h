#pragma once
// Small pieces shared by the ALSA backends.
#include "kez/audio/devices.h"
#include "kez/audio/result.h"

#include <string>
#include <vector>

namespace kez::audio::alsa {

// Keeps alsa-lib from printing its own error lines; the layer reports results instead.
void silenceLibraryErrors();
// The result for an ALSA return value (a negative errno).
Result result(int alsaError);
// The sound devices ALSA offers in `direction`, in list order.
std::vector<DeviceInfo> listDevices(Direction direction);
// The control (mixer) name that belongs to a PCM name.
std::string controlNameOf(const std::string& pcmName);

} // namespace kez::audio::alsa
