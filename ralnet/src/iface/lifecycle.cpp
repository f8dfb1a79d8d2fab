#include "iface/lifecycle.h"

#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link/driver_contract.h"
#include "link/packet_client.h"

#include <cstring>
#include <string>

namespace ralnet::iface {
namespace {

// The adapter a null name stands for: the first listed (kept, as the UDP transport's
// multicast joins name it too).
std::string chosenAdapter(const char* adapterName) {
    if (adapterName) return adapterName;
    char first[link::kAdapterListLimit] = {};
    return link::KezGetAdapterNames(first, sizeof first, nullptr, 0) ? first : "";
}

// Opens the adapter and takes its address as the own MAC unless one is given.
bool openLink(J5Interface& iface, const char* adapterName, const std::uint8_t* ownMac) {
    iface.adapterName = chosenAdapter(adapterName);
    if (iface.adapterName.empty()) return false;
    iface.device.reset(link::KezPacketOpenAdapter(iface.adapterName.c_str()));
    if (!iface.device) return false;
    std::uint8_t adapterMac[J5_MAC_LEN];
    if (!link::KezPacketQueryAddress(iface.device.get(), adapterMac)) return false;
    std::memcpy(iface.mac, ownMac ? ownMac : adapterMac, J5_MAC_LEN);
    return true;
}

std::shared_ptr<J5Interface> buildInterface(const J5Configuration* config, const char* adapterName,
                                            const std::uint8_t* ownMac) {
    std::unique_ptr<J5Interface> iface = J5Interface::create(config ? *config : defaultConfiguration());
    if (!iface || !openLink(*iface, adapterName, ownMac)) return nullptr;
    iface->reliable = makeReliableSide(*iface);
    if (!iface->reliable || !iface->threads.start(*iface)) return nullptr;
    return std::shared_ptr<J5Interface>(std::move(iface));
}

} // namespace

J5Result configureInterface(const J5Configuration* config, const char* adapterName, J5NetIf* ctx,
                            const std::uint8_t* ownMac) {
    if (!ctx) return J5_FAILED;
    if (ctx->state != J5_STATE_CLOSED || isRegistered(ctx)) return J5_NOT_CONFIGURED;
    *ctx = J5NetIf{};
    std::shared_ptr<J5Interface> iface = buildInterface(config, adapterName, ownMac);
    if (!iface) return J5_FAILED;
    J5Interface* raw = iface.get();
    if (!registerInterface(ctx, std::move(iface))) return J5_NOT_CONFIGURED;
    ctx->internals = raw;
    ctx->state = J5_STATE_CONFIGURED;
    return J5_OK;
}

J5Result startInterface(J5NetIf* ctx, const J5IpSettings* ipSettings) {
    if (!ctx) return J5_FAILED;
    const std::shared_ptr<J5Interface> iface = acquireInterface(ctx);
    if (!iface) return J5_NOT_CONFIGURED;
    std::uint16_t configured = J5_STATE_CONFIGURED;
    if (!iface->state.compare_exchange_strong(configured, J5_STATE_STARTED)) return J5_NOT_CONFIGURED;
    if (ipSettings) iface->ipSettings = *ipSettings;
    iface->udp->start(iface->ipSettings, iface->adapterName.c_str()); // no send sockets: UDP sends get 0x8D00
    ctx->state = J5_STATE_STARTED;
    iface->started.set();
    return J5_OK;
}

void closeInterface(J5NetIf* ctx) {
    ctx = resolveContext(ctx);
    if (!ctx) return;
    std::shared_ptr<J5Interface> iface = unregisterInterface(ctx);
    ctx->state = J5_STATE_CLOSED;
    ctx->internals = nullptr;
    forgetContext(ctx);
    if (!iface) return;
    iface->state.store(J5_STATE_CLOSED);
    iface->stop.set();
    iface->udp->stop();
    iface->threads.joinAll();
}

} // namespace ralnet::iface
