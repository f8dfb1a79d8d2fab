// ALSA's device list: the default device, the sound servers' devices, then every card's PCMs.
#include "alsa_support.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <memory>
#include <mutex>
#include <string_view>

namespace kez::audio::alsa {
namespace {

void ignoreError(const char*, int, const char*, int, const char*, ...) {}

snd_pcm_stream_t streamOf(Direction direction) {
    return direction == Direction::Playback ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
}

// Listed when it opens, or exists but another program holds it.
bool opens(const std::string& pcmName, Direction direction) {
    snd_pcm_t* pcm = nullptr;
    const int error = snd_pcm_open(&pcm, pcmName.c_str(), streamOf(direction), SND_PCM_NONBLOCK);
    if (error == 0) snd_pcm_close(pcm);
    return error == 0 || error == -EBUSY;
}

struct ServerDevice {
    std::string_view pcmName;
    std::string_view shownName;
};
constexpr ServerDevice kServerDevices[] = {
    {"default", "Default device"},
    {"pulse", "PulseAudio Sound Server"},
    {"pipewire", "PipeWire Sound Server"},
};

// Whether the configuration defines a PCM of that name for the direction.
bool hinted(std::string_view pcmName, Direction direction) {
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0) return false;
    bool found = false;
    for (void** hint = hints; *hint != nullptr && !found; ++hint) {
        const std::unique_ptr<char, decltype(&free)> name(snd_device_name_get_hint(*hint, "NAME"), &free);
        const std::unique_ptr<char, decltype(&free)> io(snd_device_name_get_hint(*hint, "IOID"), &free);
        const bool rightWay =
            !io || std::string_view(io.get()) == (direction == Direction::Playback ? "Output" : "Input");
        found = name && rightWay && pcmName == name.get();
    }
    snd_device_name_free_hint(hints);
    return found;
}

void addCardDevices(Direction direction, std::vector<DeviceInfo>& out) {
    for (int card = -1; snd_card_next(&card) == 0 && card >= 0;) {
        snd_ctl_t* control = nullptr;
        if (snd_ctl_open(&control, ("hw:" + std::to_string(card)).c_str(), 0) < 0) continue;
        snd_ctl_card_info_t* cardInfo = nullptr;
        snd_ctl_card_info_alloca(&cardInfo);
        snd_pcm_info_t* pcmInfo = nullptr;
        snd_pcm_info_alloca(&pcmInfo);
        if (snd_ctl_card_info(control, cardInfo) == 0) {
            const std::string cardName = snd_ctl_card_info_get_name(cardInfo);
            const std::string cardId = snd_ctl_card_info_get_id(cardInfo);
            for (int device = -1; snd_ctl_pcm_next_device(control, &device) == 0 && device >= 0;) {
                snd_pcm_info_set_device(pcmInfo, static_cast<unsigned>(device));
                snd_pcm_info_set_subdevice(pcmInfo, 0);
                snd_pcm_info_set_stream(pcmInfo, streamOf(direction));
                if (snd_ctl_pcm_info(control, pcmInfo) < 0) continue;
                const std::string pcmName = "plughw:CARD=" + cardId + ",DEV=" + std::to_string(device);
                if (!opens(pcmName, direction)) continue;
                out.push_back({cutDeviceName(cardName + ": " + snd_pcm_info_get_name(pcmInfo)), pcmName});
            }
        }
        snd_ctl_close(control);
    }
}

} // namespace

void silenceLibraryErrors() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&ignoreError); });
}

Result result(int alsaError) { return resultFromErrno(alsaError < 0 ? -alsaError : alsaError); }

std::vector<DeviceInfo> listDevices(Direction direction) {
    silenceLibraryErrors();
    std::vector<DeviceInfo> devices;
    for (const auto& server : kServerDevices) {
        const std::string pcmName(server.pcmName);
        if (hinted(server.pcmName, direction) && opens(pcmName, direction))
            devices.push_back({std::string(server.shownName), pcmName});
    }
    addCardDevices(direction, devices);
    return devices;
}

std::string controlNameOf(const std::string& pcmName) {
    for (const std::string_view prefix : {"plughw:", "hw:"}) {
        if (!pcmName.starts_with(prefix)) continue;
        const auto rest = pcmName.substr(prefix.size());
        return "hw:" + rest.substr(0, rest.find(",DEV="));
    }
    return pcmName;
}

} // namespace kez::audio::alsa
