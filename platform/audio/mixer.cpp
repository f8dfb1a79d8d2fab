// Mixer numbering and the parts of the model every backend shares.
#include "kez/audio/mixer.h"
#include "kez/audio/devices.h"
#include "kez/audio/virtual_audio.h"

#include "alsa_support.h"

namespace kez::audio {

Result openAlsaMixer(const std::string& controlName, std::unique_ptr<Mixer>& out);

namespace {

// A mixer handle that shares the virtual device's mixer, so tests keep seeing its values.
class SharedVirtualMixer final : public Mixer {
public:
    explicit SharedVirtualMixer(std::shared_ptr<VirtualDevice> device) : device_(std::move(device)) {}
    std::size_t destinationCount() const override { return mixer().destinationCount(); }
    Result destination(std::size_t index, MixerLine& out) const override { return mixer().destination(index, out); }
    std::size_t sourceCount(std::size_t destination) const override { return mixer().sourceCount(destination); }
    Result source(std::size_t destination, std::size_t index, MixerLine& out) const override {
        return mixer().source(destination, index, out);
    }
    Result getValues(std::uint32_t controlId, std::vector<std::int32_t>& values) const override {
        return mixer().getValues(controlId, values);
    }
    Result setValues(std::uint32_t controlId, std::span<const std::int32_t> values) override {
        return device_->mixer().setValues(controlId, values);
    }

private:
    const VirtualMixer& mixer() const { return device_->mixer(); }
    std::shared_ptr<VirtualDevice> device_;
};

} // namespace

const MixerControl* MixerLine::find(ControlKind wanted) const {
    for (const auto& control : controls) {
        if (control.kind == wanted) return &control;
    }
    return nullptr;
}

std::size_t valueCount(const MixerLine& line, const MixerControl& control) {
    return std::size_t{control.uniform ? 1u : line.channels} * control.items;
}

std::size_t mixerCount() { return listDevices(Direction::Playback).size(); }

Result openMixer(int number, std::unique_ptr<Mixer>& out) {
    const auto devices = listDevices(Direction::Playback);
    if (number < 0 || static_cast<std::size_t>(number) >= devices.size()) return Result::BadDeviceId;
    const auto& pcmName = devices[static_cast<std::size_t>(number)].pcmName;
    if (!pcmName.starts_with(kVirtualPrefix)) return openAlsaMixer(alsa::controlNameOf(pcmName), out);
    auto device = virtualDevice(std::string_view(pcmName).substr(kVirtualPrefix.size()));
    if (device->mixer().empty() || device->unplugged()) return Result::NoDriver;
    out = std::make_unique<SharedVirtualMixer>(std::move(device));
    return Result::Ok;
}

} // namespace kez::audio
