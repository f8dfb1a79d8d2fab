// The mixer model over ALSA's simple mixer elements.
#include "kez/audio/mixer.h"

#include "alsa_support.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <map>

namespace kez::audio {
namespace {

enum class Side { Playback, Capture };

struct Binding {
    snd_mixer_elem_t* element;
    ControlKind kind;
    Side side;
    std::vector<snd_mixer_selem_channel_id_t> channels;
};

// FNV-1a of the element's name and index and the control's kind: stable while the element exists.
std::uint32_t controlId(snd_mixer_elem_t* element, ControlKind kind, Side side) {
    const std::string key = std::string(snd_mixer_selem_get_name(element)) + "," +
                            std::to_string(snd_mixer_selem_get_index(element)) + "/" +
                            std::to_string(static_cast<int>(kind)) + std::to_string(static_cast<int>(side));
    std::uint32_t hash = 2166136261u;
    for (const unsigned char c : key)
        hash = (hash ^ c) * 16777619u;
    return hash == 0 ? 1 : hash;
}

std::vector<snd_mixer_selem_channel_id_t> channelsOf(snd_mixer_elem_t* element, Side side) {
    std::vector<snd_mixer_selem_channel_id_t> channels;
    for (int channel = 0; channel <= SND_MIXER_SCHN_LAST; ++channel) {
        const auto id = static_cast<snd_mixer_selem_channel_id_t>(channel);
        const bool has = side == Side::Playback ? snd_mixer_selem_has_playback_channel(element, id)
                                                : snd_mixer_selem_has_capture_channel(element, id);
        if (has) channels.push_back(id);
    }
    if (channels.empty()) channels.push_back(SND_MIXER_SCHN_MONO);
    return channels;
}

bool hasVolume(snd_mixer_elem_t* e, Side side) {
    return side == Side::Playback ? snd_mixer_selem_has_playback_volume(e) : snd_mixer_selem_has_capture_volume(e);
}
bool hasSwitch(snd_mixer_elem_t* e, Side side) {
    return side == Side::Playback ? snd_mixer_selem_has_playback_switch(e) : snd_mixer_selem_has_capture_switch(e);
}
bool isSelector(snd_mixer_elem_t* e) {
    const std::string_view name = snd_mixer_selem_get_name(e);
    return snd_mixer_selem_is_enumerated(e) &&
           (snd_mixer_selem_is_enum_capture(e) || name == "Capture Source" || name == "Input Source");
}

class AlsaMixer final : public Mixer {
public:
    explicit AlsaMixer(snd_mixer_t* mixer) : mixer_(mixer) { build(); }
    ~AlsaMixer() override { snd_mixer_close(mixer_); }

    bool empty() const { return destinations_.empty(); }

    std::size_t destinationCount() const override { return destinations_.size(); }
    Result destination(std::size_t index, MixerLine& out) const override {
        if (index >= destinations_.size()) return Result::InvalidLine;
        out = destinations_[index].line;
        return Result::Ok;
    }
    std::size_t sourceCount(std::size_t destination) const override {
        return destination < destinations_.size() ? destinations_[destination].sources.size() : 0;
    }
    Result source(std::size_t destination, std::size_t index, MixerLine& out) const override {
        if (index >= sourceCount(destination)) return Result::InvalidLine;
        out = destinations_[destination].sources[index];
        return Result::Ok;
    }

    Result getValues(std::uint32_t id, std::vector<std::int32_t>& values) const override {
        const auto found = bindings_.find(id);
        if (found == bindings_.end()) return Result::InvalidControl;
        snd_mixer_handle_events(mixer_);
        const auto& binding = found->second;
        values.clear();
        if (binding.kind == ControlKind::Mux) return readSelector(binding, values);
        for (const auto channel : binding.channels) {
            long value = 0;
            int error = 0;
            if (binding.kind == ControlKind::Volume) {
                error = binding.side == Side::Playback
                            ? snd_mixer_selem_get_playback_volume(binding.element, channel, &value)
                            : snd_mixer_selem_get_capture_volume(binding.element, channel, &value);
            } else {
                int on = 0;
                error = binding.side == Side::Playback
                            ? snd_mixer_selem_get_playback_switch(binding.element, channel, &on)
                            : snd_mixer_selem_get_capture_switch(binding.element, channel, &on);
                value = binding.kind == ControlKind::Mute ? !on : on;
            }
            if (error < 0) return alsa::result(error);
            values.push_back(static_cast<std::int32_t>(value));
        }
        return Result::Ok;
    }

