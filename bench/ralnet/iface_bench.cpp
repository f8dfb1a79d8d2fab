// Audio frames through a whole interface on a virtual wire: the send rate of J5AudioSend and
// the rate at which injected "HA" frames reach J5AudioReceiveObj, with the process CPU time
// (every thread of the stack included) per packet. Figures only; nothing is asserted.
#include "j5_frames.h"
#include "net_namespace.h"
#include "ralnet/j5.h"

#include "kez/net/packet_port.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t kAudioPayload = 160; // 20 ms of G.711
constexpr J5HeaderBitMap kAudioBitmap = 0x0009;
const std::string kOwn = "02:00:00:00:00:01";
const std::string kPeer = "02:00:00:00:00:02";

double processCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Stack {
    explicit Stack(const std::string& wire) {
        ok = J5InitDefault(("vwire:" + wire + "@" + kOwn).c_str(), &ctx, nullptr, nullptr) == J5_OK &&
             J5SetPacketFilter(&ctx, 0x09) == 1;
        peer = kez::net::openPacketPort("vwire:" + wire + "@" + kPeer);
        ok = ok && peer.status.ok() && peer.port->setPacketFilter(0x09).ok();
    }
    ~Stack() { J5Close(&ctx); }

    J5NetIf ctx{};
    kez::net::OpenedPort peer;
    bool ok = false;
};

std::vector<std::uint8_t> audioFrame() {
    return kez::test::haFrame(*kez::net::parseMac(kOwn), *kez::net::parseMac(kPeer),
                              std::vector<std::uint8_t>(kAudioPayload, 0x55));
}

void reportCpu(benchmark::State& state, double cpuStart, std::int64_t packets) {
    state.SetItemsProcessed(packets);
    if (packets > 0) {
        state.counters["cpu_us_per_packet"] = (processCpuSeconds() - cpuStart) * 1e6 / static_cast<double>(packets);
    }
}

void BM_AudioSend(benchmark::State& state) {
    Stack stack(kez::test::uniqueName("bs"));
    if (!stack.ok) {
        state.SkipWithError("cannot open the interface");
        return;
    }
    std::atomic<bool> draining{true};
    std::thread drain([&] {
        std::vector<std::uint8_t> buffer(1600);
        while (draining.load())
            stack.peer.port->readFrame(buffer, 20ms);
    });
    const std::uint8_t peerMac[6] = {0x02, 0, 0, 0, 0, 0x02};
    const std::vector<std::uint8_t> payload(kAudioPayload, 0x55);
    const double cpuStart = processCpuSeconds();
    std::int64_t sent = 0;
    for (auto _ : state) {
        if (J5AudioSend(&stack.ctx, peerMac, payload.data(), kAudioPayload, kAudioBitmap, nullptr, nullptr, 0, 0, 0) ==
            J5_SENT) {
            ++sent;
        }
    }
    reportCpu(state, cpuStart, sent);
    draining.store(false);
    drain.join();
}
BENCHMARK(BM_AudioSend)->UseRealTime();

// Batches of frames written by the peer, then taken by the application.
void BM_AudioReceive(benchmark::State& state) {
    Stack stack(kez::test::uniqueName("br"));
    if (!stack.ok) {
        state.SkipWithError("cannot open the interface");
        return;
    }
    const auto batch = static_cast<int>(state.range(0));
    const std::vector<std::uint8_t> frame = audioFrame();
    const double cpuStart = processCpuSeconds();
    std::int64_t received = 0;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i)
            stack.peer.port->writeFrame(frame);
        for (int i = 0; i < batch; ++i) {
            J5PacketObj* packet = J5AudioReceiveObj(&stack.ctx, 0, 0);
            if (!packet) break;
            J5FreePacketObj(&stack.ctx, packet);
            ++received;
        }
    }
    reportCpu(state, cpuStart, received);
}
BENCHMARK(BM_AudioReceive)->Arg(1)->Arg(16)->UseRealTime();

} // namespace
