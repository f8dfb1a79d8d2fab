// The LED block of a UI state message: five big-endian words of 4-bit states. A line LED in
// state 15 takes its state from a system-state LED array, chosen and indexed by the LED map.
#include "control_handlers.h"

namespace kez::corvane {
namespace {

constexpr std::uint16_t kTelephoneGroup = 0x0200;
constexpr std::uint16_t kTrunkGroup = 0x0300;
constexpr std::uint16_t kParkGroup = 0x0600;
constexpr unsigned kLedsPerWord = 4;

std::uint16_t bigEndianWord(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]); }

std::int16_t nibble(std::uint16_t word, unsigned field) { return static_cast<std::int16_t>(word >> (4 * field) & 0xF); }

const std::optional<std::vector<std::uint8_t>>* arrayOf(std::uint16_t group, const LedArrays& arrays) {
    switch (group) {
    case kTelephoneGroup: return &arrays.telephone;
    case kTrunkGroup: return &arrays.trunk;
    case kParkGroup: return &arrays.park;
    default: return nullptr;
    }
}

// Unit 0 leaves the LED mapped; an unknown group, a missing array or a unit past the array's
// end reads as off.
std::int16_t resolveMappedLed(const MappedLed& entry, const LedArrays& arrays) {
    if (entry.unit == 0) return kMappedLed;
    const auto* array = arrayOf(entry.group, arrays);
    if (!array || !*array) return 0;
    const std::size_t index = entry.unit - 1u;
    const std::size_t offset = index / kLedsPerWord * 2;
    if (offset + 2 > (*array)->size()) return 0;
    return nibble(bigEndianWord((*array)->data() + offset), index % kLedsPerWord);
}

} // namespace

LedBlock unpackLeds(const std::array<std::uint8_t, 10>& bytes, const LedMap& map, const LedArrays& arrays) {
    std::array<std::uint16_t, 5> w{};
    for (std::size_t i = 0; i < w.size(); ++i)
        w[i] = bigEndianWord(bytes.data() + 2 * i);
    LedBlock block{nibble(w[0], 1), nibble(w[0], 0), nibble(w[0], 2), nibble(w[1], 1), nibble(w[1], 0)};
    for (std::size_t line = 0; line < kLineLeds; ++line) {
        const std::int16_t state = nibble(w[2 + line / kLedsPerWord], line % kLedsPerWord);
        block[5 + line] = state == kMappedLed ? resolveMappedLed(map[line], arrays) : state;
    }
    return block;
}

} // namespace kez::corvane
