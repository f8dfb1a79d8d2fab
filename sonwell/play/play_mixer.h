#pragma once
// The mixing core of a play device: the ordered stream list with its handle table, the node
// pool, and the mix of one output buffer with its lateness measurement. No thread and no
// device: CAudioPlayDevice drives it, tests call it directly with their own clock.
#include "mixer_clock.h"
#include "play_format.h"
#include "play_stream.h"

#include "kez/com/hresult.h"
#include "sonwell/wave_errors.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace kez::sonwell {

class PlayMixer {
public:
    PlayMixer(PlayFormat format, MixerClock& clock);
    ~PlayMixer();
    PlayMixer(const PlayMixer&) = delete;
    PlayMixer& operator=(const PlayMixer&) = delete;

    const PlayFormat& format() const { return format_; }

    // The five kinds of GetAudioStream. Each gives a new handle (never 0, never reused).
    com::HRESULT realTimeStream(int compressionCode, bool comfort, StreamHandle& handle);
    com::HRESULT reliableStream(int compressionCode, std::int32_t queueSamples, ReliableStream::Completion completion,
                                StreamHandle& handle);
    com::HRESULT alertStream(int toneStrength, std::int32_t priority, bool override, StreamHandle& handle);
    com::HRESULT toneStream(int nTone, std::int16_t durationMs, int nCountry, int toneStrength, std::int32_t priority,
                            bool override, StreamHandle& handle);
    com::HRESULT waveStream(std::int32_t priority, bool override, StreamHandle& handle);

    // Removes and destroys the stream; kWaveGeneralError for a handle that names none.
    com::HRESULT ReleaseAudioStream(StreamHandle handle);
    // Destroys every stream; their handles are never valid again.
    void releaseAll();

    // Runs `call` on the stream under the device lock. kWaveGeneralError for an unknown handle.
    com::HRESULT withStream(StreamHandle handle, const std::function<com::HRESULT(CPlayStream&)>& call);
    template <class Stream>
    com::HRESULT withStreamOf(StreamHandle handle, const std::function<com::HRESULT(Stream&)>& call) {
        return withStream(handle, [&](CPlayStream& stream) {
            auto* typed = dynamic_cast<Stream*>(&stream);
            return typed ? call(*typed) : kWaveGeneralError;
        });
    }
    com::HRESULT kindOf(StreamHandle handle, StreamKind& kind);
    std::size_t streamCount() const;
    std::vector<StreamHandle> mixingOrder() const;

    // Mixes one output buffer into `out` (room for a full buffer) and says how many bytes to play.
    com::HRESULT GetMixedStreamData(std::span<std::uint8_t> out, std::size_t& bytes);
    bool accelerating() const { return accelerating_; }
    // Before a new streaming run, while no thread mixes: its first mix sets the pace afresh, so
    // the pause before it is no lateness.
    void restartPacing();

    // True while some stream has sound to give (an inactive one gives none).
    bool audible() const;
    // For a device that stops while nothing sounds: called once, from the caller's thread, by the
    // first change that makes a stream audible after sleepUnlessAudible armed it.
    void setWake(std::function<void()> wake);
    // Arms the wake and says true when nothing is audible; false (unarmed) otherwise.
    bool sleepUnlessAudible();
    void disarmWake();

private:
    com::HRESULT insert(std::unique_ptr<CPlayStream> stream, StreamHandle& handle);
    bool anyActive() const;
    void wakeIfAudible();
    void measureLateness();
    std::size_t convert(std::span<std::uint8_t> out) const;

    const PlayFormat format_;
    MixerClock& clock_;
    mutable std::recursive_mutex lock_;
    NodePool pool_;
    std::map<StreamHandle, std::unique_ptr<CPlayStream>> streams_;
    std::vector<CPlayStream*> order_;
    StreamHandle nextHandle_ = 1;
    std::vector<std::int32_t> accumulator_;
    bool lateStarted_ = false;
    std::int64_t nextDue_ = 0;
    std::int64_t ticksPerBuffer_ = 0;
    bool accelerating_ = false;
    std::function<void()> wake_;
    bool wakeArmed_ = false;
};

} // namespace kez::sonwell
