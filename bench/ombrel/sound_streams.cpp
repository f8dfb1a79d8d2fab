#include "sound_streams.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace kez::bench {
namespace {

std::string quoted(const std::string& line) {
    const auto open = line.find('"'), close = line.rfind('"');
    return open == std::string::npos || close <= open ? std::string() : line.substr(open + 1, close - open - 1);
}

std::string describe(const SoundStream& stream) {
    return std::string(stream.playback ? "playback" : "capture") + (stream.corked ? " corked" : " running");
}

// The streams in `pactl list` output of one kind.
std::vector<SoundStream> parseStreams(const std::string& listing, bool playback) {
    std::vector<SoundStream> streams;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Sink Input #") || line.starts_with("Source Output #")) {
            streams.push_back({playback, false, 0, {}});
            continue;
        }
        if (streams.empty()) continue;
        const auto text = line.substr(std::min(line.find_first_not_of(" \t"), line.size()));
        if (text.starts_with("Corked:")) streams.back().corked = text.find("yes") != std::string::npos;
        if (text.starts_with("application.process.id =")) streams.back().pid = std::stoi(quoted(text));
        if (text.starts_with("application.process.binary =")) streams.back().program = quoted(text);
    }
    return streams;
}

} // namespace

std::vector<SoundStream> soundStreams(const kez::test::PulseServer& server) {
    std::vector<SoundStream> streams;
    for (const bool playback : {true, false}) {
        const auto listed = server.pactl({"list", playback ? "sink-inputs" : "source-outputs"});
        if (!listed.ok()) throw std::runtime_error("pactl list failed: " + listed.err);
        const auto some = parseStreams(listed.out, playback);
        streams.insert(streams.end(), some.begin(), some.end());
    }
    return streams;
}

std::string describeStreamsOf(const std::vector<SoundStream>& streams, pid_t pid) {
    std::string text;
    for (const auto& stream : streams)
        if (stream.pid == pid) text += (text.empty() ? "" : ", ") + describe(stream);
    return text.empty() ? "none" : text;
}

std::string describeOtherStreams(const std::vector<SoundStream>& streams, const std::vector<pid_t>& excluded) {
    std::string text;
    for (const auto& stream : streams)
        if (std::ranges::find(excluded, stream.pid) == excluded.end())
            text += (text.empty() ? "" : ", ") + stream.program + " " + describe(stream);
    return text.empty() ? "none" : text;
}

int runningStreamsOf(const std::vector<SoundStream>& streams, pid_t pid, bool playback) {
    return static_cast<int>(std::ranges::count_if(
        streams, [&](const SoundStream& s) { return s.pid == pid && s.playback == playback && !s.corked; }));
}

} // namespace kez::bench
