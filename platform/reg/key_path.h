#pragma once
// Splitting and checking key paths and names.
#include "kez/reg/status.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kez::reg {

constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
constexpr std::size_t kMaxKeyDepth = 512;

bool isValidKeyName(std::string_view name);
bool isValidValueName(std::string_view name);
// "A\B\" -> {A, B}; an empty path gives no names. Empty inner names, NUL bytes and over-long names are refused.
Status splitKeyPath(std::string_view path, std::vector<std::string>& names);

} // namespace kez::reg
