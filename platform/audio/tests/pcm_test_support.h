#pragma once
// A ring of output buffers that plays a tone through PcmOut, refilling each buffer as it
// completes, and counts every completion so that double or missing ones show.
#include "kez/audio/pcm.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kez::audio::test {

// `count` samples of a sine of `frequency` Hz and peak `amplitude` at `rate`, from sample `start` on.
std::vector<std::int16_t> tone(std::size_t count, double frequency, double amplitude, std::uint32_t rate = 8000,
                               std::size_t start = 0);
std::vector<std::int16_t> samplesOf(const std::vector<std::uint8_t>& bytes);

// The ring plays through its own PcmOut, `out`.
class ToneRing {
public:
    // `buffers` buffers of `frames` frames each; plays `totalFrames` frames of the tone, then stops refilling.
    ToneRing(std::size_t buffers, std::size_t frames, std::size_t totalFrames, double frequency = 1000,
             double amplitude = 8000);
    Completion completion();
    // Queues every buffer; the first failing write's result.
    Result startPlaying();
    // Waits (bounded) until every queued buffer has completed.
    bool waitAllDone(std::chrono::milliseconds limit);
    // Waits (bounded) until `count` completions have come in.
    bool waitCompletions(std::size_t count, std::chrono::milliseconds limit);

    std::size_t queued() const { return queued_; }
    std::size_t completions() const;
    // Completions that came for a buffer that was not queued at the time (must stay 0).
    std::size_t strayCompletions() const;
    // Completions out of queue order (must stay 0).
    std::size_t outOfOrder() const;
    Result lastWriteResult() const;
    // The longest time between two completions.
    std::chrono::milliseconds longestGap() const;

private:
    void completed(PcmBuffer& buffer);
    bool fill(std::size_t index);

    const std::size_t frames_;
    const std::size_t totalFrames_;
    const double frequency_;
    const double amplitude_;
    std::vector<std::vector<std::uint8_t>> memory_;
    std::vector<PcmBuffer> buffers_;
    std::vector<bool> inFlight_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::size_t nextFrame_ = 0;
    std::size_t queued_ = 0;
    std::size_t completions_ = 0;
    std::size_t stray_ = 0;
    std::size_t outOfOrder_ = 0;
    std::uint64_t nextSerial_ = 0;
    std::uint64_t expectedSerial_ = 0;
    Result lastWrite_ = Result::Ok;
    std::chrono::steady_clock::time_point lastCompletion_{};
    std::chrono::milliseconds longestGap_{0};

public:
    // Last, so it closes (completing what it holds) while the ring still exists.
    PcmOut out;
};

} // namespace kez::audio::test
