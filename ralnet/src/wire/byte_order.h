#pragma once
// Explicit byte-order access to wire fields; the buffers carry no alignment.
#include <cstdint>

namespace ralnet::wire {

inline std::uint16_t loadBe16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

inline void storeBe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

// The "HU" running counter is the one header field written low byte first.
inline std::uint16_t loadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

inline void storeLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// A u16 struct field that holds two bytes exactly as they stand on the wire.
inline std::uint16_t wireOrderWord(std::uint16_t hostValue) {
    std::uint16_t word = 0;
    storeBe16(reinterpret_cast<std::uint8_t*>(&word), hostValue);
    return word;
}

} // namespace ralnet::wire
