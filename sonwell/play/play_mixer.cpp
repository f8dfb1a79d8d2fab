// The mixing core: stream list, handles, and the mix of one output buffer.
#include "play_mixer.h"

#include "kez/sys/trace.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace kez::sonwell {
namespace {

constexpr std::int64_t kStartAccelerationMs = 251;
constexpr std::int64_t kKeepAcceleratingMs = 81;

} // namespace

std::int64_t SteadyMixerClock::counterNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

PlayMixer::PlayMixer(PlayFormat format, MixerClock& clock)
    : format_(std::move(format)), clock_(clock), pool_(format_.frameSamples()),
      accumulator_(format_.samplesPerBuffer()),
      ticksPerBuffer_(clock.counterFrequency() * static_cast<std::int64_t>(format_.samplesPerBuffer()) /
                      std::max<std::int64_t>(1, format_.device.rate)) {}

PlayMixer::~PlayMixer() { releaseAll(); }

com::HRESULT PlayMixer::realTimeStream(int compressionCode, bool comfort, StreamHandle& handle) {
    return insert(std::make_unique<RealTimeStream>(format_, pool_, compressionCode, comfort), handle);
}

com::HRESULT PlayMixer::reliableStream(int compressionCode, std::int32_t, ReliableStream::Completion completion,
                                       StreamHandle& handle) {
    return insert(std::make_unique<ReliableStream>(format_, pool_, compressionCode, std::move(completion)), handle);
}

com::HRESULT PlayMixer::alertStream(int toneStrength, std::int32_t priority, bool override, StreamHandle& handle) {
    return insert(std::make_unique<BufferStream>(format_, pool_, priority, override, toneStrength), handle);
}

com::HRESULT PlayMixer::toneStream(int nTone, std::int16_t durationMs, int nCountry, int toneStrength,
                                   std::int32_t priority, bool override, StreamHandle& handle) {
    return insert(
        std::make_unique<ToneStream>(format_, pool_, nTone, durationMs, nCountry, toneStrength, priority, override),
        handle);
}

com::HRESULT PlayMixer::waveStream(std::int32_t priority, bool override, StreamHandle& handle) {
    return insert(std::make_unique<BufferStream>(format_, pool_, priority, override), handle);
}

// Call audio goes last; sounds go before the first stream of lower priority.
com::HRESULT PlayMixer::insert(std::unique_ptr<CPlayStream> stream, StreamHandle& handle) {
    std::lock_guard guard(lock_);
    while (nextHandle_ == 0 || streams_.contains(nextHandle_))
        ++nextHandle_;
    handle = nextHandle_++;
    stream->setHandle(handle);
    auto at = order_.end();
    if (stream->kind() == StreamKind::Tone || stream->kind() == StreamKind::Buffer) {
        const auto priority = stream->priority();
        at = std::find_if(order_.begin(), order_.end(), [&](auto* s) { return s->priority() < priority; });
    }
    order_.insert(at, stream.get());
    streams_.emplace(handle, std::move(stream));
    wakeIfAudible();
    return com::S_OK;
}

com::HRESULT PlayMixer::ReleaseAudioStream(StreamHandle handle) {
    std::lock_guard guard(lock_);
    const auto found = streams_.find(handle);
    if (found == streams_.end()) {
        traceFailure(kWaveGeneralError, "CAudioPlayDevice::ReleaseAudioStream", "no such stream");
        return kWaveGeneralError;
    }
    std::erase(order_, found->second.get());
    streams_.erase(found);
    return com::S_OK;
}

void PlayMixer::releaseAll() {
    std::lock_guard guard(lock_);
    order_.clear();
    streams_.clear();
}

com::HRESULT PlayMixer::withStream(StreamHandle handle, const std::function<com::HRESULT(CPlayStream&)>& call) {
    std::lock_guard guard(lock_);
    const auto found = streams_.find(handle);
    if (found == streams_.end()) return kWaveGeneralError;
    const auto hr = call(*found->second);
    wakeIfAudible();
    return hr;
}

com::HRESULT PlayMixer::kindOf(StreamHandle handle, StreamKind& kind) {
    return withStream(handle, [&](CPlayStream& stream) {
        kind = stream.kind();
        return com::S_OK;
    });
}

