#pragma once
// A private PulseAudio server for tests that need real, paced audio. It runs with its own
// runtime folder, socket and cookie, a clean environment (no session bus, no display) and a
// null sink whose monitor records what was played; clients never autospawn a server. A silent
// stream keeps the sink running at a short latency, as a desktop's is: an idle null sink renders
// a whole long block (2 s) before it takes a new stream, which no real device does. While the
// object lives, this process and its children (ALSA's "pulse" and "default" devices, pactl,
// parec) talk to it and to no other server. Its default source is the sink's monitor, or a
// microphone that hears a steady sine.
#include "process.h"
#include "scoped_registry.h"
#include "temp_dir.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kez::test {

// A default source that plays a sine of `hertz` (module-sine-source, 8000 Hz).
struct SineMicrophone {
    int hertz;
};

class PulseServer {
public:
    static constexpr const char* kSink = "kezsink";
    static constexpr const char* kMonitor = "kezsink.monitor";
    static constexpr const char* kSineSource = "kezsine";

    PulseServer();
    explicit PulseServer(SineMicrophone microphone);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the server and waits (bounded) until it answers; false with error() otherwise.
    bool start();
    // Ends it as a crash would (SIGKILL), or orderly (SIGTERM).
    void kill();
    void stop();
    bool running() const { return server_.pid() != 0 && !ended_; }
    const std::string& error() const { return error_; }

    CommandResult pactl(const std::vector<std::string>& arguments) const;
    // The server's log, for failure messages.
    std::string log() const;

private:
    void configure(const std::string& sourceModule, const std::string& defaultSource);
    void end(int signal);
    bool restartSinkClock() const;

    TempDir folder_{"kez-pulse"};
    ScopedEnv serverAddress_{"PULSE_SERVER", "unix:" + (folder_ / "native").string()};
    ScopedEnv clientConfig_{"PULSE_CLIENTCONFIG", (folder_ / "client.conf").string()};
    ScopedEnv cookie_{"PULSE_COOKIE", (folder_ / "cookie").string()};
    ChildProcess server_;
    ChildProcess keepAwake_;
    bool ended_ = true;
    std::string error_;
};

// parec recording one of the private server's sources (the sink's monitor, say) as 8000 Hz
// mono 16-bit samples, from start() until stop().
class SourceRecording {
public:
    explicit SourceRecording(std::string source) : source_(std::move(source)) {}
    // Starts parec and waits (bounded) until its first samples are in.
    bool start();
    std::size_t samples() const;
    // Ends parec: everything it recorded.
    std::vector<std::int16_t> stop();

private:
    std::string source_;
    TempDir folder_{"kez-parec"};
    ChildProcess parec_;
};

} // namespace kez::test
