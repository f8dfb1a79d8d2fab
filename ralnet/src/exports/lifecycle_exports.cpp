// Opening, starting and closing an interface, and the own MAC.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "iface/lifecycle.h"
#include "ralnet/j5.h"

#include <cstring>

namespace {

using namespace ralnet::iface;

J5Result initWith(const J5Configuration& config, const char* adapterName, J5NetIf* ctx, const uint8_t* ownMac,
                  const J5IpSettings* ipSettings) {
    if (J5Init(ctx) != J5_OK) return J5_FAILED;
    if (J5InitConfiguration(&config, adapterName, ctx, ownMac) != J5_OK) return J5_FAILED;
    return J5Start(adapterName, ctx, ipSettings) == J5_OK ? J5_OK : J5_FAILED;
}

} // namespace

extern "C" {

J5_API J5Result J5Init(J5NetIf* ctx) {
    rememberContext(ctx);
    return ctx && ctx->state == J5_STATE_CLOSED ? J5_OK : J5_FAILED;
}

J5_API J5Result J5InitConfiguration(const J5Configuration* config, const char* adapterName, J5NetIf* ctx,
                                    const uint8_t* ownMac) {
    return configureInterface(config, adapterName, ctx, ownMac);
}

J5_API J5Result J5Start(const char*, J5NetIf* ctx, const J5IpSettings* ipSettings) {
    return startInterface(ctx, ipSettings);
}

J5_API J5Result J5InitDefault(const char* adapterName, J5NetIf* ctx, const uint8_t* ownMac,
                              const J5IpSettings* ipSettings) {
    return initWith(defaultConfiguration(), adapterName, ctx, ownMac, ipSettings);
}

J5_API J5Result J5InitNTVuruv(const char* adapterName, J5NetIf* ctx, const uint8_t* ownMac,
                              const J5IpSettings* ipSettings) {
    J5Configuration config = defaultConfiguration();
    config.connections = 150;
    return initWith(config, adapterName, ctx, ownMac, ipSettings);
}

J5_API void J5Close(J5NetIf* ctx) { closeInterface(ctx); }

J5_API void J5SetSourceMACAddr(J5NetIf* ctx, const uint8_t* mac) {
    const auto iface = acquireInterface(ctx);
    if (!iface || !mac) return;
    std::lock_guard guard(iface->contextLock);
    std::memcpy(iface->mac, mac, J5_MAC_LEN);
}

J5_API void J5GetSourceMACAddr(J5NetIf* ctx, uint8_t* mac) {
    const auto iface = acquireInterface(ctx);
    if (!iface || !mac) return;
    std::lock_guard guard(iface->contextLock);
    std::memcpy(mac, iface->mac, J5_MAC_LEN);
}

} // extern "C"
