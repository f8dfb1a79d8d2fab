#include "cost_run.h"

#include <signal.h>

#include <stdexcept>

#include "audio_server.h"
#include "baresip_call.h"
#include "program_kit.h"
#include "simulated_call_server.h"
#include "sound_streams.h"

namespace kez::bench {
namespace {

using namespace std::chrono_literals;
using kez::ombrel::test::ProgramWorld;
using kez::test::SimulatedCallServer;

constexpr int kIdleSeconds = 20, kCallSeconds = 30;
// After the display shows the set in service, and after the echo line answers: what follows start-up and
// dialling settles before a phase is measured.
constexpr auto kSettle = 3s;

// kezsim serving the set, at its own system-state period (5 s, a real server's pace: the test kit's faster one
// would be idle work no set meets).
void startServer(SimulatedCallServer& server, const std::string& wire) {
    if (!server.start(wire, SimulatedCallServer::kMac, {"serve", "--show"}) ||
        !server.awaitLine({"kezsim: listening"}, 30s))
        throw std::runtime_error("kezsim did not start:\n" + server.seen());
}

// The program under measure, ended (and reaped) with the run.
class Program {
public:
    Program(const Build& build, const ProgramWorld& world) {
        auto environment = world.environment();
        environment.push_back("KEZ_AUDIO_DEVICES=pulse");
        if (!process_.start({build.program()}, environment))
            throw std::runtime_error("could not start " + build.program());
    }
    ~Program() {
        if (process_.wait(0ms)) return;
        ::kill(process_.pid(), SIGTERM);
        process_.wait(20s);
    }
    pid_t pid() const { return process_.pid(); }

private:
    kez::test::ChildProcess process_;
};

// The call server's lines in the meantime (so that its pipe never fills), as the pause between samples.
void pause(SimulatedCallServer& server, std::chrono::milliseconds time) { server.awaitLine({"\x01"}, time); }

void requireLine(SimulatedCallServer& server, const std::vector<std::string>& parts, const std::string& what) {
    if (!server.awaitLine(parts, 60s)) throw std::runtime_error(what + " did not come; kezsim said:\n" + server.seen());
}

// Throws when the call server saw the set restart or hang up since `from`.
void requireSteady(const SimulatedCallServer& server, std::size_t from) {
    const auto since = server.seen().substr(from);
    for (const char* broken : {"restarted", "on hook", "hung up"})
        if (since.find(broken) != std::string::npos)
            throw std::runtime_error(std::string("the set ") + broken + " during the phase:\n" + since);
}

std::string streamsNow(const kez::test::PulseServer& pulse, pid_t program) {
    const auto streams = soundStreams(pulse);
    return "ombrel: " + describeStreamsOf(streams, program) + "; others: " + describeOtherStreams(streams, {program});
}

struct Phase {
    UsageFigures program, peer;
    std::string streams;
};

// `seconds` of the program (and the peer, when there is one), sampled each second; the streams half-way through
// and at the end. `check` runs each second and throws when the phase broke off.
template <typename Check>
Phase measurePhase(int seconds, SimulatedCallServer& server, const kez::test::PulseServer& pulse, pid_t program,
                   pid_t peer, Check check) {
    UsageMeter programMeter(program);
    std::optional<UsageMeter> peerMeter;
    if (peer != 0) peerMeter.emplace(peer);
    std::string streams;
    for (int second = 1; second <= seconds; ++second) {
        pause(server, 1s);
        programMeter.sample();
        if (peerMeter) peerMeter->sample();
        check();
        if (second == seconds / 2) streams = "half-way: " + streamsNow(pulse, program);
        if (second == seconds) streams += "\n    streams at the end: " + streamsNow(pulse, program);
    }
    Phase phase{programMeter.finish(), peerMeter ? peerMeter->finish() : UsageFigures{}, std::move(streams)};
    return phase;
}

} // namespace

CostRun measureCost(const Build& build, const std::string& uiType) {
    kez::test::PulseServer pulse(kez::test::SineMicrophone{440});
    if (!pulse.start()) throw std::runtime_error("PulseAudio: " + pulse.error());
    ProgramWorld world(false);
    registerServers(build);
    world.set("UI", "Type", uiType);
    world.set("Communications", "VuruvMac", SimulatedCallServer::kMac);
    SimulatedCallServer server;
    startServer(server, world.wire());
    BaresipCall peer;
    Program program(build, world);

    requireLine(server, {"in service"}, "the set in service");
    const auto window = world.awaitWindow();
    if (window.empty()) throw std::runtime_error("the program's window did not show");
    pause(server, kSettle);
    CostRun run;
    auto from = server.seen().size();
    auto idle = measurePhase(kIdleSeconds, server, pulse, program.pid(), 0, [&] { requireSteady(server, from); });
    run.idle = std::move(idle.program);
    run.idleStreams = std::move(idle.streams);

    peer.establish();
    world.x({"xdotool", "windowactivate", "--sync", window, "key", "a"});
    requireLine(server, {"dial tone"}, "the dial tone after hands-free");
    world.x({"xdotool", "key", "9"});
    requireLine(server, {"echo line"}, "the echo line");
    pause(server, kSettle);
    from = server.seen().size();
    auto call = measurePhase(kCallSeconds, server, pulse, program.pid(), peer.caller(), [&] {
        requireSteady(server, from);
        peer.checkOngoing();
    });
    const auto streams = soundStreams(pulse);
    if (runningStreamsOf(streams, program.pid(), true) == 0 || runningStreamsOf(streams, program.pid(), false) == 0)
        throw std::runtime_error("ombrel had no running playback and capture in the call: " + call.streams);
    if (runningStreamsOf(streams, peer.caller(), true) == 0 || runningStreamsOf(streams, peer.caller(), false) == 0)
        throw std::runtime_error("baresip had no running playback and capture in its call: " + call.streams);
    run.call = std::move(call.program);
    run.baresip = std::move(call.peer);
    run.callStreams = std::move(call.streams);
    return run;
}

} // namespace kez::bench
