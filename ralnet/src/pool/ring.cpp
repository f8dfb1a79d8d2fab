#include "pool/ring.h"

namespace ralnet {
namespace {

// A ring whose indexes or size the caller damaged would index past its array: treat it as
// unusable (full and empty at once) instead.
bool isSound(const J5Ring& ring) {
    return ring.array && ring.size >= 1 && ring.size <= ring.capacity && ring.lastIndex == ring.size - 1 &&
           ring.putIndex <= ring.lastIndex && ring.getIndex <= ring.lastIndex;
}

std::uint16_t advance(const J5Ring& ring, std::uint16_t index) {
    return index == ring.lastIndex ? 0 : static_cast<std::uint16_t>(index + 1);
}

} // namespace

void ringInit(J5Ring& ring, void** array, std::uint16_t n) {
    ring.capacity = n;
    ring.size = n;
    ring.lastIndex = static_cast<std::uint16_t>(n - 1);
    ring.array = array;
    ring.putIndex = 0;
    ring.getIndex = 0;
}

bool ringIsEmpty(const J5Ring& ring) { return !isSound(ring) || ring.putIndex == ring.getIndex; }

bool ringIsFull(const J5Ring& ring) {
    if (!isSound(ring)) return true;
    return ring.putIndex + 1 == ring.getIndex || (ring.putIndex == ring.lastIndex && ring.getIndex == 0);
}

bool ringPut(J5Ring& ring, void* pointer) {
    if (!pointer || ringIsFull(ring)) return false;
    ring.array[ring.putIndex] = pointer;
    ring.putIndex = advance(ring, ring.putIndex);
    return true;
}

void* ringGet(J5Ring& ring) {
    if (ringIsEmpty(ring)) return nullptr;
    void* pointer = ring.array[ring.getIndex];
    ring.array[ring.getIndex] = nullptr;
    ring.getIndex = advance(ring, ring.getIndex);
    return pointer;
}

std::uint16_t ringUsedEntries(const J5Ring& ring) {
    if (!isSound(ring)) return 0;
    if (ring.putIndex >= ring.getIndex) return static_cast<std::uint16_t>(ring.putIndex - ring.getIndex);
    return static_cast<std::uint16_t>(ring.putIndex - ring.getIndex + ring.size);
}

void* ringPeek(const J5Ring& ring) { return ringIsEmpty(ring) ? nullptr : ring.array[ring.getIndex]; }

void* ringTakeWithReserve(J5Ring& ring, std::uint16_t reserve, bool forced) {
    if (!forced && ringUsedEntries(ring) <= reserve) return nullptr;
    return ringGet(ring);
}

std::uint16_t ringResize(J5Ring& ring, std::uint16_t n) {
    if (n < 1 || !isSound(ring)) return 0;
    if (ringIsEmpty(ring)) {
        const std::uint32_t wanted = static_cast<std::uint32_t>(n) + 1;
        ring.size = static_cast<std::uint16_t>(wanted < ring.capacity ? wanted : ring.capacity);
        ring.lastIndex = static_cast<std::uint16_t>(ring.size - 1);
        ring.putIndex = 0; // the old indexes may lie beyond the new last slot
        ring.getIndex = 0;
    }
    return ring.lastIndex;
}

} // namespace ralnet
