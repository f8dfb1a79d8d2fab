#pragma once
// The engine against the simulated call server (kezsim, which prints what it gets): the server
// as a child process read line by line while this thread's apartment is pumped, an engine made
// by class identifier on this thread, and the two namespaces joined by veth that the Ethernet
// and UDP roads run in (root). The engine's periods run ten times faster.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/engine.h"
#include "engine_doubles.h"
#include "kez/apt/apartment.h"
#include "net_namespace.h"
#include "simulated_call_server.h"

namespace kez::test {

using namespace std::chrono_literals;
using corvane::test::Bytes;

std::string macText(const Bytes& mac);

class CallServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // `mode`: one call server showing what it gets, or kezsim's other modes and options.
    void startServer(const std::vector<std::string>& launch, const std::string& wire,
                     const std::vector<std::string>& mode = {"serve", "--show"});
    // Pumps this thread's apartment until the server prints a line holding every part.
    bool awaitLine(const std::vector<std::string>& parts, std::chrono::milliseconds limit = 15s) {
        return server_.awaitLine(parts, limit);
    }
    // For messages the set sends in no fixed order: a line already read counts too.
    bool sawOrAwaitLine(const std::vector<std::string>& parts) { return server_.sawOrAwaitLine(parts, 15s); }
    const std::string& seen() const { return server_.seen(); }
    // On this thread: an engine made by class identifier, `configure`d, started; then `exercise`.
    void withEngine(const std::function<void(corvane::IEngine&)>& configure,
                    const std::function<void(corvane::IEngine&)>& exercise);
    // The status to the unbound destination by Ethernet, then the blind bind to the only call server.
    void expectBlindBind();
    // A key press arriving as KzSetEvent 3 by `path`, "eth" or "udp".
    void pressKey(corvane::IEngine& engine, std::int16_t key, const std::string& path = "eth");
    // Advises `events` on the engine.
    static void advise(corvane::IEngine& engine, const com::Ptr<com::Object>& events);
    // Pumps this thread's apartment until `count` events other than the date have fired; with
    // `skipLedRefreshes`, an LEDUpdate that repeats the last one (each system state refreshes the
    // LEDs) is not counted.
    static std::vector<std::string> awaitEvents(const corvane::test::EventRecorder& events, std::size_t count,
                                                std::chrono::milliseconds limit = 10s, bool skipLedRefreshes = false);

    SimulatedCallServer server_{[] { apt::Apartment::current().pumpFor(5ms); }};
    Bytes serverMac_{0x02, 0x53, 0x49, 0x4d, 0x00, 0x01};
};

// The same, the set and the call server each in a namespace of its own, joined by veth
// (198.18.0.1 and .2); skipped or failed without root.
class CallServerOnVethTest : public CallServerTest {
protected:
    void SetUp() override;
    // The engine lives on a thread inside the set's namespace, where its endpoint opens.
    void inSetSpace(const std::function<void(corvane::IEngine&)>& configure,
                    const std::function<void(corvane::IEngine&)>& exercise);
    void startServerBeyondVeth(const std::string& road, const std::vector<std::string>& mode = {"serve", "--show"});

    NetNamespace setSpace_{"ces"};
    NetNamespace serverSpace_{"cep"};
    std::unique_ptr<VethPair> pair_;
};

} // namespace kez::test
