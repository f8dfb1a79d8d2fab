// The real-time stream: a jitter queue kept in frame sequence order (so frames the network
// reordered still play in turn), with misses concealed by repeating the last frame and gaps
// filled with comfort noise.
#include "play_stream.h"

#include "sonwell/ima_adpcm.h"
#include "sonwell/mulaw.h"

#include <algorithm>

namespace kez::sonwell {
namespace {

constexpr std::size_t kOverlapSamples = 16;
constexpr int kMissesToStop = 4;
constexpr int kMissedBuffersToStop = 3;
// Network input cannot grow the queue (and the delay) without end: about 2 s is kept.
constexpr std::uint32_t kQueueLimitMs = 2000;

} // namespace

RealTimeStream::RealTimeStream(const PlayFormat& format, NodePool& pool, int compressionCode, bool comfort)
    : CPlayStream(StreamKind::RealTime, format, pool, 0, false), codec_(CodecForRealTime(compressionCode)),
      comfort_(comfort), queueLimit_(std::max<std::uint32_t>(1, kQueueLimitMs / format.msPerFrame())) {}

RealTimeStream::~RealTimeStream() { stop(); }

com::HRESULT RealTimeStream::AddData(std::span<const std::uint8_t> frame, std::uint16_t sequence) {
    if (codec_ == SampleCodec::ImaAdpcm && frame.size() < kImaBlockHeaderBytes) {
        traceFailure(com::E_INVALIDARG, "CPlayStream::AddData", "short frame");
        return com::E_INVALIDARG;
    }
    NodePtr node = pool_.take();
    std::span<std::int16_t> room(node->samples);
    const std::size_t decoded = codec_ == SampleCodec::MuLaw ? MuLawExpand(room, frame) : ImaAdpcmDecode(room, frame);
    std::fill(room.begin() + static_cast<std::ptrdiff_t>(decoded), room.end(), std::int16_t{0});
    node->sequence = sequence;
    append(std::move(node));
    return com::S_OK;
}

com::HRESULT RealTimeStream::Silence(std::uint16_t sequence) { return addGap(NodeKind::Silence, sequence); }

com::HRESULT RealTimeStream::ComfortNoise(std::uint16_t sequence) { return addGap(NodeKind::Comfort, sequence); }

com::HRESULT RealTimeStream::addGap(NodeKind kind, std::uint16_t sequence) {
    NodePtr node = pool_.take();
    node->kind = kind;
    node->sequence = sequence;
    append(std::move(node));
    return com::S_OK;
}

void RealTimeStream::append(NodePtr node) {
    node->count = format_.frameSamples();
    if (!active_) {
        active_ = true;
        expected_ = node->sequence;
    }
    while (queue_.size() >= queueLimit_) {
        lessBuffered(queue_.front()->count);
        pool_.give(queue_.pop());
    }
    buffered_ += static_cast<std::int32_t>(node->count);
    queue_.pushInSequence(std::move(node));
}

com::HRESULT RealTimeStream::mixFrame(FrameMix& mix) {
    if (mix.firstOfBuffer) {
        buffersWithMisses_ = missesThisBuffer_ > 0 ? buffersWithMisses_ + 1 : 0;
        missesThisBuffer_ = 0;
    }
    while (FrameNode* head = queue_.front()) {
        if (head->sequence == expected_) {
            play(mix);
            return com::S_OK;
        }
        if (!sequenceBefore(head->sequence, expected_)) break;
        // After a silence or comfort gap the sender's numbering went on without us: take it up,
        // but only forward of the gap, so a duplicate or late frame from before it never rewinds.
        if (lastPlayed_ && !lastPlayed_->holdsSound() && sequenceBefore(lastPlayed_->sequence, head->sequence)) {
            expected_ = head->sequence;
            continue;
        }
        lessBuffered(head->count);
        pool_.give(queue_.pop());
    }
    miss(mix);
    return com::S_OK;
}

void RealTimeStream::play(FrameMix& mix) {
    NodePtr node = queue_.pop();
    if (!mix.muted) {
        if (node->kind == NodeKind::Data) addSamples(mix.accumulator, node->samples);
        if (node->kind == NodeKind::Comfort) MixComfortNoise(mix.accumulator);
    }
    lessBuffered(node->count);
    pool_.give(std::move(lastPlayed_));
    lastPlayed_ = std::move(node);
    ++expected_;
    consecutiveMisses_ = 0;
}

void RealTimeStream::miss(FrameMix& mix) {
    if (lastPlayed_ && lastPlayed_->kind == NodeKind::Comfort) {
        if (!mix.muted) MixComfortNoise(mix.accumulator);
    } else if (lastPlayed_ && lastPlayed_->kind == NodeKind::Data) {
        ++consecutiveMisses_;
        ++missesThisBuffer_;
        if (!mix.muted) {
            const std::span<const std::int16_t> last(lastPlayed_->samples);
            addSamples(mix.accumulator, last);
            const std::size_t overlap = std::min(kOverlapSamples, last.size());
            addSamples(mix.accumulator.first(std::min(overlap, mix.accumulator.size())), last.last(overlap));
        }
    }
    if (consecutiveMisses_ >= kMissesToStop || buffersWithMisses_ >= kMissedBuffersToStop) {
        stop();
        active_ = false;
        return;
    }
    ++expected_;
}

void RealTimeStream::stop() {
    pool_.give(std::move(lastPlayed_));
    queue_.giveAll(pool_);
    buffered_ = 0;
    consecutiveMisses_ = 0;
    missesThisBuffer_ = 0;
    buffersWithMisses_ = 0;
}

void RealTimeStream::MixComfortNoise(std::span<std::int32_t> to) {
    const auto& noise = format_.comfortData;
    if (!comfort_ || noise.empty()) return;
    for (auto& value : to) {
        value += noise[comfortPosition_];
        comfortPosition_ = (comfortPosition_ + 1) % noise.size();
    }
}

} // namespace kez::sonwell
