#pragma once
// The simulated call server (tests/callserver/kezsim) as a child process read line by line: what it got from the
// set and what it did. While a test waits for a line, `pump` runs between reads: the apartment or the Qt loop on
// which the set under test raises its events.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "process.h"

namespace kez::test {

class SimulatedCallServer {
public:
    // The call server's MAC unless a test needs its interface's own.
    static constexpr const char* kMac = "02:53:49:4d:00:01";
    // One call server showing every message it gets, its system state every 0.2 s.
    static std::vector<std::string> serving() { return {"serve", "--show", "--period", "0.2"}; }

    explicit SimulatedCallServer(std::function<void()> pump = {}) : pump_(std::move(pump)) {}

    // `kezsim <arguments> --wire <wire> --mac <mac>` after `prefix` (such as `ip netns exec <name>`); false when it
    // did not start or did not announce itself (its first line, kept in `seen`).
    bool start(const std::string& wire, const std::string& mac = kMac,
               const std::vector<std::string>& arguments = serving(), const std::vector<std::string>& prefix = {});
    // A command to a server started with --commands.
    bool sendLine(const std::string& line) { return process_.sendLine(line); }
    // Reads its lines until one holds every part; false when none did within the limit.
    bool awaitLine(const std::vector<std::string>& parts, std::chrono::milliseconds limit = std::chrono::seconds(60));
    // The same, a line read before counting too: for messages the set sends in no fixed order.
    bool sawOrAwaitLine(const std::vector<std::string>& parts,
                        std::chrono::milliseconds limit = std::chrono::seconds(60));
    // Every line read so far, each ended by a line break; `forget` starts it anew.
    const std::string& seen() const { return seen_; }
    void forget() { seen_.clear(); }

private:
    std::function<void()> pump_;
    ChildProcess process_;
    std::string seen_;
};

} // namespace kez::test
