// Reliable delivery between two whole interfaces in one process: the one-way delivery time and
// the round trip of "HR" packets (median and 99th percentile), and packets per second with a
// window of one packet, on a veth pair between two namespaces the benchmark makes (root), or on
// the virtual wire otherwise; and through the lossy relay at 5 % loss (root only). Figures only;
// nothing is asserted.
#include "peer_script.h"
#include "ralnet/j5.h"
#include "veth_stacks.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kPayload = 32;
constexpr J5HeaderBitMap kBitmap = 0x0011;
constexpr kez::net::MacAddress kLeftMac{0x02, 0x00, 0x5E, 0x0A, 0x00, 0x01};
constexpr kez::net::MacAddress kRightMac{0x02, 0x00, 0x5E, 0x0B, 0x00, 0x02};

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// Takes data packets until the interface closes; the arrival time and count of "HR" packets,
// optionally answered with an "HR" back to the sender.
class Arrivals {
public:
    Arrivals(J5NetIf* ctx, bool echo) : ctx_(ctx), echo_(echo), thread_([this] { run(); }) {}
    ~Arrivals() { thread_.join(); }

    std::uint64_t count() const { return count_.load(std::memory_order_acquire); }
    std::int64_t lastNs() const { return lastNs_.load(std::memory_order_acquire); }

private:
    void run() {
        while (J5PacketObj* packet = J5ReceiveObj(ctx_, 0, 0)) {
            lastNs_.store(nowNs(), std::memory_order_relaxed);
            count_.fetch_add(1, std::memory_order_release);
            if (echo_) {
                J5Send(ctx_, J5_TYPE_HR, packet->headerRef + 2, 2, 3, packet->dataRef, packet->length, kBitmap, nullptr,
                       nullptr, 0, 0);
            }
            J5FreePacketObj(ctx_, packet);
        }
    }

    J5NetIf* ctx_;
    bool echo_;
    std::atomic<std::uint64_t> count_{0};
    std::atomic<std::int64_t> lastNs_{0};
    std::thread thread_;
};

// Two interfaces: on a veth pair (optionally through the relay in a middle namespace) when the
// namespaces can be made, else on a virtual wire.
class Rig {
public:
    explicit Rig(double loss) {
        if (::geteuid() == 0 && openOnVeth(loss)) return;
        relay_.reset();
        stacks_.reset();
        if (loss > 0) return;
        const std::string wire = kez::test::uniqueName("bw");
        ok_ = J5InitDefault(("vwire:" + wire + "@" + kez::net::formatMac(kLeftMac)).c_str(), &wireLeft_, nullptr,
                            nullptr) == J5_OK &&
              J5InitDefault(("vwire:" + wire + "@" + kez::net::formatMac(kRightMac)).c_str(), &wireRight_, nullptr,
                            nullptr) == J5_OK;
        where_ = "virtual wire";
        std::this_thread::sleep_for(50ms); // the link receivers set their filters
    }
    ~Rig() {
        J5Close(&wireLeft_);
        J5Close(&wireRight_);
        if (relay_) ::kill(relay_->pid(), SIGTERM);
    }

    bool ok() const { return ok_; }
    const std::string& where() const { return where_; }
    J5NetIf* left() { return stacks_ ? &stacks_->left().ctx : &wireLeft_; }
    J5NetIf* right() { return stacks_ ? &stacks_->right().ctx : &wireRight_; }

private:
    bool openOnVeth(double loss) {
        stacks_.emplace("b", kez::test::VethStacksOptions{.throughMiddle = loss > 0, .addressed = false});
        if (stacks_->problem()) return false;
        if (loss > 0) {
            relay_.emplace();
            if (!relay_->start(stacks_->middle(), "relay.py",
                               {"--iface-a", stacks_->left().farInterface, "--iface-b", stacks_->right().farInterface,
                                "--drop", std::to_string(loss), "--seed", "3", "--duration", "600"})) {
                return false;
            }
        }
        ok_ = stacks_->left().setMac(kLeftMac) && stacks_->right().setMac(kRightMac) &&
              stacks_->left().open() == J5_OK && stacks_->right().open() == J5_OK;
        where_ = loss > 0 ? "veth through the lossy relay" : "veth";
        std::this_thread::sleep_for(50ms);
        return ok_;
    }

