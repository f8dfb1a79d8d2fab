// Wave data to device format: decode to float frames, remix channels, resample, quantise.
#include "kez/audio/convert.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

namespace kez::audio {
namespace {

float muLawSample(std::uint8_t code) {
    const unsigned u = ~code & 0xFFu;
    const int magnitude = (((static_cast<int>(u & 0x0F) << 3) + 0x84) << ((u >> 4) & 7)) - 0x84;
    return static_cast<float>((u & 0x80) ? -magnitude : magnitude) / 32768.0f;
}

// One sample of `bytes` little-endian bytes as a fraction of full scale.
float pcmSample(const std::uint8_t* at, unsigned bytes) {
    if (bytes == 1) return (static_cast<int>(*at) - 128) / 128.0f;
    std::uint32_t raw = 0;
    for (unsigned i = 0; i < bytes; ++i)
        raw |= std::uint32_t{at[i]} << (8 * i);
    const unsigned shift = 32 - 8 * bytes;
    const auto value = static_cast<std::int32_t>(raw << shift); // sign from the top byte
    return static_cast<float>(static_cast<double>(value) / 2147483648.0);
}

Result decode(const WaveFormat& source, std::span<const std::uint8_t> data, std::vector<float>& out) {
    unsigned sampleBytes = 0;
    if (source.tag == wave_tag::kMuLaw && source.bits == 8)
        sampleBytes = 1;
    else if (source.tag == wave_tag::kPcm && source.bits % 8 == 0 && source.bits >= 8 && source.bits <= 32)
        sampleBytes = source.bits / 8u;
    else
        return Result::ConversionNotPossible;
    if (source.blockAlign != source.channels * sampleBytes) return Result::BadFormat;
    const std::size_t samples = data.size() / source.blockAlign * source.channels;
    out.resize(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        const auto* at = data.data() + i * sampleBytes;
        out[i] = source.tag == wave_tag::kMuLaw ? muLawSample(*at) : pcmSample(at, sampleBytes);
    }
    return Result::Ok;
}

// Mixes every frame down to its average, or copies one channel to several.
std::vector<float> remix(const std::vector<float>& in, unsigned from, unsigned to) {
    const std::size_t frames = in.size() / from;
    std::vector<float> out(frames * to);
    for (std::size_t f = 0; f < frames; ++f) {
        float sum = 0;
        for (unsigned c = 0; c < from; ++c)
            sum += in[f * from + c];
        for (unsigned c = 0; c < to; ++c)
            out[f * to + c] = from == to ? in[f * from + c] : sum / static_cast<float>(from);
    }
    return out;
}

Result resample(std::vector<float>& samples, unsigned channels, std::uint32_t from, std::uint32_t to) {
    if (from == to || samples.empty()) return Result::Ok;
    const double ratio = static_cast<double>(to) / from;
    const auto framesIn = static_cast<long>(samples.size() / channels);
    std::vector<float> out(static_cast<std::size_t>(std::ceil(static_cast<double>(framesIn) * ratio) + 1) * channels);
    SRC_DATA job{};
    job.data_in = samples.data();
    job.data_out = out.data();
    job.input_frames = framesIn;
    job.output_frames = static_cast<long>(out.size() / channels);
    job.src_ratio = ratio;
    if (src_simple(&job, SRC_SINC_MEDIUM_QUALITY, static_cast<int>(channels)) != 0)
        return Result::ConversionNotPossible;
    out.resize(static_cast<std::size_t>(job.output_frames_gen) * channels);
    samples = std::move(out);
    return Result::Ok;
}

void quantise(const std::vector<float>& samples, unsigned bits, std::vector<std::uint8_t>& out) {
    out.clear();
    out.reserve(samples.size() * (bits / 8));
    for (const float sample : samples) {
        const float clipped = std::clamp(sample, -1.0f, 1.0f);
        if (bits == 8) {
            out.push_back(static_cast<std::uint8_t>(std::lround(clipped * 127.0f) + 128));
            continue;
        }
        const auto value = static_cast<std::int16_t>(std::clamp(std::lround(clipped * 32768.0f), -32768L, 32767L));
        out.push_back(static_cast<std::uint8_t>(value & 0xFF));
        out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
}

} // namespace

Result convertToDevice(const WaveFormat& source, std::span<const std::uint8_t> data, const PcmFormat& target,
                       std::vector<std::uint8_t>& out) {
    if (!isOpenable(target) || source.channels == 0 || source.rate == 0 || source.blockAlign == 0)
        return Result::BadFormat;
    std::vector<float> samples;
    if (const auto decoded = decode(source, data, samples); !ok(decoded)) return decoded;
    samples = remix(samples, source.channels, target.channels);
    if (const auto resampled = resample(samples, target.channels, source.rate, target.rate); !ok(resampled))
        return resampled;
    quantise(samples, target.bits, out);
    return Result::Ok;
}

} // namespace kez::audio
