#include "iface/packet_queue.h"

#include "pool/packet_pools.h"
#include "pool/ring.h"

namespace ralnet::iface {

PacketQueue::PacketQueue(std::uint16_t entries) : slots_(new void*[entries + 1u]()) {
    ringInit(ring_, slots_.get(), static_cast<std::uint16_t>(entries + 1u));
}

bool PacketQueue::put(J5PacketObj* packet) {
    std::lock_guard guard(lock_);
    return ringPut(ring_, packet);
}

J5PacketObj* PacketQueue::take() {
    std::lock_guard guard(lock_);
    return static_cast<J5PacketObj*>(ringGet(ring_));
}

std::size_t PacketQueue::size() const {
    std::lock_guard guard(lock_);
    return ringUsedEntries(ring_);
}

void PacketQueue::freeAll() {
    while (J5PacketObj* packet = take())
        PacketPools::giveBackToOwner(packet);
}

} // namespace ralnet::iface