    std::optional<kez::test::VethStacks> stacks_;
    std::optional<kez::test::PeerScript> relay_;
    J5NetIf wireLeft_{};
    J5NetIf wireRight_{};
    bool ok_ = false;
    std::string where_;
};

double percentile(std::vector<double> samples, double p) {
    if (samples.empty()) return 0;
    const auto at = static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(at), samples.end());
    return samples[at];
}

// One packet at a time: sent, delivered to the other application, echoed back.
void BM_ReliableRoundTrip(benchmark::State& state) {
    Rig rig(0);
    if (!rig.ok()) {
        state.SkipWithError("cannot open two interfaces");
        return;
    }
    state.SetLabel(rig.where());
    std::vector<double> oneWayUs;
    std::vector<double> roundTripUs;
    {
        Arrivals atRight(rig.right(), true);
        Arrivals atLeft(rig.left(), false);
        const std::vector<std::uint8_t> payload(kPayload, 0x5A);
        for (auto _ : state) {
            const std::uint64_t before = atLeft.count();
            const std::uint64_t delivered = atRight.count();
            const std::int64_t start = nowNs();
            J5Send(rig.left(), J5_TYPE_HR, kRightMac.data(), 2, 3, payload.data(), kPayload, kBitmap, nullptr, nullptr,
                   0, 0);
            const auto limit = Clock::now() + 5s;
            while (atLeft.count() == before && Clock::now() < limit)
                std::this_thread::yield();
            if (atRight.count() > delivered) oneWayUs.push_back(static_cast<double>(atRight.lastNs() - start) / 1e3);
            if (atLeft.count() > before) roundTripUs.push_back(static_cast<double>(atLeft.lastNs() - start) / 1e3);
        }
        J5Close(rig.left());
        J5Close(rig.right());
    }
    state.counters["one_way_median_us"] = percentile(oneWayUs, 0.5);
    state.counters["one_way_p99_us"] = percentile(oneWayUs, 0.99);
    state.counters["round_trip_median_us"] = percentile(roundTripUs, 0.5);
    state.counters["round_trip_p99_us"] = percentile(roundTripUs, 0.99);
}
BENCHMARK(BM_ReliableRoundTrip)->Iterations(5000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Packets queued back to back on a window of one: each waits for the acknowledgement of the
// one before it. Arg: loss in per mille on each frame (through the relay).
void BM_ReliableWindowOne(benchmark::State& state) {
    const double loss = static_cast<double>(state.range(0)) / 1000.0;
    Rig rig(loss);
    if (!rig.ok()) {
        state.SkipWithError(loss > 0 ? "the lossy relay needs root" : "cannot open two interfaces");
        return;
    }
    state.SetLabel(rig.where());
    const std::uint16_t one = 1;
    j5SetS2DListLength(rig.left(), kRightMac.data(), &one);
    std::uint64_t delivered = 0;
    {
        Arrivals atRight(rig.right(), false);
        const std::vector<std::uint8_t> payload(kPayload, 0x5A);
        for (auto _ : state) {
            while (J5Send(rig.left(), J5_TYPE_HR, kRightMac.data(), 2, 3, payload.data(), kPayload, kBitmap, nullptr,
                          nullptr, 0, 0) == J5_ERR_WINDOW_FULL) {
                std::this_thread::yield();
            }
        }
        const auto limit = Clock::now() + 30s;
        const auto wanted = static_cast<std::uint64_t>(state.iterations());
        while (atRight.count() < wanted && Clock::now() < limit)
            std::this_thread::sleep_for(1ms);
        delivered = atRight.count();
        J5Close(rig.left());
        J5Close(rig.right());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(delivered));
}
BENCHMARK(BM_ReliableWindowOne)->Arg(0)->Iterations(20000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReliableWindowOne)->Arg(50)->Iterations(300)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