    Result setValues(std::uint32_t id, std::span<const std::int32_t> values) override {
        const auto found = bindings_.find(id);
        if (found == bindings_.end()) return Result::InvalidControl;
        const auto& binding = found->second;
        if (binding.kind == ControlKind::Mux) return writeSelector(binding, values);
        if (values.size() != binding.channels.size()) return Result::InvalidParameter;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const auto channel = binding.channels[i];
            int error = 0;
            if (binding.kind == ControlKind::Volume) {
                error = binding.side == Side::Playback
                            ? snd_mixer_selem_set_playback_volume(binding.element, channel, values[i])
                            : snd_mixer_selem_set_capture_volume(binding.element, channel, values[i]);
            } else {
                const int on = binding.kind == ControlKind::Mute ? values[i] == 0 : values[i] != 0;
                error = binding.side == Side::Playback
                            ? snd_mixer_selem_set_playback_switch(binding.element, channel, on)
                            : snd_mixer_selem_set_capture_switch(binding.element, channel, on);
            }
            if (error < 0) return alsa::result(error);
        }
        return Result::Ok;
    }

private:
    struct Destination {
        MixerLine line;
        std::vector<MixerLine> sources;
    };

    static Result readSelector(const Binding& binding, std::vector<std::int32_t>& values) {
        unsigned item = 0;
        if (const int error = snd_mixer_selem_get_enum_item(binding.element, SND_MIXER_SCHN_MONO, &item); error < 0)
            return alsa::result(error);
        const int items = snd_mixer_selem_get_enum_items(binding.element);
        for (int i = 0; i < items; ++i)
            values.push_back(static_cast<unsigned>(i) == item ? 1 : 0);
        return Result::Ok;
    }

    static Result writeSelector(const Binding& binding, std::span<const std::int32_t> values) {
        const auto chosen = std::find_if(values.begin(), values.end(), [](std::int32_t v) { return v != 0; });
        if (chosen == values.end()) return Result::InvalidParameter;
        const auto item = static_cast<unsigned>(chosen - values.begin());
        for (int channel = 0; channel <= SND_MIXER_SCHN_LAST; ++channel) {
            const int error = snd_mixer_selem_set_enum_item(binding.element,
                                                            static_cast<snd_mixer_selem_channel_id_t>(channel), item);
            if (error < 0 && channel == 0) return alsa::result(error);
        }
        return Result::Ok;
    }

    MixerLine lineOf(snd_mixer_elem_t* element, Side side, LineKind kind) {
        MixerLine line{snd_mixer_selem_get_name(element), kind, 0, {}};
        const auto channels = channelsOf(element, side);
        line.channels = static_cast<std::uint32_t>(channels.size());
        if (hasVolume(element, side)) {
            long low = 0;
            long high = 0;
            if (side == Side::Playback)
                snd_mixer_selem_get_playback_volume_range(element, &low, &high);
            else
                snd_mixer_selem_get_capture_volume_range(element, &low, &high);
            const bool joined = side == Side::Playback ? snd_mixer_selem_has_playback_volume_joined(element)
                                                       : snd_mixer_selem_has_capture_volume_joined(element);
            add(line, element, side, ControlKind::Volume, joined ? std::vector{channels.front()} : channels,
                static_cast<std::int32_t>(low), static_cast<std::int32_t>(high));
        }
        if (hasSwitch(element, side)) {
            const bool joined = side == Side::Playback ? snd_mixer_selem_has_playback_switch_joined(element)
                                                       : snd_mixer_selem_has_capture_switch_joined(element);
            add(line, element, side, ControlKind::Mute, joined ? std::vector{channels.front()} : channels, 0, 1);
        }
        return line;
    }

