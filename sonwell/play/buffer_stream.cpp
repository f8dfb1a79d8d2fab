// Alert and wave streams: a ring of frames played for a time or a number of rounds.
#include "play_stream.h"

#include "sonwell/alert_generator.h"

#include <algorithm>

namespace kez::sonwell {
namespace {

constexpr int kAlertCycleMs = 6000;
constexpr int kAlertRingMs = 2000;
constexpr std::uint16_t kEndlessMs = 0xFFFF;
constexpr std::uint8_t kEndlessCycles = 255;

bool alertSilentAt(int t, int cadence) {
    return t >= kAlertRingMs || (cadence == 2 && t > 400 && t < 1200) ||
           (cadence == 3 && ((t > 1000 && t < 1250) || (t > 1500 && t < 1750)));
}

} // namespace

BufferStream::BufferStream(const PlayFormat& format, NodePool& pool, std::int32_t priority, bool override,
                           int toneStrength)
    : CPlayStream(StreamKind::Buffer, format, pool, priority, override), toneStrength_(toneStrength) {}

BufferStream::~BufferStream() { queue_.giveAll(pool_); }

com::HRESULT BufferStream::AddWave(std::span<const std::int16_t> samples, std::uint16_t durationMs,
                                   std::uint8_t cycles) {
    queue_.giveAll(pool_);
    buffered_ = 0;
    std::uint16_t sequence = 0;
    while (!samples.empty()) {
        NodePtr node = pool_.take();
        node->count = std::min(samples.size(), node->samples.size());
        std::copy_n(samples.begin(), node->count, node->samples.begin());
        node->sequence = sequence++;
        samples = samples.subspan(node->count);
        buffered_ += static_cast<std::int32_t>(node->count);
        queue_.push(std::move(node));
    }
    start(durationMs, cycles);
    return com::S_OK;
}

com::HRESULT BufferStream::AddAlert(int nAlert, int nCadence, int nCycles) {
    if (nAlert == kSilentAlert) return com::S_OK;
    queue_.giveAll(pool_);
    buffered_ = 0;
    const int step = static_cast<int>(format_.msPerFrame());
    ToneState state;
    std::uint16_t sequence = 0;
    for (int t = 0; t < kAlertCycleMs; t += step) {
        NodePtr node = pool_.take();
        node->count = node->samples.size();
        node->sequence = sequence++;
        if (alertSilentAt(t, nCadence)) {
            node->kind = NodeKind::Silence;
        } else {
            for (std::size_t i = 0; i < node->count; ++i)
                node->samples[i] = static_cast<std::int16_t>(
                    GenerateAlertSample(nAlert, t + static_cast<int>(i / 8), state) * toneStrength_ / 100);
        }
        buffered_ += static_cast<std::int32_t>(node->count);
        queue_.push(std::move(node));
    }
    start(0, static_cast<std::uint8_t>(nCycles));
    return com::S_OK;
}

void BufferStream::start(std::uint16_t durationMs, std::uint8_t cycles) {
    cursor_ = 0;
    remainingMs_ = durationMs;
    playedTime_ = 0;
    cycles_ = durationMs == 0 ? cycles : 0;
    active_ = !queue_.empty();
}

com::HRESULT BufferStream::mixFrame(FrameMix& mix) {
    if (queue_.empty()) {
        active_ = false;
        return com::S_OK;
    }
    bool sounded = false;
    std::size_t position = 0;
    while (position < mix.accumulator.size() && active_) {
        FrameNode& node = queue_.at(cursor_);
        const std::size_t start = node.readPosition;
        const std::size_t take = std::min(mix.accumulator.size() - position, node.count - start);
        if (node.holdsSound()) {
            sounded = true;
            if (!mix.muted)
                addSamples(mix.accumulator.subspan(position, take),
                           std::span<const std::int16_t>(node.samples).subspan(start, take));
        }
        node.readPosition += take;
        position += take;
        bool backAtFirst = false;
        if (node.readPosition >= node.count) {
            node.readPosition = 0;
            cursor_ = (cursor_ + 1) % queue_.size();
            backAtFirst = cursor_ == 0;
        }
        countDown(take, backAtFirst);
    }
    if (sounded && override_) mix.muted = true;
    return com::S_OK;
}

// A timed stream counts the time it played (so data that does not fill whole frames is not
// counted twice) and ends when it is used up, never wrapping round; a cycled one counts a round
// each time it comes back to its first frame. The part of a millisecond left over by each step
// is carried to the next, or data of fewer samples than a millisecond would never end.
void BufferStream::countDown(std::size_t playedSamples, bool backAtFirst) {
    if (remainingMs_ == 0) {
        if (!backAtFirst || cycles_ == kEndlessCycles) return;
        if (cycles_ == 0)
            active_ = false;
        else
            --cycles_;
        return;
    }
    if (remainingMs_ == kEndlessMs) return;
    playedTime_ += format_.msPerFrame() * playedSamples;
    const auto used = playedTime_ / format_.frameSamples();
    playedTime_ %= format_.frameSamples();
    remainingMs_ = used >= remainingMs_ ? 0 : static_cast<std::uint16_t>(remainingMs_ - used);
    if (remainingMs_ == 0) active_ = false;
}

} // namespace kez::sonwell
