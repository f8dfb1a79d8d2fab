// From the wire to the sink: "HU" frames written onto the endpoint's adapter by a raw packet port,
// raised as SystemStateReceived on the thread that created the endpoint. Prints the events per
// second of a stream kept a few frames ahead of the sink, and the median and 99th-percentile latency from the frame's
// write to its event, for frames one at a time; on the in-process virtual wire, and on a veth pair between two
// namespaces (root; skipped otherwise). Figures only; nothing is asserted.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kez/apt/apartment.h"
#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "kez/net/packet_port.h"
#include "linkor/end_point.h"
#include "linkor/server.h"
#include "net_namespace.h"
#include "scoped_registry.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kez::com::HRESULT;
using kez::linkor::_IEndPointEvents;
using Sink = kez::com::Ptr<kez::com::Object>;

constexpr std::size_t kStream = 20000;
constexpr std::size_t kInFlight = 64; // frames written ahead of the events, within every queue
constexpr std::size_t kPaced = 2000;
constexpr auto kPace = 300us;

// Records when each event reached the sink.
class Arrivals final : public kez::linkor::EndPointEventsByNumber {
public:
    HRESULT Invoke(kez::com::DispId, const Sink&) override {
        times.push_back(Clock::now());
        ++count;
        return kez::com::S_OK;
    }

    std::vector<Clock::time_point> times; // written on the creating thread only
    std::atomic<std::size_t> count{0};
};

// A system-state "HU" from the peer to the endpoint's MAC, padded to the least Ethernet frame.
std::vector<std::uint8_t> systemStateFrame(const kez::net::MacAddress& to, const kez::net::MacAddress& from) {
    std::vector<std::uint8_t> frame(to.begin(), to.end());
    frame.insert(frame.end(), from.begin(), from.end());
    frame.insert(frame.end(), {0x88, 0xB5, 'H', 'U'});
    frame.insert(frame.end(), from.begin(), from.end());
    frame.resize(14 + 18);
    frame.insert(frame.end(), {0x00, 0x01, 0x80, 0xB3});
    frame.resize(64, 0);
    return frame;
}

struct Bench {
    std::string name;
    std::string adapter;                                // what the endpoint opens
    std::function<kez::net::OpenedPort()> openPeerPort; // the writer on the far end
    std::function<bool(const std::function<void()>&)> inStack = [](const std::function<void()>& f) {
        f();
        return true;
    };
};

bool pumpUntil(const Arrivals& arrivals, std::size_t count, Clock::duration limit) {
    const auto end = Clock::now() + limit;
    while (arrivals.times.size() < count && Clock::now() < end)
        kez::apt::Apartment::current().pumpFor(1ms, [&] { return arrivals.times.size() >= count; });
    return arrivals.times.size() >= count;
}

void run(const Bench& bench) {
    const kez::test::ScopedEnv adapters("KEZ_ADAPTERS", bench.adapter);
    kez::com::ClassRegistry::registerInProcess(kez::linkor::server());
    kez::com::Ptr<kez::linkor::IEndPoint> endPoint;
    kez::com::ClassRegistry::createAs(kez::linkor::kClsidEndPoint, endPoint);
    auto arrivals = std::make_shared<Arrivals>();
    kez::com::Cookie cookie = 0;
    kez::com::query<kez::com::IConnectionPointContainer>(endPoint)->Advise(_IEndPointEvents::iid, arrivals, cookie);
    kez::com::HRESULT opened = kez::com::E_FAIL;
    bench.inStack([&] { opened = endPoint->Open(); });
    kez::net::OpenedPort peer = bench.openPeerPort();
    if (kez::com::FAILED(opened) || !peer.status.ok() || !peer.port->setPacketFilter(0x09).ok()) {
        std::printf("%-8s could not open the endpoint or the peer's port\n", bench.name.c_str());
        return;
    }
    kez::com::Variant own;
    endPoint->get_varSourceMac(own);
    const auto* mac = own.get<kez::com::SafeArray>();
    kez::net::MacAddress to{};
    std::copy_n(mac->bytes().begin(), 6, to.begin());
    const auto frame = systemStateFrame(to, peer.port->macAddress());

    // A stream as fast as the sink takes it: the writer stays a few frames ahead of the events.
    std::thread writer([&] {
        const auto end = Clock::now() + 20s;
        for (std::size_t i = 0; i < kStream && Clock::now() < end;) {
            if (i < arrivals->count + kInFlight) {
                peer.port->writeFrame(frame);
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    const auto start = Clock::now();
    pumpUntil(*arrivals, kStream, 20s);
    writer.join();
    const double seconds = std::chrono::duration<double>(arrivals->times.back() - start).count();
    const double rate = static_cast<double>(arrivals->times.size()) / seconds;
    const std::size_t streamed = arrivals->times.size();

    // One frame at a time, each written after the last one's event, paced.
    arrivals->times.clear();
    std::vector<double> latencies;
    for (std::size_t i = 0; i < kPaced; ++i) {
        const auto written = Clock::now();
        peer.port->writeFrame(frame);
        if (!pumpUntil(*arrivals, i + 1, 1s)) break;
        latencies.push_back(std::chrono::duration<double, std::micro>(arrivals->times.back() - written).count());
        std::this_thread::sleep_for(kPace);
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies.empty() ? 0.0 : latencies[static_cast<std::size_t>(q * (latencies.size() - 1))];
    };
    std::printf("%-8s %zu of %zu events, %.0f events/s; frame to event over %zu frames: median %.1f us, p99 %.1f us\n",
                bench.name.c_str(), streamed, kStream, rate, latencies.size(), at(0.5), at(0.99));
    endPoint->Close();
}

} // namespace

int main() {
    const std::string wire = kez::test::uniqueName("eb");
    run({"vwire", "vwire:" + wire + "@02:4c:4b:00:00:01",
         [&] { return kez::net::openPacketPort("vwire:" + wire + "@02:4c:4b:00:00:02"); }});
    if (::geteuid() != 0) {
        std::printf("veth     skipped: network namespaces need root\n");
        return 0;
    }
    kez::test::NetNamespace stack("eba"), far("ebb");
    kez::test::VethPair pair(stack, far);
    if (!stack.valid() || !far.valid() || !pair.valid()) {
        std::printf("veth     skipped: %s%s\n", stack.error().c_str(), pair.error().c_str());
        return 0;
    }
    run({"veth", pair.firstName(),
         [&] {
             kez::net::OpenedPort port;
             far.run([&] { port = kez::net::openPacketPort(pair.secondName()); });
             return port;
         },
         [&](const std::function<void()>& f) { return stack.run(f); }});
    return 0;
}
