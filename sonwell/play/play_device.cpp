// The play device's ring and mixing thread.
#include "play_device.h"

#include "sonwell/wave_errors.h"

#include <algorithm>
#include <chrono>

namespace kez::sonwell {
namespace {

// Waits without a finished buffer tolerated before the device counts as stalled.
constexpr int kEmptyWaitsTolerated = 5;
// Silence mixed for this long closes the device until something sounds again. Longer than the pauses
// of a call's talk spurts, so a call keeps its device rather than reopening it at every pause.
constexpr std::uint32_t kSilenceBeforeIdleMs = 3000;
// How often a device that failed to open again is tried.
constexpr int kReopenRetryMs = 500;

std::uint32_t silentBuffersBeforeIdle(const PlayFormat& format) {
    const auto ms = std::max<std::uint32_t>(1, format.msPerBuffer());
    return (kSilenceBeforeIdleMs + ms - 1) / ms;
}

} // namespace

CAudioPlayDevice::~CAudioPlayDevice() { StopStreaming(); }

int CAudioPlayDevice::fail(com::HRESULT hr, const char* function) {
    lastError_ = hr;
    traceFailure(hr, function, "play device");
    return -1;
}

int CAudioPlayDevice::Initialize(const PlayFormat& format, int adapter, bool noSuggest) {
    if (!usablePlayFormat(format)) return fail(kWaveGeneralError, "CAudioPlayDevice::Initialize");
    PlayFormat block = format;
    audio::Result refusal = audio::queryFormat(audio::Direction::Playback, adapter, block.device);
    if (!audio::ok(refusal) && !noSuggest && refusal == audio::Result::BadFormat) {
        // The suggestion keeps channels and rate and tries the other sample width.
        block.device.bits = block.device.bits == 16 ? 8 : 16;
        refusal = audio::queryFormat(audio::Direction::Playback, adapter, block.device);
    }
    if (!audio::ok(refusal)) return fail(waveMmError(refusal), "CAudioPlayDevice::Initialize");
    if (!loadComfortNoise(comfortNoiseResource(), block)) return fail(com::E_FAIL, "CAudioPlayDevice::Initialize");
    adapter_ = adapter;
    mixer_ = std::make_unique<PlayMixer>(std::move(block), clock_);
    mixer_->setWake([this] { deviceEvent_.set(); });
    return 0;
}

int CAudioPlayDevice::BeginStreamingPlay() {
    if (!mixer_) return fail(com::E_UNEXPECTED, "CAudioPlayDevice::BeginStreamingPlay");
    if (streaming_) return 0;
    const auto& format = mixer_->format();
    memory_.assign(static_cast<std::size_t>(format.bufferCount), std::vector<std::uint8_t>(format.fullBufferBytes()));
    ring_.assign(memory_.size(), {});
    done_ = std::make_unique<std::atomic<bool>[]>(memory_.size());
    emptyWaits_ = 0;
    silentBuffers_ = 0;
    mixer_->disarmWake();
    mixer_->restartPacing();
    if (!openRing()) {
        closeRing();
        return -1;
    }
    streaming_ = true;
    if (!thread_.start(
            "kez-play-mix", [this] { run(); }, sys::ThreadPriority::AboveNormal)) {
        streaming_ = false;
        closeRing();
        return fail(com::E_FAIL, "CAudioPlayDevice::BeginStreamingPlay");
    }
    return 0;
}

// Opens the device and queues the whole ring as silence, to be refilled from its start.
bool CAudioPlayDevice::openRing() {
    const auto& format = mixer_->format();
    const audio::QueueShape shape{format.samplesPerBuffer() / std::max<std::size_t>(1, format.device.channels),
                                  ring_.size()};
    const auto result = out_.open(
        adapter_, format.device,
        [this](audio::PcmBuffer& buffer) {
            done_[buffer.tag].store(true);
            deviceEvent_.set();
        },
        shape);
    if (!audio::ok(result)) {
        fail(waveMmError(result), "CAudioPlayDevice::BeginStreamingPlay");
        return false;
    }
    const std::uint8_t silence = format.device.bits == 8 ? 0x80 : 0;
    ringIndex_ = 0;
    for (std::size_t i = 0; i < ring_.size(); ++i) {
        std::fill(memory_[i].begin(), memory_[i].end(), silence);
        ring_[i] = audio::PcmBuffer{memory_[i].data(), memory_[i].size(), 0, i};
        done_[i].store(false);
        if (const auto written = out_.write(ring_[i]); !audio::ok(written)) {
            fail(waveMmError(written), "CAudioPlayDevice::BeginStreamingPlay");
            return false;
        }
    }
    return true;
}

void CAudioPlayDevice::closeRing() {
    out_.reset();
    out_.close();
}

void CAudioPlayDevice::StopStreaming() {
    if (thread_.joinable()) {
        streaming_ = false;
        deviceEvent_.set();
        thread_.join();
    }
    streaming_ = false;
    closeRing();
    memory_.clear();
    ring_.clear();
    if (mixer_) mixer_->releaseAll();
}

void CAudioPlayDevice::run() {
    const auto wait = std::chrono::milliseconds(mixer_->format().msPerBuffer());
    const auto silentLimit = silentBuffersBeforeIdle(mixer_->format());
    while (streaming_) {
        deviceEvent_.wait(wait);
        if (!streaming_ || !mixDoneBuffers()) return;
        if (silentBuffers_ >= silentLimit && !idleUntilAudible()) return;
        if (emptyWaits_ <= kEmptyWaitsTolerated) continue;
        emptyWaits_ = 0;
        closeRing();
        ++reopens_;
        if (!reopenRing()) return;
    }
}

// A device that will not open (taken by another program while closed, a sound server restarting) is tried
// again until it opens or streaming stops: giving up would silence every later tone and call.
bool CAudioPlayDevice::reopenRing() {
    const auto retry = std::chrono::milliseconds(kReopenRetryMs);
    while (streaming_ && !openRing()) {
        closeRing();
        deviceEvent_.wait(retry);
    }
    return streaming_;
}

// The streams' state is rechecked under the mixer's lock as the wake is armed, so a stream that
// becomes audible meanwhile is never missed. The ring starts again with silence, as at the start.
bool CAudioPlayDevice::idleUntilAudible() {
    silentBuffers_ = 0;
    if (!mixer_->sleepUnlessAudible()) return true;
    closeRing();
    ++idleStops_;
    while (streaming_ && mixer_->sleepUnlessAudible())
        deviceEvent_.wait();
    mixer_->disarmWake();
    if (!streaming_) return false;
    emptyWaits_ = 0;
    mixer_->restartPacing();
    return reopenRing();
}

// Refills and queues every buffer the device has finished, in ring order. False ends the thread.
bool CAudioPlayDevice::mixDoneBuffers() {
    bool any = false;
    while (streaming_ && done_[ringIndex_].load()) {
        any = true;
        auto& buffer = ring_[ringIndex_];
        std::size_t bytes = 0;
        if (const auto hr = mixer_->GetMixedStreamData(memory_[ringIndex_], bytes); com::FAILED(hr)) {
            lastError_ = hr;
            out_.reset();
            return false;
        }
        buffer.length = bytes;
        silentBuffers_ = mixer_->audible() ? 0 : silentBuffers_ + 1;
        done_[ringIndex_].store(false);
        if (const auto written = out_.write(buffer); !audio::ok(written)) {
            fail(waveMmError(written), "CAudioPlayDevice::GetMixedStreamData");
            return false;
        }
        ringIndex_ = (ringIndex_ + 1) % ring_.size();
    }
    emptyWaits_ = any ? 0 : emptyWaits_ + 1;
    return true;
}

} // namespace kez::sonwell
