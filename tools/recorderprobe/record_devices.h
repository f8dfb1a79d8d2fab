#pragma once
// recorderprobe's report: the wave-input devices the telephone would offer, as the audio layer
// lists them for the engine and the wizard, each with its product name or why it has none.
#include "kez/audio/result.h"

#include <span>
#include <string>
#include <vector>

namespace kez::recorderprobe {

struct RecordDevice {
    audio::Result result = audio::Result::Ok;
    std::string name; // when result is Ok
};

// The audio layer's capture list, in device-number order.
std::vector<RecordDevice> recordDevices();

// The count line first (also for none), then one line per device; never stops early.
void printRecordDevices(std::span<const RecordDevice> devices);

} // namespace kez::recorderprobe
