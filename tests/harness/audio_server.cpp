#include "audio_server.h"

#include <signal.h>

#include <thread>

namespace kez::test {
namespace fs = std::filesystem;

namespace {

constexpr int kReadyTries = 100; // of 100 ms each

} // namespace

PulseServer::PulseServer() { configure("", kMonitor); }

PulseServer::PulseServer(SineMicrophone microphone) {
    configure("load-module module-sine-source source_name=" + std::string(kSineSource) +
                  " rate=8000 frequency=" + std::to_string(microphone.hertz) + "\n",
              kSineSource);
}

void PulseServer::configure(const std::string& sourceModule, const std::string& defaultSource) {
    writeFile(folder_ / "client.conf", "autospawn = no\n");
    writeFile(folder_ / "server.pa",
              "load-module module-null-sink sink_name=" + std::string(kSink) + "\n" + sourceModule +
                  "load-module module-native-protocol-unix socket=" + (folder_ / "native").string() +
                  " auth-anonymous=1\nset-default-sink " + kSink + "\nset-default-source " + defaultSource + "\n");
}

PulseServer::~PulseServer() { stop(); }

bool PulseServer::start() {
    if (running()) return true;
    const auto dir = folder_.path().string();
    // env -i: nothing of the caller's session (bus address, display, runtime folder) reaches it.
    const std::vector<std::string> argv = {"env",
                                           "-i",
                                           "PATH=/usr/sbin:/usr/bin:/sbin:/bin",
                                           "HOME=" + dir,
                                           "XDG_RUNTIME_DIR=" + dir,
                                           "PULSE_RUNTIME_PATH=" + dir + "/runtime",
                                           "PULSE_STATE_PATH=" + dir + "/state",
                                           "PULSE_COOKIE=" + dir + "/cookie",
                                           "pulseaudio",
                                           "-n",
                                           "--daemonize=no",
                                           "--exit-idle-time=-1",
                                           "--use-pid-file=no",
                                           "--system=no",
                                           "--disable-shm=yes",
                                           "--realtime=yes",
                                           "--high-priority=yes",
                                           "--log-target=file:" + dir + "/server.log",
                                           "-F",
                                           dir + "/server.pa"};
    if (!server_.start(argv)) {
        error_ = "pulseaudio could not be started";
        return false;
    }
    ended_ = false;
    for (int i = 0; i < kReadyTries; ++i) {
        if (pactl({"info"}).ok()) {
            keepAwake_.start(
                {"sh", "-c", "exec pacat --raw --rate=8000 --channels=1 --format=s16le --latency-msec=20 < /dev/zero"});
            if (restartSinkClock()) return true;
            error_ = "the null sink did not restart at a short latency: " + log();
            end(SIGKILL);
            return false;
        }
        if (server_.wait(std::chrono::milliseconds(100))) break;
    }
    error_ = "the private PulseAudio server did not answer: " + log();
    end(SIGKILL);
    return false;
}

// Loaded before any stream asked for a short latency, the null sink has already rendered its
// first block at its longest latency (2 s), and whatever connects in that time is neither mixed
// nor recorded until the block has run out. Suspended and resumed once the silent stream plays,
// it starts its clock again at that stream's latency.
bool PulseServer::restartSinkClock() const {
    for (int i = 0; i < kReadyTries; ++i) {
        if (!pactl({"list", "short", "sink-inputs"}).out.empty())
            return pactl({"suspend-sink", kSink, "1"}).ok() && pactl({"suspend-sink", kSink, "0"}).ok();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void PulseServer::kill() { end(SIGKILL); }
void PulseServer::stop() { end(SIGTERM); }

void PulseServer::end(int signal) {
    if (!running()) return;
    if (keepAwake_.pid() != 0) {
        ::kill(keepAwake_.pid(), SIGTERM);
        keepAwake_.wait(std::chrono::seconds(5));
    }
    const pid_t pid = server_.pid();
    ::kill(pid, signal);
    if (!server_.wait(std::chrono::seconds(10))) {
        ::kill(pid, SIGKILL);
        server_.wait(std::chrono::seconds(10));
    }
    ended_ = true;
    // The socket name is kept, so a new start serves the same address.
    std::error_code ignored;
    fs::remove(folder_ / "native", ignored);
}

CommandResult PulseServer::pactl(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"pactl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runCommand(argv, std::chrono::seconds(10));
}

std::string PulseServer::log() const { return readFile(folder_ / "server.log"); }

bool SourceRecording::start() {
    if (!parec_.start(shellCommand("exec parec --raw --rate=8000 --channels=1 --format=s16le --device=\"$1\" > \"$2\"",
                                   {source_, folder_ / "recorded.raw"})))
        return false;
    for (int i = 0; i < kReadyTries && samples() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return samples() != 0;
}

std::size_t SourceRecording::samples() const {
    std::error_code error;
    const auto bytes = fs::file_size(folder_ / "recorded.raw", error);
    return error ? 0 : bytes / 2;
}

std::vector<std::int16_t> SourceRecording::stop() {
    if (parec_.pid() != 0) {
        ::kill(parec_.pid(), SIGTERM);
        parec_.wait(std::chrono::seconds(5));
    }
    const auto bytes = readBytes(folder_ / "recorded.raw");
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

} // namespace kez::test
