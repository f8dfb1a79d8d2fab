#pragma once
// Small helpers shared by the exchange tests: a receive that gives up, and frames made by hand.
#include "test_bytes.h"

#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "ralnet/j5.h"

#include "kez/net/mac_address.h"

#include <chrono>
#include <future>
#include <thread>

namespace ralnet::test {

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

// A plain "HU" frame of `size` bytes whose payload starts with `marker`.
inline Bytes huFrame(const kez::net::MacAddress& to, const kez::net::MacAddress& from, std::uint8_t marker,
                     std::size_t size = 60) {
    Bytes frame(to.begin(), to.end());
    frame.insert(frame.end(), from.begin(), from.end());
    frame.insert(frame.end(), {0x88, 0xB5, 'H', 'U'});
    frame.insert(frame.end(), from.begin(), from.end());
    frame.resize(14 + 18, 0);
    frame.push_back(marker);
    frame.resize(size, 0);
    return frame;
}

// The marker of a packet made by huFrame, or -1.
inline int markerOf(const J5PacketObj* packet) { return packet && packet->length > 0 ? packet->dataRef[0] : -1; }

} // namespace ralnet::test
