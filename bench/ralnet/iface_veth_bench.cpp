// Audio frames through a whole interface on a veth pair between two private namespaces that
// the benchmark makes and removes: by Ethernet (bitmap 0x0009) and by UDP (0x0069), the send
// rate of J5AudioSend and the rate at which the peer's "HA" packets reach J5AudioReceiveObj,
// with the user and system CPU time of the process from getrusage per packet (the stack's
// threads and the in-process peer, kernel work on their behalf included). Needs root for the
// namespaces and is skipped without it. Figures only; nothing is asserted.
#include "j5_frames.h"
#include "ralnet/j5.h"
#include "veth_stacks.h"

#include "kez/net/packet_port.h"
#include "kez/net/udp_socket.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t kAudioPayload = 160; // 20 ms of G.711
enum Path : std::int64_t { kEthernet = 0, kUdp = 1 };

struct CpuTimes {
    double user = 0;
    double system = 0;
};

CpuTimes processCpu() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

void reportCpu(benchmark::State& state, const CpuTimes& start, std::int64_t packets) {
    state.SetItemsProcessed(packets);
    if (packets <= 0) return;
    const CpuTimes now = processCpu();
    const double perPacket = 1e6 / static_cast<double>(packets);
    state.counters["user_us_per_packet"] = (now.user - start.user) * perPacket;
    state.counters["sys_us_per_packet"] = (now.system - start.system) * perPacket;
    state.counters["cpu_us_per_packet"] = (now.user - start.user + now.system - start.system) * perPacket;
}

// The stack on one end of the pair (own IP 198.18.0.1/24), the peer's packet port and UDP
// socket (port 47093) on the other, a thread that drains both.
class VethBench {
public:
    VethBench() {
        if (::geteuid() != 0) {
            error_ = "skipped: network namespaces need root";
            return;
        }
        if (const auto problem = stacks_.problem()) {
            error_ = *problem;
            return;
        }
        if (!openStack() || !openPeer()) return;
        frameDrain_ = std::thread([this] { drainFrames(); });
        datagramDrain_ = std::thread([this] { drainDatagrams(); });
        std::this_thread::sleep_for(100ms); // the stack's receivers take their sockets
    }

    ~VethBench() {
        draining_.store(false);
        if (frameDrain_.joinable()) frameDrain_.join();
        if (datagramDrain_.joinable()) datagramDrain_.join();
        stacks_.close();
    }

    const std::string& error() const { return error_; }
    J5NetIf* ctx() { return &stack_.ctx; }

    J5Result sendAudio(Path path, const std::uint8_t* payload) {
        return J5AudioSend(&stack_.ctx, peerMac_.data(), payload, kAudioPayload, path == kUdp ? 0x0069 : 0x0009,
                           path == kUdp ? peer_.ip.data() : nullptr, nullptr, 0, 0, 0);
    }

    // One "HA" from the peer to the stack.
    bool peerSends(Path path) {
        if (path == kUdp) return socket_.sendTo(datagram_, {stack_.ip, J5_UDP_PORT}) == 0;
        return port_.port->writeFrame(frame_).ok();
    }

private:
    bool openStack() {
        if (stack_.open({.ownIp = true}) != J5_OK || J5SetPacketFilter(&stack_.ctx, 0x09) != 1) {
            error_ = "cannot open the interface";
            return false;
        }
        return true;
    }

    bool openPeer() {
        int socketError = -1;
        peer_.space->run([&] {
            port_ = kez::net::openPacketPort(peer_.interface);
            socketError = socket_.open({.port = J5_UDP_PORT});
        });
        if (!port_.status.ok() || !port_.port->setPacketFilter(0x09).ok() || socketError != 0) {
            error_ = "cannot open the peer's port or socket";
            return false;
        }
        peerMac_ = port_.port->macAddress();
        const std::vector<std::uint8_t> audio(kAudioPayload, 0x55);
        datagram_ = kez::test::haPart(peerMac_, audio);
        frame_ = kez::test::haFrame(stack_.macAddress(), peerMac_, audio);
        return true;
    }

