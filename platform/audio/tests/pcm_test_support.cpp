#include "pcm_test_support.h"

#include <cmath>
#include <numbers>

namespace kez::audio::test {

std::vector<std::int16_t> tone(std::size_t count, double frequency, double amplitude, std::uint32_t rate,
                               std::size_t start) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double phase = 2 * std::numbers::pi * frequency * static_cast<double>(start + i) / rate;
        samples[i] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(phase)));
    }
    return samples;
}

std::vector<std::int16_t> samplesOf(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

ToneRing::ToneRing(std::size_t buffers, std::size_t frames, std::size_t totalFrames, double frequency, double amplitude)
    : frames_(frames), totalFrames_(totalFrames), frequency_(frequency), amplitude_(amplitude),
      memory_(buffers, std::vector<std::uint8_t>(frames * 2)), buffers_(buffers), inFlight_(buffers, false) {
    for (std::size_t i = 0; i < buffers; ++i)
        buffers_[i].data = memory_[i].data();
}

Completion ToneRing::completion() {
    return [this](PcmBuffer& buffer) { completed(buffer); };
}

bool ToneRing::fill(std::size_t index) {
    if (nextFrame_ >= totalFrames_) return false;
    const auto count = std::min(frames_, totalFrames_ - nextFrame_);
    const auto samples = tone(count, frequency_, amplitude_, 8000, nextFrame_);
    for (std::size_t i = 0; i < count; ++i) {
        memory_[index][2 * i] = static_cast<std::uint8_t>(samples[i] & 0xFF);
        memory_[index][2 * i + 1] = static_cast<std::uint8_t>((samples[i] >> 8) & 0xFF);
    }
    nextFrame_ += count;
    buffers_[index].length = count * 2;
    buffers_[index].tag = index | (nextSerial_++ << 16);
    inFlight_[index] = true;
    ++queued_;
    return true;
}

Result ToneRing::startPlaying() {
    for (std::size_t i = 0; i < buffers_.size(); ++i) {
        {
            const std::lock_guard hold(lock_);
            if (!fill(i)) break;
        }
        if (const auto written = out.write(buffers_[i]); !ok(written)) {
            const std::lock_guard hold(lock_);
            inFlight_[i] = false;
            --queued_;
            return lastWrite_ = written;
        }
    }
    return Result::Ok;
}

void ToneRing::completed(PcmBuffer& buffer) {
    const std::size_t index = buffer.tag & 0xFFFF;
    bool refill = false;
    {
        const std::lock_guard hold(lock_);
        const auto now = std::chrono::steady_clock::now();
        if (completions_ > 0)
            longestGap_ =
                std::max(longestGap_, std::chrono::duration_cast<std::chrono::milliseconds>(now - lastCompletion_));
        lastCompletion_ = now;
        ++completions_;
        if (index >= inFlight_.size() || !inFlight_[index]) {
            ++stray_;
        } else {
            inFlight_[index] = false;
            if ((buffer.tag >> 16) != expectedSerial_) ++outOfOrder_;
            expectedSerial_ = (buffer.tag >> 16) + 1;
            refill = ok(lastWrite_) && fill(index);
        }
    }
    if (refill) {
        if (const auto written = out.write(buffer); !ok(written)) {
            const std::lock_guard hold(lock_);
            inFlight_[index] = false;
            --queued_;
            lastWrite_ = written;
        }
    }
    changed_.notify_all();
}

bool ToneRing::waitAllDone(std::chrono::milliseconds limit) {
    std::unique_lock hold(lock_);
    return changed_.wait_for(hold, limit, [&] {
        return completions_ - stray_ >= queued_ && (nextFrame_ >= totalFrames_ || !ok(lastWrite_));
    });
}

bool ToneRing::waitCompletions(std::size_t count, std::chrono::milliseconds limit) {
    std::unique_lock hold(lock_);
    return changed_.wait_for(hold, limit, [&] { return completions_ >= count; });
}

std::size_t ToneRing::completions() const {
    const std::lock_guard hold(lock_);
    return completions_;
}
std::size_t ToneRing::strayCompletions() const {
    const std::lock_guard hold(lock_);
    return stray_;
}
std::size_t ToneRing::outOfOrder() const {
    const std::lock_guard hold(lock_);
    return outOfOrder_;
}
Result ToneRing::lastWriteResult() const {
    const std::lock_guard hold(lock_);
    return lastWrite_;
}

} // namespace kez::audio::test

namespace kez::audio::test {
std::chrono::milliseconds ToneRing::longestGap() const {
    const std::lock_guard hold(lock_);
    return longestGap_;
}
} // namespace kez::audio::test
