#pragma once
// The device that stands in for the packet driver: one handle per adapter, NDIS set and
// query requests through control codes, frame reads and writes, and the control device's
// adapter list. Frames travel through a kez::net::PacketPort; system failures come back
// as errno values, as the driver's calls report theirs.
#include "ralnet/j5.h"

#include "kez/net/packet_port.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

struct KezPacketAdapter {
    std::unique_ptr<kez::net::PacketPort> port;
};

namespace ralnet::link {

struct DeviceOpen {
    std::unique_ptr<KezPacketAdapter> device; // null on failure
    int error = 0;
};

// Opens the device bound to `adapter` (an interface name, "vwire:..." or "vhub:...").
DeviceOpen openDevice(std::string_view adapter);

// Runs one control request on `inOut` (a request block for the OID codes); `returned`
// receives the bytes of the answer. 0 or an errno value.
int deviceControl(KezPacketAdapter& device, std::uint32_t code, std::span<std::uint8_t> inOut, std::size_t& returned);

// The control device "KEZPacket": answers the adapter list code only.
int controlDeviceRequest(std::uint32_t code, std::span<std::uint8_t> out, std::size_t& returned);

int writeFrame(KezPacketAdapter& device, std::span<const std::uint8_t> frame);

int errnoOf(const kez::net::PortStatus& status);

} // namespace ralnet::link
