#include "iface/interface.h"

#include "iface/retired_pools.h"
#include "link/packet_client.h"

#include <cstring>
#include <new>

namespace ralnet::iface {

J5Configuration defaultConfiguration() {
    J5Configuration config{};
    config.connections = kDefaultConnections;
    config.deliverHeldPackets = 1;
    config.retryLimit = 10;
    config.furtherWords[0] = 6;
    config.furtherWords[1] = 7;
    config.furtherWords[2] = 8;
    return config;
}

bool configurationUsable(const J5Configuration& config) {
    return config.connections > 3 && config.connections <= kMaxConnections;
}

InterfaceSizes sizesFor(std::uint16_t connections) {
    InterfaceSizes sizes;
    sizes.sendConnections = connections;
    sizes.receiveConnections = connections;
    sizes.pools = poolSizesFor(connections);
    sizes.queueEntries = static_cast<std::uint16_t>(14u * connections + 80u);
    return sizes;
}

void DeviceCloser::operator()(KezPacketAdapter* device) const { link::KezPacketCloseAdapter(device); }

} // namespace ralnet::iface

using namespace ralnet::iface;

J5Interface::J5Interface(const J5Configuration& configuration, const InterfaceSizes& interfaceSizes)
    : config(configuration), sizes(interfaceSizes), receiveQueue(interfaceSizes.queueEntries),
      transmitControlQueue(interfaceSizes.queueEntries), errorQueue(interfaceSizes.queueEntries),
      dataQueue(interfaceSizes.queueEntries), audioQueue(interfaceSizes.queueEntries),
      dataSemaphore(0, interfaceSizes.queueEntries), errorSemaphore(0, interfaceSizes.queueEntries),
      audioSemaphore(0, interfaceSizes.queueEntries) {}

std::unique_ptr<J5Interface> J5Interface::create(const J5Configuration& config) {
    if (!configurationUsable(config)) return nullptr;
    try {
        std::unique_ptr<J5Interface> iface(new J5Interface(config, sizesFor(config.connections)));
        iface->pools = ralnet::PacketPools::create(iface->sizes.pools);
        if (!iface->pools) return nullptr;
        iface->udp = makeUdpTransport(*iface);
        return iface;
    } catch (const std::exception&) { // memory, or descriptors for the events
        return nullptr;
    }
}

J5Interface::~J5Interface() {
    stop.set();
    if (udp) udp->stop();
    threads.joinAll();
    reliable.reset();
    for (PacketQueue* queue : {&receiveQueue, &transmitControlQueue, &errorQueue, &dataQueue, &audioQueue}) {
        queue->freeAll();
    }
    device.reset();
    retirePools(std::move(pools));
}

void J5Interface::ownMac(std::uint8_t (&out)[J5_MAC_LEN]) const {
    std::lock_guard guard(contextLock);
    std::memcpy(out, mac, J5_MAC_LEN);
}
