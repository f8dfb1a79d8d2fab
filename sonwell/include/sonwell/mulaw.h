#pragma once
// G.711 mu-law: one code byte per 16-bit linear sample.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kez::sonwell {

std::int16_t MuLawExpandSample(std::uint8_t code);
std::uint8_t MuLawCompressSample(std::int16_t sample);

// Both convert min(out.size(), in.size()) values and return that count.
std::size_t MuLawExpand(std::span<std::int16_t> out, std::span<const std::uint8_t> in);
std::size_t MuLawCompress(std::span<std::uint8_t> out, std::span<const std::int16_t> in);

} // namespace kez::sonwell
