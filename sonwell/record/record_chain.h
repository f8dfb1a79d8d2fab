#pragma once
// What happens to one full capture buffer: classify it, filter it, encode it, and say which event
// carries the frame (if any). Pure code, so every step is testable without a device.
#include "high_pass_filter.h"
#include "silence_detector.h"

#include "sonwell/codec_choice.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kez::sonwell {

struct RecordSettings {
    std::int32_t captureSamples = 192; // samples per buffer and per frame
    std::int32_t sendBytes = 192;      // bytes handed to the events
    int compressionCode = kCompressionMuLaw;
    bool detectSilence = false;
    int noiseFloor = 50;
};

// Limits on the sizes a recording accepts; beyond them the recorder refuses to start.
inline constexpr std::int32_t kMinCaptureSamples = 2;
inline constexpr std::int32_t kMaxCaptureSamples = 8000 * 8;
inline constexpr std::int32_t kMaxSendBytes = 1 << 20;
// Empty when the sizes are usable, else why not.
const char* refusedSizes(const RecordSettings& settings);

// Encoded size of one buffer of `samples` samples with this codec.
std::size_t encodedBytes(SampleCodec codec, std::size_t samples);

enum class FrameEvent { None, DataReady, SilenceDetected };

class RecordChain {
public:
    // Sizes must have passed refusedSizes.
    explicit RecordChain(const RecordSettings& settings);

    // Processes one completely filled buffer in place. The frame for the event, if any, is frame().
    FrameEvent process(std::span<std::int16_t> samples);
    // The last frame: exactly sendBytes, zero-padded when the encoded frame is shorter.
    std::span<const std::uint8_t> frame() const { return {encoded_.data(), sendBytes_}; }

private:
    const SampleCodec codec_;
    const std::size_t sendBytes_;
    const bool detectSilence_;
    SilenceDetector detector_;
    HighPassFilter filter_;
    int stepIndex_ = 0;
    // Room for the whole encoded buffer or the sent frame, whichever is longer.
    std::vector<std::uint8_t> encoded_;
};

} // namespace kez::sonwell
