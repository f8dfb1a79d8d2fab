#pragma once
// Byte arrays as they cross component interfaces (a Variant holding an array of bytes), for
// arguments and for reading results back.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "kez/com/variant.h"

namespace kez::test {

com::Variant byteArray(std::span<const std::uint8_t> bytes);
inline com::Variant byteArray(std::initializer_list<std::uint8_t> bytes) {
    return byteArray(std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
}
// The array's bytes; none for a Variant that holds no array.
std::vector<std::uint8_t> bytesOf(const com::Variant& value);

} // namespace kez::test
