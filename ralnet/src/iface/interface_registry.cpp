#include "iface/interface_registry.h"

#include "iface/interface.h"

#include <map>
#include <shared_mutex>

namespace ralnet::iface {
namespace {

struct Registry {
    std::shared_mutex lock; // also orders every access to pSavedJ5NetIf made here
    std::map<const J5NetIf*, std::shared_ptr<J5Interface>> interfaces;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

J5NetIf* resolveContext(J5NetIf* ctx) {
    if (ctx) return ctx;
    std::shared_lock guard(registry().lock);
    return pSavedJ5NetIf;
}

void rememberContext(J5NetIf* ctx) {
    std::unique_lock guard(registry().lock);
    pSavedJ5NetIf = ctx;
}

void forgetContext(J5NetIf* ctx) {
    std::unique_lock guard(registry().lock);
    if (pSavedJ5NetIf == ctx) pSavedJ5NetIf = nullptr;
}

std::shared_ptr<J5Interface> acquireInterface(J5NetIf* ctx) {
    Registry& r = registry();
    std::shared_lock guard(r.lock);
    if (!ctx) ctx = pSavedJ5NetIf;
    const auto found = r.interfaces.find(ctx);
    return found == r.interfaces.end() ? nullptr : found->second;
}

bool isRegistered(const J5NetIf* ctx) {
    std::shared_lock guard(registry().lock);
    return registry().interfaces.contains(ctx);
}

bool registerInterface(J5NetIf* ctx, std::shared_ptr<J5Interface> iface) {
    std::unique_lock guard(registry().lock);
    return registry().interfaces.emplace(ctx, std::move(iface)).second;
}

std::shared_ptr<J5Interface> unregisterInterface(J5NetIf* ctx) {
    std::unique_lock guard(registry().lock);
    auto node = registry().interfaces.extract(ctx);
    return node.empty() ? nullptr : std::move(node.mapped());
}

} // namespace ralnet::iface
