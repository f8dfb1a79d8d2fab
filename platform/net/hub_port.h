#pragma once
// A port on a virtual wire relayed across processes by a VirtualWireHub. Each port
// holds one SOCK_SEQPACKET connection to the hub; one message is one frame.
#include <atomic>

#include "kez/net/packet_port.h"
#include "kez/net/receive_filter.h"
#include "port_lifecycle.h"

namespace kez::net::detail {

class HubPort final : public PacketPort {
public:
    PortStatus open(std::string_view adapter) override;
    void close() override;
    bool isOpen() const override;
    FrameRead readFrame(std::span<std::uint8_t> buffer, sys::Timeout limit) override;
    int pollFd() const override;
    PortStatus writeFrame(std::span<const std::uint8_t> frame) override;
    MacAddress macAddress() const override;
    PortStatus setPacketFilter(std::uint32_t bits) override;
    std::uint32_t packetFilter() const override;
    PortStatus setMulticastList(std::span<const MacAddress> list) override;
    PortCounters counters() const override;

private:
    PortStatus connectToHub(std::string_view wire);

    PortLifecycle lifecycle_;
    sys::UniqueFd socket_;
    sys::UniqueFd readiness_;
    MacAddress mac_{};
    ReceiveFilter filter_;
    std::atomic<std::uint64_t> framesRead_{0};
    std::atomic<std::uint64_t> framesFiltered_{0};
    std::atomic<std::uint64_t> framesTooLong_{0};
};

} // namespace kez::net::detail