    void add(MixerLine& line, snd_mixer_elem_t* element, Side side, ControlKind kind,
             std::vector<snd_mixer_selem_channel_id_t> channels, std::int32_t low, std::int32_t high) {
        MixerControl control;
        control.id = controlId(element, kind, side);
        control.kind = kind;
        control.uniform = channels.size() == 1;
        control.minimum = low;
        control.maximum = high;
        control.steps = static_cast<std::uint32_t>(high - low);
        line.controls.push_back(control);
        bindings_[control.id] = {element, kind, side, std::move(channels)};
    }

    void addSelector(MixerLine& line, snd_mixer_elem_t* element) {
        MixerControl control;
        control.id = controlId(element, ControlKind::Mux, Side::Capture);
        control.kind = ControlKind::Mux;
        const int items = std::max(snd_mixer_selem_get_enum_items(element), 0);
        control.items = static_cast<std::uint32_t>(items);
        control.maximum = 1;
        for (int i = 0; i < items; ++i) {
            char name[64] = {};
            snd_mixer_selem_get_enum_item_name(element, static_cast<unsigned>(i), sizeof name, name);
            control.itemNames.emplace_back(name);
        }
        line.controls.push_back(control);
        bindings_[control.id] = {element, ControlKind::Mux, Side::Capture, {SND_MIXER_SCHN_MONO}};
    }

    static int speakerRank(snd_mixer_elem_t* element) {
        constexpr std::string_view preferred[] = {"Master", "Speaker", "PCM", "Headphone"};
        const std::string_view name = snd_mixer_selem_get_name(element);
        const auto found = std::find(std::begin(preferred), std::end(preferred), name);
        if (found != std::end(preferred)) return static_cast<int>(found - std::begin(preferred));
        return snd_mixer_selem_has_playback_volume(element) ? 4 : 5;
    }

    void build() {
        std::vector<snd_mixer_elem_t*> playback;
        std::vector<snd_mixer_elem_t*> capture;
        snd_mixer_elem_t* selector = nullptr;
        for (auto* e = snd_mixer_first_elem(mixer_); e != nullptr; e = snd_mixer_elem_next(e)) {
            if (!snd_mixer_selem_is_active(e)) continue;
            if (isSelector(e) && selector == nullptr) selector = e;
            if (hasVolume(e, Side::Playback) || hasSwitch(e, Side::Playback)) playback.push_back(e);
            if (hasVolume(e, Side::Capture) || hasSwitch(e, Side::Capture)) capture.push_back(e);
        }
        if (!playback.empty()) {
            std::stable_sort(playback.begin(), playback.end(),
                             [](auto* a, auto* b) { return speakerRank(a) < speakerRank(b); });
            Destination speakers{lineOf(playback.front(), Side::Playback, LineKind::Speakers), {}};
            speakers.line.name = "Speakers";
            for (auto it = playback.begin() + 1; it != playback.end(); ++it)
                speakers.sources.push_back(lineOf(*it, Side::Playback, LineKind::Other));
            destinations_.push_back(std::move(speakers));
        }
        if (!capture.empty() || selector != nullptr) {
            Destination waveIn{{"Wave In", LineKind::WaveIn, 1, {}}, {}};
            if (selector != nullptr) addSelector(waveIn.line, selector);
            for (auto* e : capture) {
                const std::string_view name = snd_mixer_selem_get_name(e);
                const bool microphone = name.starts_with("Mic") || name == "Capture";
                waveIn.sources.push_back(lineOf(e, Side::Capture, microphone ? LineKind::Microphone : LineKind::Other));
            }
            destinations_.push_back(std::move(waveIn));
        }
    }

    snd_mixer_t* const mixer_;
    std::vector<Destination> destinations_;
    std::map<std::uint32_t, Binding> bindings_;
};

} // namespace

Result openAlsaMixer(const std::string& controlName, std::unique_ptr<Mixer>& out) {
    alsa::silenceLibraryErrors();
    snd_mixer_t* mixer = nullptr;
    if (const int error = snd_mixer_open(&mixer, 0); error < 0) return alsa::result(error);
    if (snd_mixer_attach(mixer, controlName.c_str()) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
        snd_mixer_load(mixer) < 0) {
        snd_mixer_close(mixer);
        return Result::NoDriver;
    }
    auto opened = std::make_unique<AlsaMixer>(mixer);
    if (opened->empty()) return Result::NoDriver;
    out = std::move(opened);
    return Result::Ok;
}

} // namespace kez::audio
