// The delay the broker kez-rawsock adds to each frame, each way: one frame at a time across a
// veth pair between two private namespaces that the benchmark makes and removes, from the
// peer's packet port to station A's port (receive) and back (send), with A's port on its own
// packet socket ("direct") or served by the broker ("broker"). A port opens through the
// broker when the opening thread lacks CAP_NET_RAW; the broker, started by root, gets it
// back. The broker's added delay is the difference of the two times. Needs root for the
// namespaces and is skipped without it. Figures only; nothing is asserted.
#include <sys/capability.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "kez/net/packet_port.h"
#include "net_namespace.h"

namespace {

using namespace std::chrono_literals;
using kez::net::OpenedPort;
using kez::net::PacketPort;

enum Path : std::int64_t { kDirect = 0, kBroker = 1 };
enum Direction { kReceive, kSend };

// Drops CAP_NET_RAW from the calling thread's effective set (capabilities are per thread).
bool dropRawSocketRight() {
    cap_t capabilities = ::cap_get_proc();
    if (capabilities == nullptr) return false;
    const cap_value_t raw = CAP_NET_RAW;
    const bool dropped =
        ::cap_set_flag(capabilities, CAP_EFFECTIVE, 1, &raw, CAP_CLEAR) == 0 && ::cap_set_proc(capabilities) == 0;
    ::cap_free(capabilities);
    return dropped;
}

class VethPorts {
public:
    explicit VethPorts(Path path) {
        if (::geteuid() != 0) {
            error_ = "skipped: network namespaces need root";
            return;
        }
        pair_ = std::make_unique<kez::test::VethPair>(stationSpace_, peerSpace_);
        if (!stationSpace_.valid() || !peerSpace_.valid() || !pair_->valid()) {
            error_ = "namespaces or veth: " + stationSpace_.error() + peerSpace_.error() + pair_->error();
            return;
        }
        stationSpace_.run([&] {
            if (path == kBroker && !dropRawSocketRight()) return;
            station_ = kez::net::openPacketPort(pair_->firstName());
        });
        peerSpace_.run([&] { peer_ = kez::net::openPacketPort(pair_->secondName()); });
        if (!station_.port || !peer_.port || !station_.port->setPacketFilter(0x01).ok() ||
            !peer_.port->setPacketFilter(0x01).ok()) {
            error_ = "cannot open the ports";
        }
    }

    const std::string& error() const { return error_; }
    PacketPort& station() { return *station_.port; }
    PacketPort& peer() { return *peer_.port; }

private:
    kez::test::NetNamespace stationSpace_{"bra"};
    kez::test::NetNamespace peerSpace_{"brb"};
    std::unique_ptr<kez::test::VethPair> pair_;
    OpenedPort station_;
    OpenedPort peer_;
    std::string error_;
};

// A J5 frame of `length` bytes from `from` to `to`.
std::vector<std::uint8_t> j5Frame(const kez::net::MacAddress& to, const kez::net::MacAddress& from,
                                  std::size_t length) {
    std::vector<std::uint8_t> frame(to.begin(), to.end());
    frame.insert(frame.end(), from.begin(), from.end());
    frame.insert(frame.end(), {0x88, 0xB5, 'H', 'A'});
    frame.resize(length, 0x55);
    return frame;
}

void oneFrameAtATime(benchmark::State& state, Direction direction) {
    VethPorts ports(static_cast<Path>(state.range(0)));
    if (!ports.error().empty()) {
        state.SkipWithError(ports.error().c_str());
        return;
    }
    PacketPort& sender = direction == kReceive ? ports.peer() : ports.station();
    PacketPort& receiver = direction == kReceive ? ports.station() : ports.peer();
    const auto frame = j5Frame(receiver.macAddress(), sender.macAddress(), static_cast<std::size_t>(state.range(1)));
    std::vector<std::uint8_t> buffer(kez::net::kMaxFrameLength);
    for (auto _ : state) {
        if (!sender.writeFrame(frame).ok() || receiver.readFrame(buffer, 2s).outcome != kez::net::ReadOutcome::Frame) {
            state.SkipWithError("a frame was lost");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_OneFrameReceived(benchmark::State& state) { oneFrameAtATime(state, kReceive); }
void BM_OneFrameSent(benchmark::State& state) { oneFrameAtATime(state, kSend); }

void paths(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"broker", "bytes"})->ArgsProduct({{kDirect, kBroker}, {60, 1514}})->UseRealTime();
}
BENCHMARK(BM_OneFrameReceived)->Apply(paths);
BENCHMARK(BM_OneFrameSent)->Apply(paths);

} // namespace
