#pragma once
// What the endpoint shares with its receive threads, and a packet Ralnet lent it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

#include "ralnet/j5.h"

namespace kez::linkor {

// Kept alive by the endpoint, both receive threads and every packet in flight, so a thread
// that outlives Close's wait for it never touches freed state.
struct ReceiveState {
    J5NetIf context{};
    std::atomic<bool> closing{false};
    // Packets taken from Ralnet and not yet given back.
    std::atomic<std::int32_t> pending{0};
    std::atomic<bool> useThread{true};
    // Packets of a (packet type, message type) pair no event carries.
    std::atomic<std::uint64_t> dropped{0};
};

// One packet lent by Ralnet, counted as pending until it is given back: when handled, or
// with the window message that carries it when that is never delivered.
class LentPacket {
public:
    LentPacket() = default;
    LentPacket(std::shared_ptr<ReceiveState> state, J5PacketObj* packet) : state_(std::move(state)), packet_(packet) {
        if (packet_) ++state_->pending;
    }
    ~LentPacket() { giveBack(); }
    LentPacket(LentPacket&& other) noexcept
        : state_(std::move(other.state_)), packet_(std::exchange(other.packet_, nullptr)) {}
    LentPacket& operator=(LentPacket&& other) noexcept {
        if (this != &other) {
            giveBack();
            state_ = std::move(other.state_);
            packet_ = std::exchange(other.packet_, nullptr);
        }
        return *this;
    }
    LentPacket(const LentPacket&) = delete;
    LentPacket& operator=(const LentPacket&) = delete;

    const J5PacketObj* get() const { return packet_; }
    explicit operator bool() const { return packet_ != nullptr; }

    void giveBack() {
        if (!packet_) return;
        J5FreePacketObj(&state_->context, std::exchange(packet_, nullptr));
        --state_->pending;
    }

private:
    std::shared_ptr<ReceiveState> state_;
    J5PacketObj* packet_ = nullptr;
};

} // namespace kez::linkor
