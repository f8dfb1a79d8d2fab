#include "iface/retired_pools.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace ralnet::iface {
namespace {

struct Retired {
    std::mutex lock;
    std::vector<std::unique_ptr<PacketPools>> pools;
    std::atomic<std::size_t> count{0};
};

Retired& retired() {
    static Retired instance;
    return instance;
}

} // namespace

void retirePools(std::unique_ptr<PacketPools> pools) {
    if (!pools || pools->outstanding() == 0) return;
    Retired& r = retired();
    std::lock_guard guard(r.lock);
    r.pools.push_back(std::move(pools));
    r.count.store(r.pools.size());
}

void releaseIdleRetiredPools() {
    Retired& r = retired();
    if (r.count.load() == 0) return;
    std::lock_guard guard(r.lock);
    std::erase_if(r.pools, [](const std::unique_ptr<PacketPools>& p) { return p->outstanding() == 0; });
    r.count.store(r.pools.size());
}

std::size_t retiredPoolCount() { return retired().count.load(); }

} // namespace ralnet::iface
