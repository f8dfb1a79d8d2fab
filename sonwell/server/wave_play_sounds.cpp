// WavePlay: tones, alerts and wave recordings, and the speaker's mixer.
#include "wave_play_object.h"

#include "kez/audio/convert.h"
#include "kez/audio/devices.h"
#include "kez/com/array_routines.h"
#include "kez/com/safe_array.h"

namespace kez::sonwell {
namespace {

constexpr char kGettingStream[] = "Error getting stream";

bool sameFormat(const audio::WaveFormat& a, const audio::WaveFormat& b) {
    return a.tag == b.tag && a.channels == b.channels && a.rate == b.rate && a.blockAlign == b.blockAlign &&
           a.bits == b.bits && a.bytesPerSecond == b.bytesPerSecond;
}

// The wave's samples as the streams hold them: 16-bit mono at the device's rate.
HRESULT deviceSamples(const audio::WaveFormat& source, const std::vector<std::uint8_t>& data, std::uint32_t rate,
                      std::vector<std::int16_t>& samples) {
    const audio::PcmFormat target{rate, 1, 16};
    std::vector<std::uint8_t> converted;
    const std::vector<std::uint8_t>* bytes = &data;
    if (!sameFormat(source, audio::waveFormatOf(target))) {
        if (const auto result = audio::convertToDevice(source, data, target, converted); !audio::ok(result))
            return waveMmError(result);
        bytes = &converted;
    }
    samples.resize(bytes->size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>((*bytes)[2 * i] | (*bytes)[2 * i + 1] << 8);
    return com::S_OK;
}

} // namespace

HRESULT WavePlay::PlayTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority, VariantBool bOverride,
                           std::int32_t& lStream) {
    Lock lock(lock_);
    auto* m = mixer();
    if (!m) return fail(kWaveGeneralError, kGettingStream);
    StreamHandle handle = 0;
    const HRESULT hr =
        m->toneStream(nTone, nDuration, nCountry_, nToneStrength_, lPriority, com::isVariantTrue(bOverride), handle);
    return created(hr, handle, lStream, kGettingStream);
}

HRESULT WavePlay::PlayAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles, std::int32_t lPriority,
                            VariantBool bOverride, std::int32_t& lStream) {
    Lock lock(lock_);
    auto* m = mixer();
    if (!m) return fail(kWaveGeneralError, kGettingStream);
    StreamHandle handle = 0;
    if (const HRESULT hr = m->alertStream(nToneStrength_, lPriority, com::isVariantTrue(bOverride), handle);
        com::FAILED(hr))
        return fail(hr, kGettingStream);
    const HRESULT hr = m->withStreamOf<BufferStream>(
        handle, [&](BufferStream& s) { return s.AddAlert(nAlert, nCadence, nCycles & 0xFF); });
    if (com::FAILED(hr)) {
        m->ReleaseAudioStream(handle);
        lStream = 0;
        return fail(hr, "Error generating tone");
    }
    return created(hr, handle, lStream, kGettingStream);
}

HRESULT WavePlay::PlayTimedWave(const Variant& varFormat, const Variant& varData, std::int16_t nDuration,
                                std::int32_t lPriority, VariantBool bOverride, std::int32_t& lStream) {
    return playWave(varFormat, varData, static_cast<std::uint16_t>(nDuration), 0, lPriority, bOverride, lStream);
}

HRESULT WavePlay::PlayCycledWave(const Variant& varFormat, const Variant& varData, std::int16_t nCycles,
                                 std::int32_t lPriority, VariantBool bOverride, std::int32_t& lStream) {
    return playWave(varFormat, varData, 0, static_cast<std::uint8_t>(nCycles), lPriority, bOverride, lStream);
}

