#pragma once
// Running the independent J5 peer's scripts (tests/peers/j5peer) inside a namespace: start,
// wait for READY, and read the one-line verdict at the end.
#include "net_namespace.h"
#include "process.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ralnet::test {

inline std::filesystem::path j5PeerScript(const char* name) {
    return std::filesystem::path(KEZ_SOURCE_DIR) / "tests" / "peers" / "j5peer" / name;
}

class PeerScript {
public:
    // False when it did not start or did not report READY in time.
    bool start(const kez::test::NetNamespace& space, const char* script, std::vector<std::string> arguments) {
        std::vector<std::string> argv{KEZ_PYTHON, j5PeerScript(script).string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        if (!child_.start(space.exec(argv))) return false;
        const auto ready = child_.readLine(std::chrono::seconds(20));
        return ready && *ready == "READY";
    }

    // The last output line, the verdict in JSON; nothing when none came within `limit`.
    std::optional<std::string> verdict(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        std::optional<std::string> last;
        while (true) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return last;
            auto line = child_.readLine(left);
            if (!line) return last;
            if (!line->empty() && line->front() == '{') last = std::move(line);
        }
    }

    pid_t pid() const { return child_.pid(); }
    std::optional<int> wait(std::chrono::milliseconds limit) { return child_.wait(limit); }

private:
    kez::test::ChildProcess child_;
};

inline bool verdictPassed(const std::string& verdict) { return verdict.find("\"ok\": true") != std::string::npos; }

// Whether every failed check of a verdict is one of `waived` (the start of its text after
// "FAIL "), and all of them are listed (the peer lists at most 40).
inline bool onlyWaivedFailures(const std::string& verdict, const std::vector<std::string>& waived) {
    const std::string countKey = "\"failures\": ";
    const auto countAt = verdict.find(countKey);
    if (countAt == std::string::npos) return false;
    const long failures = std::strtol(verdict.c_str() + countAt + countKey.size(), nullptr, 10);
    long listed = 0;
    for (auto at = verdict.find("\"FAIL "); at != std::string::npos; at = verdict.find("\"FAIL ", at + 1)) {
        const std::string_view text(verdict.c_str() + at + 6);
        const bool excused = std::any_of(waived.begin(), waived.end(),
                                         [&](const std::string& start) { return text.starts_with(start); });
        if (!excused) return false;
        ++listed;
    }
    return listed == failures;
}

} // namespace ralnet::test
