// The application's receive calls for data and audio, and the audio switch.
#include "iface/app_delivery.h"
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "ralnet/j5.h"

using namespace ralnet::iface;

extern "C" {

J5_API J5PacketObj* J5ReceiveObj(J5NetIf* ctx, uint32_t, uint32_t) {
    const auto iface = acquireInterface(ctx);
    return iface ? takeWhenReady(*iface, iface->dataQueue, iface->dataSemaphore) : nullptr;
}

J5_API J5PacketObj* J5AudioReceiveObj(J5NetIf* ctx, uint32_t, uint32_t) {
    const auto iface = acquireInterface(ctx);
    return iface ? takeWhenReady(*iface, iface->audioQueue, iface->audioSemaphore) : nullptr;
}

J5_API void J5EnableAudioPacketsToApp(J5NetIf* ctx, int on) {
    const auto iface = acquireInterface(ctx);
    if (!iface) return;
    std::lock_guard guard(iface->contextLock);
    iface->audioToApp.store(on != 0);
}

} // extern "C"
