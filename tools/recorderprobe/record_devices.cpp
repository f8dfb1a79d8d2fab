#include "record_devices.h"

#include "kez/audio/devices.h"

#include <cstdio>

namespace kez::recorderprobe {

std::vector<RecordDevice> recordDevices() {
    std::vector<RecordDevice> devices;
    for (auto& device : audio::listDevices(audio::Direction::Capture)) {
        // A device the layer could not name is the one the engine shows as unusable.
        if (device.name.empty())
            devices.push_back({audio::Result::Error, {}});
        else
            devices.push_back({audio::Result::Ok, std::move(device.name)});
    }
    return devices;
}

void printRecordDevices(std::span<const RecordDevice> devices) {
    std::printf("%d record devices found\n", static_cast<int>(devices.size()));
    for (const RecordDevice& device : devices) {
        if (audio::ok(device.result))
            std::printf("Recording device %s\n", device.name.c_str());
        else
            std::printf("waveInGetDevCaps failed %d\n", static_cast<int>(audio::code(device.result)));
    }
}

} // namespace kez::recorderprobe
