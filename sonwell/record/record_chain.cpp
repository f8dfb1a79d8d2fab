#include "record_chain.h"

#include "sonwell/ima_adpcm.h"
#include "sonwell/mulaw.h"

#include <algorithm>

namespace kez::sonwell {

const char* refusedSizes(const RecordSettings& settings) {
    if (settings.captureSamples < kMinCaptureSamples || settings.captureSamples > kMaxCaptureSamples)
        return "Record buffer length out of range";
    if (settings.sendBytes < 1 || settings.sendBytes > kMaxSendBytes) return "Record frame length out of range";
    return nullptr;
}

std::size_t encodedBytes(SampleCodec codec, std::size_t samples) {
    return codec == SampleCodec::MuLaw ? samples : ImaAdpcmBlockBytes(samples);
}

RecordChain::RecordChain(const RecordSettings& settings)
    : codec_(CodecForRealTime(settings.compressionCode)), sendBytes_(static_cast<std::size_t>(settings.sendBytes)),
      detectSilence_(settings.detectSilence), detector_(settings.noiseFloor),
      encoded_(std::max(sendBytes_, encodedBytes(codec_, static_cast<std::size_t>(settings.captureSamples)))) {}

FrameEvent RecordChain::process(std::span<std::int16_t> samples) {
    auto state = SilenceDetector::State::Talking;
    if (detectSilence_) {
        state = detector_.classify(samples);
        if (isHeldBack(state)) return FrameEvent::None;
    }
    filter_.apply(samples);
    std::fill(encoded_.begin(), encoded_.end(), std::uint8_t{0});
    if (codec_ == SampleCodec::MuLaw)
        MuLawCompress(encoded_, samples);
    else
        ImaAdpcmEncode(encoded_, samples, stepIndex_);
    return state == SilenceDetector::State::GoingSilent ? FrameEvent::SilenceDetected : FrameEvent::DataReady;
}

} // namespace kez::sonwell
