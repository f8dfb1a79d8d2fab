#pragma once
// The in-process virtual wire: every port attached to the same wire name receives
// what the others write, through its own packet filter. Delivery happens inside
// writeFrame, so a frame is waiting in every receiving port when the write returns.
#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include "kez/net/packet_port.h"
#include "kez/net/receive_filter.h"
#include "port_lifecycle.h"

namespace kez::net::detail {

struct WireInbox {
    ReceiveFilter filter;
    std::mutex mutex;
    std::deque<std::vector<std::uint8_t>> frames;
    sys::Event ready{sys::Event::Reset::Manual};
    std::atomic<std::uint64_t> filtered{0};
    std::atomic<std::uint64_t> overflowed{0};
};

class LocalWire;

class LocalWirePort final : public PacketPort {
public:
    ~LocalWirePort() override;
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
    enum class Taken { Frame, TooLong, Empty };
    Taken takeFrame(std::span<std::uint8_t> buffer, std::size_t& length);

    PortLifecycle lifecycle_;
    std::shared_ptr<LocalWire> wire_;
    std::shared_ptr<WireInbox> inbox_ = std::make_shared<WireInbox>();
    sys::UniqueFd readiness_;
    MacAddress mac_{};
    std::atomic<std::uint64_t> framesRead_{0};
    std::atomic<std::uint64_t> framesTooLong_{0};
};

} // namespace kez::net::detail
