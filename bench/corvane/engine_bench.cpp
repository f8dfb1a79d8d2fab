// The engine on the real endpoint and Ralnet (wave objects doubled), its call server configured:
// how long Start takes, how long from Start to the first status message at the far station,
// and a key press from ButtonDown to its KzSetEvent at the far station (a Ralnet interface that
// acknowledges, so the reliable window never stalls), median and 99th percentile over paced
// presses; on the in-process virtual wire, and on a veth pair between two namespaces (root;
// skipped otherwise). Figures only; nothing is asserted.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "corvane/engine.h"
#include "corvane/server.h"
#include "engine_doubles.h"
#include "kez/apt/apartment.h"
#include "kez/com/class_registry.h"
#include "kez/net/mac_address.h"
#include "linkor/server.h"
#include "net_namespace.h"
#include "ralnet/j5.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kez::corvane::test::Bytes;

constexpr int kPresses = 2000;
constexpr auto kPace = 300us;
constexpr std::uint16_t kStatusType = 0x0013;
constexpr std::uint16_t kKzSetEventType = 0x0205;

// A Ralnet interface that takes every control packet and notes when each arrived.
class FarStation {
public:
    bool open(const std::string& adapter) {
        if (J5InitDefault(adapter.c_str(), &context_, nullptr, nullptr) != J5_OK) return false;
        J5SetPacketFilter(&context_, 11);
        open_ = true;
        reader_ = std::thread([this] {
            while (J5PacketObj* packet = J5ReceiveObj(&context_, 0, 0)) {
                const auto at = Clock::now();
                const std::uint16_t type =
                    packet->length >= 2 ? static_cast<std::uint16_t>(packet->dataRef[0] << 8 | packet->dataRef[1]) : 0;
                J5FreePacketObj(&context_, packet);
                std::lock_guard hold(lock_);
                arrivals_.push_back({type, at});
                arrived_.notify_all();
            }
        });
        return true;
    }
    ~FarStation() {
        if (open_) J5Close(&context_);
        if (reader_.joinable()) reader_.join();
    }
    // When the next packet of `type` arrived; older ones of other types are dropped.
    std::optional<Clock::time_point> next(std::uint16_t type, Clock::duration limit) {
        std::unique_lock hold(lock_);
        const auto end = Clock::now() + limit;
        for (;;) {
            while (!arrivals_.empty()) {
                const auto [seen, at] = arrivals_.front();
                arrivals_.pop_front();
                if (seen == type) return at;
            }
            if (arrived_.wait_until(hold, end) == std::cv_status::timeout && arrivals_.empty()) return std::nullopt;
        }
    }

private:
    J5NetIf context_{};
    bool open_ = false;
    std::thread reader_;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<std::pair<std::uint16_t, Clock::time_point>> arrivals_;
};

struct Bench {
    std::string name;
    std::string adapter; // the engine's
    Bytes farMac;
    std::function<bool(FarStation&)> openFar;
    std::function<bool(const std::function<void()>&)> inStack = [](const std::function<void()>& f) {
        f();
        return true;
    };
};

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void measure(const Bench& bench, FarStation& far) {
    kez::com::Ptr<kez::corvane::IEngine> engine;
    kez::com::ClassRegistry::createAs(kez::corvane::kClsidEngine, engine);
    engine->put_varVuruvMac(kez::corvane::test::byteArray(bench.farMac));
    engine->put_nProtocolRevision(static_cast<std::int16_t>(0x80B3));
    const auto before = Clock::now();
    if (kez::com::FAILED(engine->Start())) {
        std::printf("%-6s the engine did not start\n", bench.name.c_str());
        return;
    }
    const auto started = Clock::now();
    const auto status = far.next(kStatusType, 15s);
    std::vector<double> latencies, calls;
    for (int i = 0; i < kPresses; ++i) {
        const auto pressed = Clock::now();
        engine->ButtonDown(static_cast<std::int16_t>(i % 16));
        calls.push_back(std::chrono::duration<double, std::micro>(Clock::now() - pressed).count());
        const auto arrived = far.next(kKzSetEventType, 1s);
        if (!arrived) break;
        latencies.push_back(std::chrono::duration<double, std::micro>(*arrived - pressed).count());
        kez::apt::Apartment::current().dispatchPending();
        std::this_thread::sleep_for(kPace);
    }
    engine->Stop();
    const auto at = [](std::vector<double>& values, double q) {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0.0 : values[static_cast<std::size_t>(q * (values.size() - 1))];
    };
    std::printf("%-6s Start %.1f ms; Start to first status %.0f ms; over %zu presses: ButtonDown returns after "
                "median %.1f us, p99 %.1f us; key to far station median %.1f us, p99 %.1f us\n",
                bench.name.c_str(), ms(started - before), status ? ms(*status - before) : -1.0, latencies.size(),
                at(calls, 0.5), at(calls, 0.99), at(latencies, 0.5), at(latencies, 0.99));
}

void run(const Bench& bench) {
    ::setenv("KEZ_ADAPTERS", bench.adapter.c_str(), 1);
    FarStation far;
    if (!bench.openFar(far)) {
        std::printf("%-6s could not open the far station\n", bench.name.c_str());
        return;
    }
    bench.inStack([&] {
        kez::corvane::test::Doubles waves(true);
        measure(bench, far);
    });
}

} // namespace

int main() {
    kez::com::ClassRegistry::registerInProcess(kez::corvane::server());
    const std::string wire = kez::test::uniqueName("cb");
    const Bytes farMac{0x02, 0x4c, 0x4b, 0x00, 0x00, 0x02};
    run({"vwire", "vwire:" + wire + "@02:4c:4b:00:00:01", farMac,
         [&](FarStation& far) { return far.open("vwire:" + wire + "@02:4c:4b:00:00:02"); }});
    if (::geteuid() != 0) {
        std::printf("veth   skipped: network namespaces need root\n");
        return 0;
    }
    kez::test::NetNamespace stack("cba"), farSpace("cbb");
    kez::test::VethPair pair(stack, farSpace);
    const auto mac = kez::net::parseMac(kez::test::linkAddress(farSpace, pair.secondName()).value_or(""));
    if (!stack.valid() || !farSpace.valid() || !pair.valid() || !mac) {
        std::printf("veth   skipped: %s%s\n", stack.error().c_str(), pair.error().c_str());
        return 0;
    }
    run({"veth", pair.firstName(), Bytes(mac->begin(), mac->end()),
         [&](FarStation& far) {
             bool opened = false;
             farSpace.run([&] { opened = far.open(pair.secondName()); });
             return opened;
         },
         [&](const std::function<void()>& f) { return stack.run(f); }});
    return 0;
}
