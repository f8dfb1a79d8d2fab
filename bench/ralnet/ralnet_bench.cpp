// Figures for the wire format and the pools; nothing here asserts anything about time.
#include "pool/packet_pools.h"
#include "wire/demux.h"
#include "wire/packet_builder.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using namespace ralnet;

wire::PacketRequest reliableRequest(J5HeaderBitMap bitmap, const std::vector<std::uint8_t>& payload) {
    wire::PacketRequest request;
    request.header.type = J5_TYPE_HR;
    const std::uint8_t own[6] = {2, 0, 0, 0, 0, 1};
    const std::uint8_t peer[6] = {2, 0, 0, 0, 0, 2};
    std::memcpy(request.header.senderMac, own, 6);
    std::memcpy(request.destMac, peer, 6);
    request.header.sequence = 0x1235;
    request.bitmap = bitmap;
    request.callerTci = 5;
    request.payload = payload.data();
    request.payloadLength = static_cast<std::uint16_t>(payload.size());
    return request;
}

void BM_BuildAndParse(benchmark::State& state) {
    const auto bitmap = static_cast<J5HeaderBitMap>(state.range(0));
    const std::vector<std::uint8_t> payload(static_cast<std::size_t>(state.range(1)), 0x5A);
    auto pools = PacketPools::create(poolSizesFor(300));
    const wire::PacketRequest request = reliableRequest(bitmap, payload);
    for (auto _ : state) {
        J5PacketObj* p = pools->take(wire::headerRoom(bitmap) + payload.size(), false);
        wire::buildPacket(*p, request);
        wire::acceptEthernetFrame(*p);
        wire::setPayloadPosition(*p);
        benchmark::DoNotOptimize(p->dataRef);
        pools->giveBack(p);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildAndParse)
    ->ArgNames({"bitmap", "payload"})
    ->Args({0x11, 10})
    ->Args({0x11, 1400})
    ->Args({0x13, 200})
    ->Args({0x17, 200});

void BM_TakeGiveBack(benchmark::State& state) {
    auto pools = PacketPools::create(poolSizesFor(300));
    const auto bytes = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        J5PacketObj* p = pools->take(bytes, false);
        benchmark::DoNotOptimize(p);
        pools->giveBack(p);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TakeGiveBack)->ArgName("bytes")->Arg(40)->Arg(200)->Arg(372);

// Shared pools under contention: every benchmark thread takes and gives back.
PacketPools& sharedPools() {
    static auto pools = PacketPools::create(poolSizesFor(300));
    return *pools;
}

void BM_TakeGiveBackContended(benchmark::State& state) {
    PacketPools& pools = sharedPools();
    for (auto _ : state) {
        J5PacketObj* p = pools.take(372, false);
        benchmark::DoNotOptimize(p);
        pools.giveBack(p);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TakeGiveBackContended)->Threads(1)->Threads(4)->Threads(8)->UseRealTime();

} // namespace
