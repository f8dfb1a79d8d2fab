#pragma once
// A bounded FIFO of packet objects under one lock, so any number of threads may put and
// take (the J5 receive queue has a writer per link).
#include "ralnet/j5.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace ralnet::iface {

class PacketQueue {
public:
    // Holds up to `entries` packets (at most 65,534).
    explicit PacketQueue(std::uint16_t entries);
    PacketQueue(const PacketQueue&) = delete;
    PacketQueue& operator=(const PacketQueue&) = delete;

    // False when full; the caller keeps the packet.
    bool put(J5PacketObj* packet);
    // The oldest packet, or null.
    J5PacketObj* take();
    std::size_t size() const;
    // Gives every queued packet back to its pool.
    void freeAll();

private:
    mutable std::mutex lock_;
    std::unique_ptr<void*[]> slots_;
    J5Ring ring_{};
};

} // namespace ralnet::iface
