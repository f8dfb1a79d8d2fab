// The exported J5Ring functions: plain, unlocked, tolerant of a null ring.
#include "pool/ring.h"
#include "ralnet/j5.h"

extern "C" {

J5_API void J5RingInit(J5Ring* ring, void** array, uint16_t n) {
    if (ring) ralnet::ringInit(*ring, array, n);
}

J5_API int J5RingBufPut(J5Ring* ring, void* pointer) { return ring && ralnet::ringPut(*ring, pointer) ? 1 : 0; }

J5_API int J5RingBufGet(J5Ring* ring, void** out) {
    void* pointer = ring ? ralnet::ringGet(*ring) : nullptr;
    if (out) *out = pointer;
    return pointer ? 1 : 0;
}

J5_API int J5RingIsEmpty(const J5Ring* ring) { return !ring || ralnet::ringIsEmpty(*ring) ? 1 : 0; }

J5_API int J5RingIsFull(const J5Ring* ring) { return !ring || ralnet::ringIsFull(*ring) ? 1 : 0; }

J5_API uint16_t J5RingGetUsedEntryCount(const J5Ring* ring) { return ring ? ralnet::ringUsedEntries(*ring) : 0; }

J5_API uint16_t J5RingGetCurrentSize(const J5Ring* ring) { return ring ? ring->lastIndex : 0; }

} // extern "C"
