// The reliable stream: plays every sample it is given, then reports that it ran dry.
#include "play_stream.h"

#include "sonwell/ima_adpcm.h"
#include "sonwell/mulaw.h"

#include <algorithm>
#include <vector>

namespace kez::sonwell {

ReliableStream::ReliableStream(const PlayFormat& format, NodePool& pool, int compressionCode, Completion completion)
    : CPlayStream(StreamKind::Reliable, format, pool, 0, false), codec_(CodecForReliable(compressionCode)),
      completion_(std::move(completion)) {}

ReliableStream::~ReliableStream() { queue_.giveAll(pool_); }

com::HRESULT ReliableStream::AddData(std::span<const std::uint8_t> bytes) {
    std::vector<std::int16_t> samples;
    if (codec_ == SampleCodec::ImaAdpcm) {
        if (bytes.size() < kImaBlockHeaderBytes) {
            traceFailure(com::E_INVALIDARG, "CPlayStream::AddData", "short block");
            return com::E_INVALIDARG;
        }
        samples.resize(ImaAdpcmBlockSamples(bytes.size()));
        samples.resize(ImaAdpcmDecode(samples, bytes));
    } else {
        samples.resize(bytes.size());
        MuLawExpand(samples, bytes);
    }
    const std::size_t frame = format_.frameSamples();
    std::span<const std::int16_t> rest(samples);
    while (!rest.empty()) {
        FrameNode* tail = queue_.back();
        if (!tail || tail->count == frame) {
            queue_.push(pool_.take());
            tail = queue_.back();
        }
        const std::size_t n = std::min(rest.size(), frame - tail->count);
        std::copy_n(rest.begin(), n, tail->samples.begin() + static_cast<std::ptrdiff_t>(tail->count));
        tail->count += n;
        tail->kind = tail->count == frame ? NodeKind::Data : NodeKind::Partial;
        rest = rest.subspan(n);
        buffered_ += static_cast<std::int32_t>(n);
    }
    if (!samples.empty()) active_ = true;
    return com::S_OK;
}

com::HRESULT ReliableStream::mixFrame(FrameMix& mix) {
    if (queue_.empty()) {
        active_ = false;
        if (completion_) completion_(handle());
        return com::S_OK;
    }
    NodePtr node = queue_.pop();
    if (!mix.muted) addSamples(mix.accumulator, std::span<const std::int16_t>(node->samples).first(node->count));
    lessBuffered(node->count);
    pool_.give(std::move(node));
    return com::S_OK;
}

} // namespace kez::sonwell
