// Capture and restore of the mixers' controls in the registry.
#include "sonwell/mixer_state.h"

#include "kez/reg/key.h"

#include <cstdio>
#include <vector>

namespace kez::sonwell {
namespace {

using audio::Mixer;
using audio::MixerLine;

com::HRESULT registryError(reg::Status status) {
    return com::makeHresult(0x80070000u | static_cast<std::uint32_t>(reg::code(status)));
}

std::string valueName(std::uint32_t controlId) {
    char name[16];
    std::snprintf(name, sizeof name, "%x", controlId);
    return name;
}

std::vector<std::uint8_t> bytesOf(const std::vector<std::int32_t>& values) {
    std::vector<std::uint8_t> bytes;
    for (const auto value : values) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    return bytes;
}

std::vector<std::int32_t> valuesOf(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int32_t> values(bytes.size() / 4);
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint32_t bits = 0;
        for (int b = 3; b >= 0; --b)
            bits = bits << 8 | bytes[i * 4 + static_cast<std::size_t>(b)];
        values[i] = static_cast<std::int32_t>(bits);
    }
    return values;
}

void saveLine(const Mixer& mixer, const MixerLine& line, reg::Key& key) {
    for (const auto& control : line.controls) {
        std::vector<std::int32_t> values;
        if (!audio::ok(mixer.getValues(control.id, values))) continue;
        key.setValue(valueName(control.id), reg::Type::Binary, bytesOf(values));
    }
}

// A stored value is applied only when it has exactly the control's size, and a control that
// refuses it is passed over, so a changed card never gets foreign values or stops the rest.
void applyLine(Mixer& mixer, const MixerLine& line, const reg::Key& key) {
    for (const auto& control : line.controls) {
        std::vector<std::int32_t> current;
        if (!audio::ok(mixer.getValues(control.id, current))) continue;
        reg::Value stored;
        if (key.queryValue(valueName(control.id), stored, current.size() * 4) != reg::Status::Ok) continue;
        if (stored.bytes.size() != current.size() * 4) continue;
        mixer.setValues(control.id, valuesOf(stored.bytes));
    }
}

template <typename Visit>
void forEachLine(Mixer& mixer, const reg::Key& mixerKey, bool create, Visit visit) {
    for (std::size_t d = 0; d < mixer.destinationCount(); ++d) {
        reg::Key destinationKey;
        const auto name = std::to_string(d);
        const auto opened = create ? mixerKey.create(name, reg::Access::ReadWrite, destinationKey)
                                   : mixerKey.open(name, reg::Access::Read, destinationKey);
        if (opened != reg::Status::Ok) continue;
        MixerLine line;
        if (!audio::ok(mixer.destination(d, line))) continue;
        visit(line, destinationKey);
        for (std::size_t s = 0; s < mixer.sourceCount(d); ++s) {
            reg::Key sourceKey;
            const auto sourceName = std::to_string(s);
            const auto sourceOpened = create ? destinationKey.create(sourceName, reg::Access::ReadWrite, sourceKey)
                                             : destinationKey.open(sourceName, reg::Access::Read, sourceKey);
            if (sourceOpened != reg::Status::Ok) continue;
            MixerLine source;
            if (audio::ok(mixer.source(d, s, source))) visit(source, sourceKey);
        }
    }
}

} // namespace

MixerOutcome CaptureMixerData(std::string_view registryKey) {
    for (std::size_t m = 0; m < audio::mixerCount(); ++m) {
        const std::string path = std::string(registryKey) + "\\" + std::to_string(m);
        reg::Key key;
        auto status = reg::Key::create(reg::Hive::LocalMachine, path, reg::Access::ReadWrite, key);
        if (status != reg::Status::Ok)
            status = reg::Key::create(reg::Hive::CurrentUser, path, reg::Access::ReadWrite, key);
        if (status != reg::Status::Ok) return {registryError(status), "Open failure on device registry key"};
        std::unique_ptr<Mixer> mixer;
        if (!audio::ok(audio::openMixer(static_cast<int>(m), mixer))) continue;
        forEachLine(*mixer, key, true,
                    [&](const MixerLine& line, reg::Key& lineKey) { saveLine(*mixer, line, lineKey); });
    }
    return {};
}

MixerOutcome RestoreMixerData(std::string_view registryKey) {
    for (std::size_t m = 0; m < audio::mixerCount(); ++m) {
        const std::string path = std::string(registryKey) + "\\" + std::to_string(m);
        reg::Key key;
        if (reg::Key::open(reg::Hive::LocalMachine, path, reg::Access::Read, key) != reg::Status::Ok &&
            reg::Key::open(reg::Hive::CurrentUser, path, reg::Access::Read, key) != reg::Status::Ok)
            continue;
        std::unique_ptr<Mixer> mixer;
        if (!audio::ok(audio::openMixer(static_cast<int>(m), mixer))) continue;
        forEachLine(*mixer, key, false,
                    [&](const MixerLine& line, const reg::Key& lineKey) { applyLine(*mixer, line, lineKey); });
    }
    return {};
}

} // namespace kez::sonwell
