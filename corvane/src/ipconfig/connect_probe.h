#pragma once
// The TCP connection toward the call server that shows which local address the PC uses: a
// non-blocking connect, then, while it is under way, a thread waiting on the socket and on a
// cancel event. One probe at a time; a new one cancels and joins the last.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "kez/sys/fd.h"

namespace kez::corvane {

using Ipv4 = std::array<std::uint8_t, 4>;

struct ProbeResult {
    enum class Kind { Connected, Pending, Failed } kind = Kind::Failed;
    Ipv4 local{};
    // On failure: what failed ("connect failed", "getsockname failed", ...) and the errno.
    std::string what;
    int error = 0;
};

class ConnectProbe {
public:
    ConnectProbe() = default;
    ~ConnectProbe() { cancel(); }
    ConnectProbe(const ConnectProbe&) = delete;
    ConnectProbe& operator=(const ConnectProbe&) = delete;

    // Connects toward `server`:`port`. Connected or Failed when that is known at once; else
    // Pending, and `done` gets the outcome later on the probe's thread (unless cancelled).
    ProbeResult start(const Ipv4& server, std::uint16_t port, std::function<void(const ProbeResult&)> done);
    // Ends a pending probe without calling `done`, and joins its thread.
    void cancel();

private:
    void wait(const std::function<void(const ProbeResult&)>& done);

    sys::UniqueFd socket_, cancel_;
    std::thread thread_;
};

} // namespace kez::corvane
