#include "peer_script.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace kez::test {

bool PeerScript::start(const std::vector<std::string>& argv) {
    return child_.start(argv) && child_.readLine(std::chrono::seconds(20)) == "READY";
}

bool PeerScript::start(const NetNamespace& space, const std::string& script,
                       const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{KEZ_PYTHON,
                                  (std::filesystem::path(KEZ_SOURCE_DIR) / "tests/peers/j5peer" / script).string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return start(space.exec(argv));
}

std::optional<std::string> PeerScript::verdict(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    std::optional<std::string> last;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return last;
        auto line = child_.readLine(left);
        if (!line) return last;
        if (!line->empty() && line->front() == '{') last = std::move(line);
    }
}

bool verdictPassed(const std::string& verdict) { return verdict.find("\"ok\": true") != std::string::npos; }

bool onlyWaivedFailures(const std::string& verdict, const std::vector<std::string>& waived) {
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

} // namespace kez::test
