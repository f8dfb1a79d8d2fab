#pragma once
// Whether the retransmission tick runs. Bit 0 says it does; the bits above count the heads sent,
// so a scan that found nothing waiting disarms only when no head went out while it ran.
#include <atomic>
#include <cstdint>

namespace ralnet::iface {

class TickArming {
public:
    // A head went out that awaits its answer; true when the tick slept and must be woken.
    bool arm() {
        std::uint32_t old = word_.load();
        while (!word_.compare_exchange_weak(old, (old + 2) | 1)) {
        }
        return (old & 1) == 0;
    }

    // Taken before a scan, for disarmIfUnchanged() after it.
    std::uint32_t snapshot() const { return word_.load(); }

    // The scan found no head waiting: the tick may sleep, unless a head went out since `seen`.
    void disarmIfUnchanged(std::uint32_t seen) { word_.compare_exchange_strong(seen, seen & ~1u); }

    bool armed() const { return (word_.load() & 1) != 0; }

private:
    std::atomic<std::uint32_t> word_{0};
};

} // namespace ralnet::iface