// A format record that is short, announces more than it holds or has no channels, rate or block
// is refused before anything is read by it.
HRESULT WavePlay::playWave(const Variant& varFormat, const Variant& varData, std::uint16_t durationMs,
                           std::uint8_t cycles, std::int32_t lPriority, VariantBool bOverride, std::int32_t& lStream) {
    std::vector<std::uint8_t> formatBytes, data;
    if (com::FAILED(com::GetSafeArrayEx(varFormat, formatBytes)) || com::FAILED(com::GetSafeArrayEx(varData, data)))
        return fail(com::DISP_E_EXCEPTION, "GetSafeArrayEx failed");
    audio::WaveFormat source;
    if (const auto result = audio::parseWaveFormat(formatBytes, source); !audio::ok(result))
        return fail(waveMmError(result), kGettingStream);
    Lock lock(lock_);
    auto* m = mixer();
    if (!m) return fail(kWaveGeneralError, kGettingStream);
    std::vector<std::int16_t> samples;
    if (const HRESULT hr = deviceSamples(source, data, m->format().device.rate, samples); com::FAILED(hr))
        return fail(hr, kGettingStream);
    StreamHandle handle = 0;
    if (const HRESULT hr = m->waveStream(lPriority, com::isVariantTrue(bOverride), handle); com::FAILED(hr))
        return fail(hr, kGettingStream);
    m->withStreamOf<BufferStream>(handle, [&](BufferStream& s) { return s.AddWave(samples, durationMs, cycles); });
    return created(com::S_OK, handle, lStream, kGettingStream);
}

HRESULT WavePlay::get_bMute(VariantBool& value) {
    Lock lock(lock_);
    const auto outcome = speaker_.getMute(value);
    return outcome.succeeded() ? com::S_OK : fail(outcome.hr, outcome.text.c_str());
}

HRESULT WavePlay::put_bMute(VariantBool value) {
    Lock lock(lock_);
    const auto outcome = speaker_.setMute(value != 0);
    return outcome.succeeded() ? com::S_OK : fail(outcome.hr, outcome.text.c_str());
}

HRESULT WavePlay::ChangeVolume(std::int16_t nChange) {
    Lock lock(lock_);
    const auto outcome = speaker_.changeVolume(nChange);
    return outcome.succeeded() ? com::S_OK : fail(outcome.hr, outcome.text.c_str());
}

HRESULT WavePlay::CaptureMixerData(const std::string& sRegistryKey) {
    const auto outcome = sonwell::CaptureMixerData(sRegistryKey);
    return outcome.succeeded() ? com::S_OK : fail(outcome.hr, outcome.text.c_str());
}

HRESULT WavePlay::RestoreMixerData(const std::string& sRegistryKey) {
    const auto outcome = sonwell::RestoreMixerData(sRegistryKey);
    return outcome.succeeded() ? com::S_OK : fail(outcome.hr, outcome.text.c_str());
}

HRESULT WavePlay::get_varAdapters(Variant& value) {
    Lock lock(lock_);
    if (!adapters_) {
        adapters_.emplace();
        for (const auto& device : audio::listDevices(audio::Direction::Playback))
            adapters_->push_back(device.name.empty() ? "Unknown Device - Do not use" : device.name);
    }
    value = com::SafeArray::fromTexts(*adapters_);
    return com::S_OK;
}

HRESULT WavePlay::get_lBufferDelay(std::int32_t& value) { return read(lBufferDelay_, value); }
HRESULT WavePlay::put_lBufferDelay(std::int32_t value) { return write(lBufferDelay_, value); }
HRESULT WavePlay::get_lSampleSize(std::int32_t& value) { return read(lSampleSize_, value); }
HRESULT WavePlay::put_lSampleSize(std::int32_t value) { return write(lSampleSize_, value); }
HRESULT WavePlay::get_lBufferMultiplier(std::int32_t& value) { return read(lBufferMultiplier_, value); }
HRESULT WavePlay::put_lBufferMultiplier(std::int32_t value) { return write(lBufferMultiplier_, value); }
HRESULT WavePlay::get_nAdapter(std::int16_t& value) { return read(nAdapter_, value); }
HRESULT WavePlay::put_nAdapter(std::int16_t value) { return write(nAdapter_, value); }
HRESULT WavePlay::get_nCountry(std::int16_t& value) { return read(nCountry_, value); }
HRESULT WavePlay::put_nCountry(std::int16_t value) { return write(nCountry_, value); }
HRESULT WavePlay::get_lActiveStreams(std::int32_t& value) { return read(lActiveStreams_, value); }
HRESULT WavePlay::get_nToneStrength(std::int16_t& value) { return read(nToneStrength_, value); }

// Values outside 0..100 are ignored, and the call still succeeds.
HRESULT WavePlay::put_nToneStrength(std::int16_t value) {
    return value >= 0 && value <= 100 ? write(nToneStrength_, value) : com::S_OK;
}

} // namespace kez::sonwell
