#pragma once
// A peer program (the J5 peer's scenarios and relay in tests/peers/j5peer, the simulated call
// server): started, READY awaited, and the one-line JSON verdict read at the end.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "net_namespace.h"
#include "process.h"

namespace kez::test {

class PeerScript {
public:
    // False when it did not start or did not report READY in time.
    bool start(const std::vector<std::string>& argv);
    // A script of tests/peers/j5peer, inside `space`.
    bool start(const NetNamespace& space, const std::string& script, const std::vector<std::string>& arguments);
    // The last output line that is a verdict; nothing when none came within `limit`.
    std::optional<std::string> verdict(std::chrono::milliseconds limit);
    pid_t pid() const { return child_.pid(); }
    std::optional<int> wait(std::chrono::milliseconds limit) { return child_.wait(limit); }

private:
    ChildProcess child_;
};

bool verdictPassed(const std::string& verdict);
// Whether every failed check of a verdict is one of `waived` (the start of its text after
// "FAIL "), and all of them are listed (the peer lists at most 40).
bool onlyWaivedFailures(const std::string& verdict, const std::vector<std::string>& waived);

} // namespace kez::test
