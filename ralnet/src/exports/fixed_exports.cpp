// Exports with a fixed result, the time helpers and the exported data objects.
#include "kez/sys/tick.h"
#include "ralnet/j5.h"

#include <atomic>

namespace {

std::atomic<J5CallBackRoutine> gSavedCallBack{nullptr};

constexpr J5ErrorCode kErrorCodeByCause[16] = {
    0x6001, 0x6003, 0x6004, 0x6005, 0x6006, 0x6007, 0x6002, 0x6009,
    0x6008, 0x6014, 0x6015, 0x6016, 0x6017, 0x6018, 0x6001, 0x6001,
};

} // namespace

extern "C" {

const uint8_t broadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
J5NetIf* pSavedJ5NetIf = nullptr;
const uint8_t zeroMacAddress[6] = {0, 0, 0, 0, 0, 0};
const uint8_t unZeroIPAddress[4] = {0, 0, 0, 0};

J5_API int J5SetSourceAddress(J5NetIf*, const uint8_t*, const uint8_t*) { return 1; }

J5_API void J5SetRcvGatewayMACAddr(J5NetIf*, const uint8_t*) {}

// Ralnet resolves no addresses.
J5_API int ARPNetGetMacAddrFromIP(J5NetIf*, const uint8_t*, uint32_t, uint32_t, uint8_t*) { return 0; }

// Stored for callers that read it back through nothing; the stack never calls it.
J5_API void J5SaveCallBackRoutineAddress(J5CallBackRoutine routine) { gSavedCallBack.store(routine); }

J5_API J5NetIf* J5GetCurrentInstancePointer(void) { return pSavedJ5NetIf; }

// The shared-instance mode is not built; these switch nothing on.
J5_API void J5SetCurrentInstancePointer(J5NetIf*, void*, void*) {}
J5_API void passPointers(J5NetIf*, void*, void*) {}

J5_API J5ErrorCode j5ConvertCauseToErrorCode(J5Result result) { return kErrorCodeByCause[(result >> 8) & 0x0F]; }

// One less across a wrap of the tick: kept as callers have always seen it.
J5_API uint32_t j5GetTimeDiff(uint32_t tick) {
    const uint32_t now = kez::sys::tickMs();
    return now >= tick ? now - tick : (0xFFFFFFFFu - tick) + now;
}

J5_API uint32_t tickGet(void) { return kez::sys::tickMs(); }

J5_API int sysClkRateGet(void) { return 1000; }

J5_API void dbgfprintf(uint32_t) {}
J5_API void wCrash(uint32_t) {}

} // extern "C"
