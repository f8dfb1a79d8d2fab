// Which device list is in force: ALSA's, or the one KEZ_AUDIO_DEVICES names.
#include "kez/audio/devices.h"

#include "alsa_support.h"

#include <cstdlib>

namespace kez::audio {
namespace {

std::vector<DeviceInfo> namedDevices(std::string_view list) {
    std::vector<DeviceInfo> devices;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const auto entry = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        if (entry.empty()) continue;
        const auto shown = entry.starts_with(kVirtualPrefix) ? entry.substr(kVirtualPrefix.size()) : entry;
        devices.push_back({cutDeviceName(shown), std::string(entry)});
    }
    return devices;
}

} // namespace

std::vector<DeviceInfo> listDevices(Direction direction) {
    if (const char* named = std::getenv("KEZ_AUDIO_DEVICES")) return namedDevices(named);
    return alsa::listDevices(direction);
}

Result resolveDevice(Direction direction, int index, std::string& pcmName) {
    if (index == kDefaultDevice && std::getenv("KEZ_AUDIO_DEVICES") == nullptr) {
        pcmName = "default";
        return Result::Ok;
    }
    const auto devices = listDevices(direction);
    if (index == kDefaultDevice && !devices.empty()) index = 0;
    if (index < 0 || static_cast<std::size_t>(index) >= devices.size()) return Result::BadDeviceId;
    pcmName = devices[static_cast<std::size_t>(index)].pcmName;
    return Result::Ok;
}

std::string cutDeviceName(std::string_view name) {
    if (name.size() <= kDeviceNameLimit) return std::string(name);
    std::size_t end = kDeviceNameLimit;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return std::string(name.substr(0, end));
}

} // namespace kez::audio
