#pragma once
// Small helpers shared by the interface tests: a receive that gives up, the reliable core's view
// of a connection, and the marker of a frame made by huFrame.
#include "bytes.h"
#include "j5_frames.h"

#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "ralnet/j5.h"
#include "reliable/reliable_side.h"

#include "kez/net/mac_address.h"

#include <chrono>
#include <future>
#include <optional>
#include <thread>

namespace ralnet::test {

using namespace kez::test;

// The next packet of the data (or audio) queue, or null after `limit`; a receive still
// blocked then is ended by closing the interface.
inline J5PacketObj* receiveWithin(J5NetIf* ctx, bool audio, std::chrono::milliseconds limit) {
    auto pending = std::async(std::launch::async,
                              [ctx, audio] { return audio ? J5AudioReceiveObj(ctx, 0, 0) : J5ReceiveObj(ctx, 0, 0); });
    if (pending.wait_for(limit) == std::future_status::timeout) J5Close(ctx);
    return pending.get();
}

// True once the interface's receive thread has set its own filter (nothing is received
// before a filter is set).
inline bool waitForReceiveFilter(J5NetIf* ctx, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        const auto iface = iface::acquireInterface(ctx);
        if (!iface) return false;
        if (iface->device->port->packetFilter() != 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

// The send connection of an interface to `mac`, as its reliable core sees it.
inline std::optional<reliable::SendConnectionView> sendConnection(J5NetIf* ctx, const std::uint8_t* mac) {
    const auto iface = iface::acquireInterface(ctx);
    reliable::ReliableCore* core = iface ? reliable::reliableCoreOf(*iface) : nullptr;
    return core ? core->sender().inspect(mac) : std::nullopt;
}

// The marker of a packet made by huFrame, or -1.
inline int markerOf(const J5PacketObj* packet) { return packet && packet->length > 0 ? packet->dataRef[0] : -1; }

} // namespace ralnet::test
