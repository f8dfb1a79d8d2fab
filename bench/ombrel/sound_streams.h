#pragma once
// The streams a PulseAudio server holds (`pactl list sink-inputs` and `source-outputs`): who owns each, and
// whether it runs or is corked.
#include <sys/types.h>

#include <string>
#include <vector>

#include "audio_server.h"

namespace kez::bench {

struct SoundStream {
    bool playback = true; // a sink input; else a source output
    bool corked = false;
    pid_t pid = 0;
    std::string program; // application.process.binary
};

// Throws std::runtime_error when pactl fails.
std::vector<SoundStream> soundStreams(const kez::test::PulseServer& server);

// "playback running, capture corked" for the streams of `pid`; "none" when it has none.
std::string describeStreamsOf(const std::vector<SoundStream>& streams, pid_t pid);
// The same for everyone else's streams, each named by its program.
std::string describeOtherStreams(const std::vector<SoundStream>& streams, const std::vector<pid_t>& excluded);
// How many of `pid`'s streams run (are not corked).
int runningStreamsOf(const std::vector<SoundStream>& streams, pid_t pid, bool playback);

} // namespace kez::bench
