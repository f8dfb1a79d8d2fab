#include "kez/audio/format.h"

namespace kez::audio {
namespace {

std::uint16_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t dword(std::span<const std::uint8_t> bytes, std::size_t at) {
    return word(bytes, at) | static_cast<std::uint32_t>(word(bytes, at + 2)) << 16;
}

constexpr std::size_t kBaseSize = 16;
constexpr std::size_t kExtendedSize = 18;

} // namespace

bool isOpenable(const PcmFormat& format) {
    return (format.channels == 1 || format.channels == 2) && (format.bits == 8 || format.bits == 16) &&
           format.rate >= 1 && format.rate <= 192000;
}

Result parseWaveFormat(std::span<const std::uint8_t> bytes, WaveFormat& out) {
    if (bytes.size() < kBaseSize) return Result::BadFormat;
    WaveFormat format;
    format.tag = word(bytes, 0);
    format.channels = word(bytes, 2);
    format.rate = dword(bytes, 4);
    format.bytesPerSecond = dword(bytes, 8);
    format.blockAlign = word(bytes, 12);
    format.bits = word(bytes, 14);
    if (bytes.size() >= kExtendedSize) {
        const std::size_t extra = word(bytes, 16);
        if (bytes.size() - kExtendedSize < extra) return Result::BadFormat;
        format.extra.assign(bytes.begin() + kExtendedSize, bytes.begin() + kExtendedSize + extra);
    }
    if (format.channels == 0 || format.rate == 0 || format.blockAlign == 0) return Result::BadFormat;
    out = std::move(format);
    return Result::Ok;
}

WaveFormat waveFormatOf(const PcmFormat& format) {
    const auto align = static_cast<std::uint16_t>(format.frameBytes());
    return {wave_tag::kPcm, format.channels, format.rate, format.rate * align, align, format.bits, {}};
}

} // namespace kez::audio
