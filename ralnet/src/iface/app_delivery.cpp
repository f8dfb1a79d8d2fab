#include "iface/app_delivery.h"

#include "iface/interface.h"
#include "iface/waits.h"

namespace ralnet::iface {

J5PacketObj* takeWhenReady(J5Interface& iface, PacketQueue& queue, kez::sys::Semaphore& ready) {
    if (waitOrStop(iface, ready) != Wake::Signalled) return nullptr;
    return queue.take();
}

} // namespace ralnet::iface
