#include "packet_ledger.h"

#include <dlfcn.h>

#include <mutex>
#include <unordered_set>

#include "ralnet/j5.h"

namespace kez::linkor::test {
namespace {

std::mutex gLock;
std::unordered_set<const J5PacketObj*> gOutstanding;
LedgerCounts gCounts;
std::optional<std::array<std::uint8_t, 4>> gInitOwnIp;

template <class Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

J5PacketObj* noteLent(J5PacketObj* packet) {
    if (packet) {
        std::lock_guard lock(gLock);
        gOutstanding.insert(packet);
        ++gCounts.lent;
    }
    return packet;
}

} // namespace

LedgerCounts ledger() {
    std::lock_guard lock(gLock);
    LedgerCounts counts = gCounts;
    counts.outstanding = gOutstanding.size();
    return counts;
}

std::optional<std::array<std::uint8_t, 4>> lastInitOwnIp() {
    std::lock_guard lock(gLock);
    return gInitOwnIp;
}

} // namespace kez::linkor::test

using kez::linkor::test::gCounts;
using kez::linkor::test::gInitOwnIp;
using kez::linkor::test::gLock;
using kez::linkor::test::gOutstanding;
using kez::linkor::test::noteLent;
using kez::linkor::test::real;

extern "C" {

J5Result J5InitDefault(const char* adapter, J5NetIf* ctx, const uint8_t* ownMac, const J5IpSettings* settings) {
    static const auto next =
        real<J5Result (*)(const char*, J5NetIf*, const uint8_t*, const J5IpSettings*)>("J5InitDefault");
    {
        std::lock_guard lock(gLock);
        gInitOwnIp.reset();
        if (settings) gInitOwnIp.emplace(std::to_array(settings->ownIp));
    }
    return next(adapter, ctx, ownMac, settings);
}

J5PacketObj* J5ReceiveObj(J5NetIf* ctx, uint32_t a, uint32_t b) {
    static const auto next = real<J5PacketObj* (*)(J5NetIf*, uint32_t, uint32_t)>("J5ReceiveObj");
    return noteLent(next(ctx, a, b));
}

J5PacketObj* J5AudioReceiveObj(J5NetIf* ctx, uint32_t a, uint32_t b) {
    static const auto next = real<J5PacketObj* (*)(J5NetIf*, uint32_t, uint32_t)>("J5AudioReceiveObj");
    return noteLent(next(ctx, a, b));
}

void J5FreePacketObj(J5NetIf* ctx, J5PacketObj* packet) {
    static const auto next = real<void (*)(J5NetIf*, J5PacketObj*)>("J5FreePacketObj");
    if (packet) {
        std::lock_guard lock(gLock);
        if (gOutstanding.erase(packet) == 0) ++gCounts.strayReturns;
    }
    next(ctx, packet);
}

} // extern "C"
