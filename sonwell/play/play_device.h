#pragma once
// One wave output device: a ring of output buffers that a mixing thread keeps filled from the
// play mixer, reopening the device when it stops taking sound.
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

private:
    int fail(com::HRESULT hr, const char* function);
    bool openRing();
    void closeRing();
    void run();
    bool mixDoneBuffers();

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
    std::size_t ringIndex_ = 0;
    int emptyWaits_ = 0;
    sys::Thread thread_;
};

} // namespace kez::sonwell
