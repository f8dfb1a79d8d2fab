#include "simulated_call_server.h"

#include <algorithm>
#include <thread>

namespace kez::test {
namespace {

bool holdsAll(std::string_view line, const std::vector<std::string>& parts) {
    return std::ranges::all_of(parts, [&](const auto& part) { return line.find(part) != std::string_view::npos; });
}

} // namespace

bool SimulatedCallServer::start(const std::string& wire, const std::string& mac,
                                const std::vector<std::string>& arguments, const std::vector<std::string>& prefix) {
    auto argv = prefix;
    argv.insert(argv.end(), {KEZ_PYTHON, KEZ_SOURCE_DIR "/tests/callserver/kezsim"});
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.insert(argv.end(), {"--wire", wire, "--mac", mac});
    return process_.start(argv, {"PYTHONDONTWRITEBYTECODE=1"}) && awaitLine({"kezsim: "}, std::chrono::seconds(30));
}

bool SimulatedCallServer::awaitLine(const std::vector<std::string>& parts, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    // Without a loop to turn, the read itself waits; with one, the loop turns every few milliseconds.
    const auto step = pump_ ? std::chrono::milliseconds(5) : std::chrono::milliseconds(100);
    while (std::chrono::steady_clock::now() < end) {
        if (pump_) pump_();
        const auto read = std::chrono::steady_clock::now();
        while (auto line = process_.readLine(step)) {
            seen_ += *line + "\n";
            if (holdsAll(*line, parts)) return true;
            if (pump_) pump_();
        }
        // Its output has ended: no line will come, and reading again would only spin.
        if (!pump_ && std::chrono::steady_clock::now() - read < step) std::this_thread::sleep_for(step);
    }
    return false;
}

bool SimulatedCallServer::sawOrAwaitLine(const std::vector<std::string>& parts, std::chrono::milliseconds limit) {
    for (std::size_t from = 0, end; (end = seen_.find('\n', from)) != std::string::npos; from = end + 1)
        if (holdsAll(std::string_view(seen_).substr(from, end - from), parts)) return true;
    return awaitLine(parts, limit);
}

} // namespace kez::test
