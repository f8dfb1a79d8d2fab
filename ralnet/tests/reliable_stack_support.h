#pragma once
// Whole interfaces exchanging reliable packets: the test-pattern payloads the independent peer
// also uses, a sender that waits out a full window, and a receiver that keeps what came in.
#include "bytes.h"

#include "ralnet/j5.h"

#include "kez/net/mac_address.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ralnet::test {

using namespace kez::test;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

inline constexpr std::uint16_t kPatternLength = 32;

// Test packet i: i as 4 bytes big-endian, then (i + k) & 0xFF for k = 4 .. length - 1.
inline Bytes patternPayload(std::uint32_t i, std::size_t length = kPatternLength) {
    Bytes out(length);
    for (std::size_t k = 0; k < 4 && k < length; ++k)
        out[k] = static_cast<std::uint8_t>(i >> (24 - 8 * k));
    for (std::size_t k = 4; k < length; ++k)
        out[k] = static_cast<std::uint8_t>((i + k) & 0xFF);
    return out;
}

// The index of a whole test pattern; nothing when the bytes are not one.
inline std::optional<std::uint32_t> patternIndex(const std::uint8_t* bytes, std::size_t length) {
    if (length < 4) return std::nullopt;
    const std::uint32_t i =
        (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) | bytes[3];
    const Bytes expected = patternPayload(i, length);
    if (std::memcmp(expected.data(), bytes, length) != 0) return std::nullopt;
    return i;
}

inline std::uint16_t headerType(const J5PacketObj& packet) {
    return static_cast<std::uint16_t>((packet.headerRef[0] << 8) | packet.headerRef[1]);
}

struct ReliableTarget {
    std::uint8_t mac[J5_MAC_LEN] = {};
    std::uint16_t destVdn = 2;
    std::uint16_t srcVdn = 3;
    J5HeaderBitMap bitmap = 0x0011;
    std::uint16_t length = kPatternLength;
    const std::uint8_t* destIp = nullptr; // with the IP bits in `bitmap`
};

inline ReliableTarget targetAt(const kez::net::MacAddress& mac) {
    ReliableTarget target;
    std::copy(mac.begin(), mac.end(), target.mac);
    return target;
}

struct SendOutcome {
    std::uint32_t queued = 0;
    J5Result failure = 0; // the result that ended the run early; 0 when all were queued
};

// Queues packets first .. first + count - 1 in order through J5IntrinsicSend, waiting while the
// window is full; ends early at any other failure, when `stop` is set, or at the deadline.
inline SendOutcome sendPatterns(J5NetIf* ctx, const ReliableTarget& to, std::uint32_t first, std::uint32_t count,
                                Clock::time_point deadline, const std::atomic<bool>* stop = nullptr) {
    SendOutcome outcome;
    while (outcome.queued < count) {
        if ((stop && stop->load()) || Clock::now() > deadline) {
            outcome.failure = J5_ERR_WINDOW_FULL;
            break;
        }
        const Bytes payload = patternPayload(first + outcome.queued, to.length);
        const J5Result result = J5IntrinsicSend(ctx, J5_TYPE_HR, to.mac, to.destVdn, to.srcVdn, payload.data(),
                                                to.length, to.bitmap, to.destIp, nullptr, 0, 0);
        if (result == J5_ERR_WINDOW_FULL) {
            std::this_thread::sleep_for(200us);
        } else if ((result & 0xFF00) == J5_QUEUED) {
            ++outcome.queued;
        } else {
            outcome.failure = result;
            break;
        }
    }
    return outcome;
}

// Takes every data packet of an interface on its own thread until the interface closes, and
// keeps the pattern index of each "HR" (anything else counts as a stranger).
class PatternReceiver {
public:
    explicit PatternReceiver(J5NetIf* ctx) : ctx_(ctx), thread_([this] { run(); }) {}
    // The interface must be closed first: that ends the receive loop.
    ~PatternReceiver() { thread_.join(); }
    PatternReceiver(const PatternReceiver&) = delete;
    PatternReceiver& operator=(const PatternReceiver&) = delete;

    std::vector<std::uint32_t> received() const {
        std::lock_guard guard(lock_);
        return received_;
    }
    std::size_t count() const {
        std::lock_guard guard(lock_);
        return received_.size();
    }
    std::uint32_t strangers() const { return strangers_.load(); }

    // True once `n` packets came, false at the limit.
    bool waitFor(std::size_t n, std::chrono::milliseconds limit) const {
        const auto end = Clock::now() + limit;
        while (count() < n) {
            if (Clock::now() > end) return false;
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }

private:
    void run() {
        while (J5PacketObj* packet = J5ReceiveObj(ctx_, 0, 0)) {
            const auto index =
                headerType(*packet) == J5_TYPE_HR ? patternIndex(packet->dataRef, packet->length) : std::nullopt;
            if (index) {
                std::lock_guard guard(lock_);
                received_.push_back(*index);
            } else {
                ++strangers_;
            }
            J5FreePacketObj(ctx_, packet);
        }
    }

    J5NetIf* ctx_;
    mutable std::mutex lock_;
    std::vector<std::uint32_t> received_;
    std::atomic<std::uint32_t> strangers_{0};
    std::thread thread_;
};

// For every "HR" that arrives, one "HU" back to its sender with the first bytes of its payload,
// from VDN 3 to VDN 2, with `bitmap`: by UDP to the sender's address when it has the IP bits.
class Echo {
public:
    Echo(J5NetIf* ctx, J5HeaderBitMap bitmap) : ctx_(ctx), bitmap_(bitmap), thread_([this] { run(); }) {}
    // The interface must be closed first.
    ~Echo() { thread_.join(); }
    Echo(const Echo&) = delete;
    Echo& operator=(const Echo&) = delete;

private:
    void run() {
        const bool byUdp = (bitmap_ & J5_HBM_UDP) != 0;
        while (J5PacketObj* packet = J5ReceiveObj(ctx_, 0, 0)) {
            const std::uint8_t* ip = packet->udpSourceRef ? packet->udpSourceRef->address : nullptr;
            if (headerType(*packet) == J5_TYPE_HR && (ip || !byUdp)) {
                const std::uint16_t length = std::min<std::uint16_t>(packet->length, kPatternLength);
                J5Send(ctx_, J5_TYPE_HU, packet->headerRef + 2, 2, 3, packet->dataRef, length, bitmap_,
                       byUdp ? ip : nullptr, nullptr, 0, 0);
            }
            J5FreePacketObj(ctx_, packet);
        }
    }

    J5NetIf* ctx_;
    J5HeaderBitMap bitmap_;
    std::thread thread_;
};

// A description of where `received` departs from first .. first + count - 1; empty when equal.
inline std::string orderProblem(const std::vector<std::uint32_t>& received, std::uint32_t first, std::uint32_t count) {
    if (received.size() != count) {
        return "received " + std::to_string(received.size()) + " packets, expected " + std::to_string(count);
    }
    for (std::size_t i = 0; i < received.size(); ++i) {
        if (received[i] != first + i) {
            return "packet " + std::to_string(i) + " is " + std::to_string(received[i]) + ", expected " +
                   std::to_string(first + i);
        }
    }
    return {};
}

} // namespace ralnet::test
