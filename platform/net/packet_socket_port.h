#pragma once
// The AF_PACKET backend of PacketPort.
#include <atomic>
#include <memory>
#include <vector>

#include "kez/net/packet_port.h"
#include "kez/net/receive_filter.h"
#include "port_lifecycle.h"

namespace kez::net::detail {

class PacketSocketPort final : public PacketPort {
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
    enum class Received { Frame, Skipped, TooLong, WouldBlock, Failed };
    Received receiveOne(std::span<std::uint8_t> buffer, std::size_t& length, int& error);
    PortStatus configure();
    PortStatus changeMembership(int action, unsigned short type, const MacAddress* address);
    PortStatus applyModeBits(std::uint32_t previous, std::uint32_t bits);

    PortLifecycle lifecycle_;
    sys::UniqueFd socket_;
    sys::UniqueFd readiness_;
    int ifindex_ = 0;
    MacAddress mac_{};
    ReceiveFilter filter_;
    std::mutex settingsMutex_; // filter bits and memberships change one caller at a time
    std::vector<MacAddress> memberships_;
    std::atomic<std::uint64_t> framesRead_{0};
    std::atomic<std::uint64_t> framesFiltered_{0};
    std::atomic<std::uint64_t> framesTooLong_{0};
};

} // namespace kez::net::detail
