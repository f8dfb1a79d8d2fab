#pragma once

#include <array>
#include <cstdint>

namespace kez::sonwell {

inline constexpr int kSineTableSize = 500;
extern const std::array<std::int16_t, kSineTableSize> kQuarterSine;

} // namespace kez::sonwell
