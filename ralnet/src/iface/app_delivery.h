#pragma once
// The application's side of the data, audio and error queues.
#include "ralnet/j5.h"

#include "kez/sys/semaphore.h"

struct J5Interface;

namespace ralnet::iface {

class PacketQueue;

// Blocks until `ready` is released or the interface stops; the oldest packet, or null when
// stopped or the queue was found empty.
J5PacketObj* takeWhenReady(J5Interface& iface, PacketQueue& queue, kez::sys::Semaphore& ready);

} // namespace ralnet::iface
