#pragma once
// One wave output device: a ring of output buffers that a mixing thread keeps filled from the
// play mixer, reopening the device when it stops taking sound. After about a second in which no
// stream had sound to give, the device is closed (no stream on the sound server, no thread of
// its own) and the thread sleeps until a stream becomes audible, then opens it again at once.
#include "mixer_clock.h"
#include "play_mixer.h"

#include "kez/audio/pcm.h"
#include "kez/com/hresult.h"
#include "kez/sys/event.h"
#include "kez/sys/thread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace kez::sonwell {

class CAudioPlayDevice {
public:
    CAudioPlayDevice() = default;
    ~CAudioPlayDevice();
    CAudioPlayDevice(const CAudioPlayDevice&) = delete;
    CAudioPlayDevice& operator=(const CAudioPlayDevice&) = delete;

    // `format` gives the sizes and the wanted device format; `adapter` -1 is the default device.
    // 0, or -1 with lastError() set.
    int Initialize(const PlayFormat& format, int adapter, bool noSuggest);
    int BeginStreamingPlay();
    // Stops the thread, closes the device and destroys every stream.
    void StopStreaming();
    bool streaming() const { return streaming_; }

    com::HRESULT lastError() const { return lastError_; }
    // Valid after a successful Initialize.
    PlayMixer& mixer() { return *mixer_; }
    // Times the mixing thread found the device stalled and opened it again.
    std::uint32_t reopens() const { return reopens_; }
    // Times the device was closed because nothing sounded.
    std::uint32_t idleStops() const { return idleStops_; }

private:
    int fail(com::HRESULT hr, const char* function);
    bool openRing();
    bool reopenRing();
    void closeRing();
    void run();
    bool mixDoneBuffers();
    // Closes the device and sleeps until a stream is audible; false ends the thread.
    bool idleUntilAudible();

    SteadyMixerClock clock_;
    std::unique_ptr<PlayMixer> mixer_;
    int adapter_ = audio::kDefaultDevice;
    std::atomic<com::HRESULT> lastError_ = com::S_OK;
    audio::PcmOut out_;
    std::vector<std::vector<std::uint8_t>> memory_;
    std::vector<audio::PcmBuffer> ring_;
    std::unique_ptr<std::atomic<bool>[]> done_;
    sys::Event deviceEvent_{sys::Event::Reset::Auto};
    std::atomic<bool> streaming_ = false;
    std::atomic<std::uint32_t> reopens_ = 0;
    std::atomic<std::uint32_t> idleStops_ = 0;
    std::size_t ringIndex_ = 0;
    int emptyWaits_ = 0;
    std::uint32_t silentBuffers_ = 0;
    sys::Thread thread_;
};

} // namespace kez::sonwell