    // Take what the stack sends, as a peer would.
    void drainFrames() {
        std::vector<std::uint8_t> buffer(2048);
        while (draining_.load())
            port_.port->readFrame(buffer, 20ms);
    }

    void drainDatagrams() {
        std::vector<std::uint8_t> buffer(2048);
        while (draining_.load())
            socket_.receive(buffer, nullptr, 20ms);
    }

    kez::test::VethStacks stacks_{"bv"};
    kez::test::VethStation& stack_ = stacks_.left();
    kez::test::VethStation& peer_ = stacks_.right();
    kez::net::MacAddress peerMac_{};
    kez::net::OpenedPort port_;
    kez::net::UdpSocket socket_;
    std::vector<std::uint8_t> datagram_;
    std::vector<std::uint8_t> frame_;
    std::atomic<bool> draining_{true};
    std::thread frameDrain_;
    std::thread datagramDrain_;
    std::string error_;
};

void BM_VethAudioSend(benchmark::State& state) {
    VethBench bench;
    if (!bench.error().empty()) {
        state.SkipWithError(bench.error().c_str());
        return;
    }
    const auto path = static_cast<Path>(state.range(0));
    const std::vector<std::uint8_t> payload(kAudioPayload, 0x55);
    const CpuTimes start = processCpu();
    std::int64_t sent = 0;
    for (auto _ : state) {
        if (bench.sendAudio(path, payload.data()) == J5_SENT) ++sent;
    }
    reportCpu(state, start, sent);
}
BENCHMARK(BM_VethAudioSend)->ArgName("udp")->Arg(kEthernet)->Arg(kUdp)->UseRealTime();

// Closes the interface when no packet came for a while, which ends a receive left waiting for
// a packet the kernel dropped.
class ReceiveGuard {
public:
    explicit ReceiveGuard(J5NetIf* ctx) : thread_([this, ctx] { watch(ctx); }) {}
    ~ReceiveGuard() {
        done_.store(true);
        thread_.join();
    }
    void progress() { progress_.fetch_add(1, std::memory_order_relaxed); }
    bool fired() const { return fired_.load(); }

private:
    void watch(J5NetIf* ctx) {
        std::int64_t seen = -1;
        while (!done_.load()) {
            std::this_thread::sleep_for(20ms);
            if (++idleTicks_ < 100) continue; // two seconds
            idleTicks_ = 0;
            const std::int64_t now = progress_.load();
            if (now == seen && !done_.load()) {
                fired_.store(true);
                J5Close(ctx);
                return;
            }
            seen = now;
        }
    }

    std::atomic<std::int64_t> progress_{0};
    std::atomic<bool> done_{false};
    std::atomic<bool> fired_{false};
    int idleTicks_ = 0;
    std::thread thread_;
};

// Batches of "HA" packets sent by the peer, then taken by the application.
void BM_VethAudioReceive(benchmark::State& state) {
    VethBench bench;
    if (!bench.error().empty()) {
        state.SkipWithError(bench.error().c_str());
        return;
    }
    const auto path = static_cast<Path>(state.range(0));
    const auto batch = static_cast<int>(state.range(1));
    ReceiveGuard guard(bench.ctx());
    const CpuTimes start = processCpu();
    std::int64_t received = 0;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i)
            bench.peerSends(path);
        for (int i = 0; i < batch; ++i) {
            J5PacketObj* packet = J5AudioReceiveObj(bench.ctx(), 0, 0);
            if (!packet) break;
            J5FreePacketObj(bench.ctx(), packet);
            guard.progress();
            ++received;
        }
        if (guard.fired()) {
            state.SkipWithError("a packet was lost: the receive was ended");
            break;
        }
    }
    reportCpu(state, start, received);
}
BENCHMARK(BM_VethAudioReceive)->ArgNames({"udp", "batch"})->ArgsProduct({{kEthernet, kUdp}, {1, 16}})->UseRealTime();

} // namespace