std::size_t PlayMixer::streamCount() const {
    std::lock_guard guard(lock_);
    return streams_.size();
}

std::vector<StreamHandle> PlayMixer::mixingOrder() const {
    std::lock_guard guard(lock_);
    std::vector<StreamHandle> handles;
    for (const auto* stream : order_)
        handles.push_back(stream->handle());
    return handles;
}

com::HRESULT PlayMixer::GetMixedStreamData(std::span<std::uint8_t> out, std::size_t& bytes) {
    bytes = 0;
    if (out.size() < format_.fullBufferBytes()) return com::E_INVALIDARG;
    measureLateness();
    std::lock_guard guard(lock_);
    std::fill(accumulator_.begin(), accumulator_.end(), 0);
    const std::span<std::int32_t> all(accumulator_);
    for (std::size_t frame = 0; frame < static_cast<std::size_t>(format_.framesPerBuffer); ++frame) {
        FrameMix mix{all.subspan(frame * format_.frameSamples(), format_.frameSamples()), false, frame == 0};
        for (auto* stream : order_) {
            const com::HRESULT hr = stream->MixData(mix);
            if (com::FAILED(hr)) {
                traceFailure(hr, "CAudioPlayDevice::GetMixedStreamData", "mixing a stream");
                return hr;
            }
        }
    }
    bytes = convert(out);
    return com::S_OK;
}

void PlayMixer::restartPacing() {
    lateStarted_ = false;
    accelerating_ = false;
}

bool PlayMixer::audible() const {
    std::lock_guard guard(lock_);
    return anyActive();
}

void PlayMixer::setWake(std::function<void()> wake) {
    std::lock_guard guard(lock_);
    wake_ = std::move(wake);
}

bool PlayMixer::sleepUnlessAudible() {
    std::lock_guard guard(lock_);
    wakeArmed_ = !anyActive();
    return wakeArmed_;
}

void PlayMixer::disarmWake() {
    std::lock_guard guard(lock_);
    wakeArmed_ = false;
}

bool PlayMixer::anyActive() const {
    return std::any_of(order_.begin(), order_.end(), [](const CPlayStream* s) { return s->isActive(); });
}

// Under the lock, after every change to a stream: the armed wake goes off once.
void PlayMixer::wakeIfAudible() {
    if (!wakeArmed_ || !anyActive()) return;
    wakeArmed_ = false;
    if (wake_) wake_();
}

// How far behind the device's pace the mixing runs; far behind, buffers are played a quarter short.
void PlayMixer::measureLateness() {
    const std::int64_t now = clock_.counterNow();
    if (!lateStarted_) {
        lateStarted_ = true;
        nextDue_ = now + ticksPerBuffer_;
        return;
    }
    if (now < nextDue_) return;
    const std::int64_t lateMs = (now - nextDue_) * 1000 / clock_.counterFrequency();
    if (!accelerating_ && lateMs >= kStartAccelerationMs) {
        accelerating_ = true;
        sys::trace("sonwell", "******Starting accelearation\n");
    } else if (accelerating_ && lateMs < kKeepAcceleratingMs) {
        accelerating_ = false;
        sys::trace("sonwell", "******Stopping accelearation\n");
    }
    nextDue_ += ticksPerBuffer_;
}

// Saturates to the device's width; 8-bit output takes the top byte of the 16-bit scale.
std::size_t PlayMixer::convert(std::span<std::uint8_t> out) const {
    std::size_t at = 0;
    for (std::size_t i = 0; i < accumulator_.size(); ++i) {
        if (accelerating_ && i % 4 == 3) continue;
        const std::int32_t value = accumulator_[i];
        if (format_.device.bits == 16) {
            const auto sample = static_cast<std::uint16_t>(std::clamp<std::int32_t>(value, -32768, 32767));
            out[at++] = static_cast<std::uint8_t>(sample);
            out[at++] = static_cast<std::uint8_t>(sample >> 8);
        } else {
            out[at++] = static_cast<std::uint8_t>(std::clamp<std::int32_t>(value >> 8, -128, 127) + 128);
        }
    }
    return at;
}

} // namespace kez::sonwell
