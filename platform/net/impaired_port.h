#pragma once
// Packet-port middleware for the virtual wires. A port opened with options after its name
// (wire_options.h) loses, duplicates, reorders and delays the frames it writes, by a seeded
// generator, and captures every frame it writes or reads in a pcap file. Faults act on the
// way out only: what a port reads is what the wire brought it. Options on one end impair one
// direction, options on both ends both. Without options every call passes straight through.
#include <atomic>
#include <memory>

#include "kez/net/packet_port.h"
#include "port_lifecycle.h"

namespace kez::net::detail {

class ImpairedPort final : public PacketPort {
public:
    explicit ImpairedPort(std::unique_ptr<PacketPort> inner);
    ~ImpairedPort() override;

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
    struct Session;
    // Captures the frame and puts it on the wire.
    PortStatus transmit(Session& session, std::span<const std::uint8_t> frame);
    PortStatus writeWithFaults(Session& session, std::span<const std::uint8_t> frame);

    PortLifecycle lifecycle_;
    std::unique_ptr<PacketPort> inner_;
    std::unique_ptr<Session> session_; // while open
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<std::uint64_t> duplicated_{0};
    std::atomic<std::uint64_t> reordered_{0};
};

} // namespace kez::net::detail
