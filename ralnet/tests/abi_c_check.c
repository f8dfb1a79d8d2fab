/* Compiled as C: the chief header must stand on its own in a C program. */
#include "ralnet/j5.h"

_Static_assert(sizeof(J5Header) == 18, "the full header is 18 bytes");
_Static_assert(sizeof(J5IpSettings) == 20, "the IP settings block is 20 bytes");

int ralnetCRingRoundTrip(void) {
    void* slots[3] = {0, 0, 0};
    int value = 42;
    void* out = 0;
    J5Ring ring;
    J5RingInit(&ring, slots, 3);
    if (!J5RingBufPut(&ring, &value) || !J5RingBufGet(&ring, &out)) return 0;
    return out == &value && J5RingIsEmpty(&ring) && broadcast[0] == 0xFF;
}
