#pragma once
// Operations on J5Ring used inside the stack, beside the exported ones. A ring is not locked:
// each ring has one writer and one reader, or its owner serialises access.
#include "ralnet/j5.h"

#include <cstdint>

namespace ralnet {

void ringInit(J5Ring& ring, void** array, std::uint16_t n);
bool ringPut(J5Ring& ring, void* pointer);
void* ringGet(J5Ring& ring);
bool ringIsEmpty(const J5Ring& ring);
bool ringIsFull(const J5Ring& ring);
std::uint16_t ringUsedEntries(const J5Ring& ring);

// The oldest entry without taking it; null when empty.
void* ringPeek(const J5Ring& ring);

// Takes the oldest entry only while more than `reserve` entries remain, or always when forced.
void* ringTakeWithReserve(J5Ring& ring, std::uint16_t reserve, bool forced);

// While empty: size = min(capacity, n + 1). Returns the entries the ring can hold afterwards,
// or 0 when n is below 1 (ring unchanged).
std::uint16_t ringResize(J5Ring& ring, std::uint16_t n);

} // namespace ralnet
