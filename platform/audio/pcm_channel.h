#pragma once
// One open device stream as the layer's worker drives it: non-blocking transfers, the play
// position, and what to wait on. Implemented by the ALSA and the virtual backends.
#include "kez/audio/devices.h"
#include "kez/audio/format.h"
#include "kez/audio/pcm.h"
#include "kez/audio/result.h"
#include "kez/sys/wait.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kez::audio {

class PcmChannel {
public:
    virtual ~PcmChannel() = default;
    // Playback: hands over whole frames of `bytes`; `taken` says how many bytes went.
    virtual Result write(std::span<const std::uint8_t> bytes, std::size_t& taken) = 0;
    // Capture: takes whole frames of recorded sound into `bytes`.
    virtual Result read(std::span<std::uint8_t> bytes, std::size_t& got) = 0;
    // Playback: frames heard since the last drop (never more than were written).
    virtual Result played(std::uint64_t& frames) = 0;
    virtual Result start() = 0;
    // Discards what the device holds and starts counting again from 0.
    virtual void drop() = 0;
    // Descriptors that show the device can take or give sound.
    virtual void readiness(std::vector<sys::WaitFd>& out) = 0;
    // Milliseconds until `frames` more frames will have played or been recorded.
    virtual sys::Timeout timeFor(std::uint64_t frames) const = 0;
};

// Opens the named device: "virtual:<name>" on the virtual backend, anything else on ALSA.
Result openChannel(const std::string& pcmName, Direction direction, const PcmFormat& format, QueueShape shape,
                   std::unique_ptr<PcmChannel>& out);

} // namespace kez::audio
