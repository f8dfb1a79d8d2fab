#pragma once
// The state behind a J5NetIf: configuration and sizes, the packet-driver handle, the own
// MAC and filter, pools, the five queues, the events and semaphores the seven threads wait
// on, and the threads themselves. Created whole by J5InitConfiguration; shared by the
// export calls in progress (interface_registry.h) and freed when the last of them is done.
#include "ralnet/j5.h"

#include "iface/counters.h"
#include "iface/packet_queue.h"
#include "iface/reliable_seam.h"
#include "iface/tick_arming.h"
#include "iface/udp_link.h"
#include "iface/worker_threads.h"
#include "link/packet_device.h"
#include "pool/packet_pools.h"

#include "kez/sys/event.h"
#include "kez/sys/semaphore.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace ralnet::iface {

inline constexpr std::uint16_t kDefaultConnections = 300;
inline constexpr std::uint16_t kMaxConnections = 4675; // a queue of 14c + 80 entries fits a ring
inline constexpr std::uint16_t kSendWindowLength = 50;
inline constexpr std::uint32_t kTickPeriodMs = 50;
inline constexpr std::array<std::uint16_t, 10> kRetransmitTimeoutsMs = {160, 160, 160, 250, 250,
                                                                        250, 250, 250, 250, 250};

J5Configuration defaultConfiguration();
bool configurationUsable(const J5Configuration& config);

struct InterfaceSizes {
    std::uint16_t sendConnections = 0;
    std::uint16_t receiveConnections = 0;
    PoolSizes pools;
    std::uint16_t queueEntries = 0;
    std::uint16_t sendWindow = kSendWindowLength;
};

InterfaceSizes sizesFor(std::uint16_t connections);

struct DeviceCloser {
    void operator()(KezPacketAdapter* device) const;
};
using DeviceHandle = std::unique_ptr<KezPacketAdapter, DeviceCloser>;

} // namespace ralnet::iface

struct J5Interface {
    // Null when memory is short or the configuration is unusable.
    static std::unique_ptr<J5Interface> create(const J5Configuration& config);
    ~J5Interface();
    J5Interface(const J5Interface&) = delete;
    J5Interface& operator=(const J5Interface&) = delete;

    std::uint16_t currentState() const { return state.load(); }
    bool isStarted() const { return state.load() == J5_STATE_STARTED; }

    void ownMac(std::uint8_t (&out)[J5_MAC_LEN]) const;

    const J5Configuration config;
    const ralnet::iface::InterfaceSizes sizes;
    const std::array<std::uint16_t, 10> retransmitTimeoutsMs = ralnet::iface::kRetransmitTimeoutsMs;
    const std::uint32_t tickPeriodMs = ralnet::iface::kTickPeriodMs;

    std::atomic<std::uint16_t> state{J5_STATE_CONFIGURED};
    std::string adapterName; // as opened: a null name at configuration is the first listed
    ralnet::iface::DeviceHandle device;

    // The context lock guards the own MAC, the filter and the audio switch.
    mutable std::mutex contextLock;
    std::uint8_t mac[J5_MAC_LEN] = {};
    std::uint32_t filter = 0;
    bool filterSet = false;
    std::atomic<bool> audioToApp{true};

    std::mutex multicastLock; // the Ethernet multicast list
    J5IpSettings ipSettings{};

    std::atomic<bool> tickFlag{false};
    ralnet::iface::TickArming tickArming;
    std::atomic<std::uint16_t> huCounter{0};

    std::unique_ptr<ralnet::PacketPools> pools;
    ralnet::iface::PacketQueue receiveQueue;
    ralnet::iface::PacketQueue transmitControlQueue;
    ralnet::iface::PacketQueue errorQueue;
    ralnet::iface::PacketQueue dataQueue;
    ralnet::iface::PacketQueue audioQueue;

    kez::sys::Event stop{kez::sys::Event::Reset::Manual};
    kez::sys::Event started{kez::sys::Event::Reset::Manual};
    kez::sys::Event transmitControlEvent{kez::sys::Event::Reset::Auto};
    kez::sys::Event dispatcherEvent{kez::sys::Event::Reset::Auto};
    kez::sys::Event tickEvent{kez::sys::Event::Reset::Auto};
    kez::sys::Semaphore dataSemaphore;
    kez::sys::Semaphore errorSemaphore;
    kez::sys::Semaphore audioSemaphore;

    std::unique_ptr<ralnet::iface::ReliableSide> reliable;
    std::unique_ptr<ralnet::udp::UdpTransport> udp; // made by create(), never null after it
    ralnet::iface::InterfaceCounters counters;
    ralnet::iface::WorkerThreads threads;

private:
    J5Interface(const J5Configuration& config, const ralnet::iface::InterfaceSizes& sizes);
};
