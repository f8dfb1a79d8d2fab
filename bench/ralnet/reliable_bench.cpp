// Reliable delivery between two whole interfaces in one process: the one-way delivery time and
// the round trip of "HR" packets (median and 99th percentile), and packets per second with a
// window of one packet, on a veth pair between two namespaces the benchmark makes (root), or on
// the virtual wire otherwise; and through the lossy relay at 5 % loss (root only). Figures only;
// nothing is asserted.
#include "net_namespace.h"
#include "process.h"
#include "ralnet/j5.h"

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
const std::uint8_t kLeftMac[6] = {0x02, 0x00, 0x5E, 0x0A, 0x00, 0x01};
const std::uint8_t kRightMac[6] = {0x02, 0x00, 0x5E, 0x0B, 0x00, 0x02};

std::string macText(const std::uint8_t* mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

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
        if (loss > 0) return;
        const std::string wire = kez::test::uniqueName("bw");
        ok_ = J5InitDefault(("vwire:" + wire + "@" + macText(kLeftMac)).c_str(), &left, nullptr, nullptr) == J5_OK &&
              J5InitDefault(("vwire:" + wire + "@" + macText(kRightMac)).c_str(), &right, nullptr, nullptr) == J5_OK;
        where_ = "virtual wire";
        std::this_thread::sleep_for(50ms); // the link receivers set their filters
    }
    ~Rig() {
        J5Close(&left);
        J5Close(&right);
        if (relay_) ::kill(relay_->pid(), SIGTERM);
    }

    bool ok() const { return ok_; }
    const std::string& where() const { return where_; }

    J5NetIf left{};
    J5NetIf right{};

private:
    bool openOnVeth(double loss) {
        leftSpace_ = std::make_unique<kez::test::NetNamespace>("bl");
        rightSpace_ = std::make_unique<kez::test::NetNamespace>("br");
        if (!leftSpace_->valid() || !rightSpace_->valid()) return false;
        std::string leftName;
        std::string rightName;
        if (loss > 0) {
            middle_ = std::make_unique<kez::test::NetNamespace>("bm");
            leftLink_ = std::make_unique<kez::test::VethPair>(*leftSpace_, *middle_);
            rightLink_ = std::make_unique<kez::test::VethPair>(*rightSpace_, *middle_);
            if (!leftLink_->valid() || !rightLink_->valid()) return false;
            relay_ = std::make_unique<kez::test::ChildProcess>();
            const std::string script = std::string(KEZ_SOURCE_DIR) + "/tests/peers/j5peer/relay.py";
            if (!relay_->start(middle_->exec({KEZ_PYTHON, script, "--iface-a", leftLink_->secondName(), "--iface-b",
                                              rightLink_->secondName(), "--drop", std::to_string(loss), "--seed", "3",
                                              "--duration", "600"}))) {
                return false;
            }
            if (relay_->readLine(20s).value_or("") != "READY") return false;
            leftName = leftLink_->firstName();
            rightName = rightLink_->firstName();
        } else {
            leftLink_ = std::make_unique<kez::test::VethPair>(*leftSpace_, *rightSpace_);
            if (!leftLink_->valid()) return false;
            leftName = leftLink_->firstName();
            rightName = leftLink_->secondName();
        }
        if (!leftSpace_->ip("link set dev " + leftName + " address " + macText(kLeftMac)) ||
            !rightSpace_->ip("link set dev " + rightName + " address " + macText(kRightMac))) {
            return false;
        }
        J5Result a = J5_FAILED;
        J5Result b = J5_FAILED;
        leftSpace_->run([&] { a = J5InitDefault(leftName.c_str(), &left, nullptr, nullptr); });
        rightSpace_->run([&] { b = J5InitDefault(rightName.c_str(), &right, nullptr, nullptr); });
        ok_ = a == J5_OK && b == J5_OK;
        where_ = loss > 0 ? "veth through the lossy relay" : "veth";
        std::this_thread::sleep_for(50ms);
        return ok_;
    }

    std::unique_ptr<kez::test::NetNamespace> leftSpace_;
    std::unique_ptr<kez::test::NetNamespace> rightSpace_;
    std::unique_ptr<kez::test::NetNamespace> middle_;
    std::unique_ptr<kez::test::VethPair> leftLink_;
    std::unique_ptr<kez::test::VethPair> rightLink_;
    std::unique_ptr<kez::test::ChildProcess> relay_;
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
        Arrivals atRight(&rig.right, true);
        Arrivals atLeft(&rig.left, false);
        const std::vector<std::uint8_t> payload(kPayload, 0x5A);
        for (auto _ : state) {
            const std::uint64_t before = atLeft.count();
            const std::uint64_t delivered = atRight.count();
            const std::int64_t start = nowNs();
            J5Send(&rig.left, J5_TYPE_HR, kRightMac, 2, 3, payload.data(), kPayload, kBitmap, nullptr, nullptr, 0, 0);
            const auto limit = Clock::now() + 5s;
            while (atLeft.count() == before && Clock::now() < limit)
                std::this_thread::yield();
            if (atRight.count() > delivered) oneWayUs.push_back(static_cast<double>(atRight.lastNs() - start) / 1e3);
            if (atLeft.count() > before) roundTripUs.push_back(static_cast<double>(atLeft.lastNs() - start) / 1e3);
        }
        J5Close(&rig.left);
        J5Close(&rig.right);
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
    j5SetS2DListLength(&rig.left, kRightMac, &one);
    std::uint64_t delivered = 0;
    {
        Arrivals atRight(&rig.right, false);
        const std::vector<std::uint8_t> payload(kPayload, 0x5A);
        for (auto _ : state) {
            while (J5Send(&rig.left, J5_TYPE_HR, kRightMac, 2, 3, payload.data(), kPayload, kBitmap, nullptr, nullptr,
                          0, 0) == J5_ERR_WINDOW_FULL) {
                std::this_thread::yield();
            }
        }
        const auto limit = Clock::now() + 30s;
        const auto wanted = static_cast<std::uint64_t>(state.iterations());
        while (atRight.count() < wanted && Clock::now() < limit)
            std::this_thread::sleep_for(1ms);
        delivered = atRight.count();
        J5Close(&rig.left);
        J5Close(&rig.right);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(delivered));
}
BENCHMARK(BM_ReliableWindowOne)->Arg(0)->Iterations(20000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReliableWindowOne)->Arg(50)->Iterations(300)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
