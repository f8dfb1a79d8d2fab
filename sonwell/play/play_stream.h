#pragma once
// Play streams: each is a source that gives one frame per mixing step, added into the
// device's accumulator. The device calls every member under its lock.
#include "frame_node.h"
#include "play_format.h"

#include "kez/com/hresult.h"
#include "sonwell/codec_choice.h"
#include "sonwell/tone_generator.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace kez::sonwell {

enum class StreamKind { RealTime = 0, Reliable = 1, Buffer = 2, Tone = 3 };

using StreamHandle = std::uint32_t;

// One frame of the output buffer being mixed.
struct FrameMix {
    std::span<std::int32_t> accumulator;
    // Raised by an overriding stream that sounds in this frame; the streams after it stay silent.
    bool muted = false;
    bool firstOfBuffer = false;
};

// Writes the debug trace line of a failed play call.
void traceFailure(com::HRESULT hr, std::string_view function, std::string_view what);

class CPlayStream {
public:
    CPlayStream(StreamKind kind, const PlayFormat& format, NodePool& pool, std::int32_t priority, bool override);
    virtual ~CPlayStream() = default;
    CPlayStream(const CPlayStream&) = delete;
    CPlayStream& operator=(const CPlayStream&) = delete;

    StreamKind kind() const { return kind_; }
    std::int32_t priority() const { return priority_; }
    StreamHandle handle() const { return handle_; }
    void setHandle(StreamHandle handle) { handle_ = handle; }

    // Adds this stream's frame unless it is inactive.
    com::HRESULT MixData(FrameMix& mix) { return active_ ? mixFrame(mix) : com::S_OK; }
    bool isActive() const { return active_; }
    void activate() { active_ = true; }
    void deactivate() { active_ = false; }
    std::int32_t buffered() const { return buffered_; }

protected:
    virtual com::HRESULT mixFrame(FrameMix& mix) = 0;
    void addSamples(std::span<std::int32_t> to, std::span<const std::int16_t> from) const;
    void lessBuffered(std::size_t samples);

    const PlayFormat& format_;
    NodePool& pool_;
    const bool override_;
    bool active_ = false;
    std::int32_t buffered_ = 0;

private:
    const StreamKind kind_;
    const std::int32_t priority_;
    StreamHandle handle_ = 0;
};

// Received call audio, ordered by the 16-bit frame sequence number.
class RealTimeStream final : public CPlayStream {
public:
    RealTimeStream(const PlayFormat& format, NodePool& pool, int compressionCode, bool comfort);
    ~RealTimeStream() override;

    com::HRESULT AddData(std::span<const std::uint8_t> frame, std::uint16_t sequence);
    com::HRESULT Silence(std::uint16_t sequence);
    com::HRESULT ComfortNoise(std::uint16_t sequence);

private:
    com::HRESULT mixFrame(FrameMix& mix) override;
    com::HRESULT addGap(NodeKind kind, std::uint16_t sequence);
    void append(NodePtr node);
    void play(FrameMix& mix);
    void miss(FrameMix& mix);
    void MixComfortNoise(std::span<std::int32_t> to);
    void stop();

    const SampleCodec codec_;
    const bool comfort_;
    const std::size_t queueLimit_;
    FrameQueue queue_;
    NodePtr lastPlayed_;
    std::uint16_t expected_ = 0;
    int consecutiveMisses_ = 0;
    int missesThisBuffer_ = 0;
    int buffersWithMisses_ = 0;
    std::size_t comfortPosition_ = 0;
};

// Audio that must play whole: it plays what it is given and reports once when it runs dry.
class ReliableStream final : public CPlayStream {
public:
    using Completion = std::function<void(StreamHandle)>;
    ReliableStream(const PlayFormat& format, NodePool& pool, int compressionCode, Completion completion);
    ~ReliableStream() override;

    com::HRESULT AddData(std::span<const std::uint8_t> bytes);

private:
    com::HRESULT mixFrame(FrameMix& mix) override;

    const SampleCodec codec_;
    Completion completion_;
    FrameQueue queue_;
};

// Alerts and wave recordings: frames played in a loop, for a time or a number of rounds.
class BufferStream final : public CPlayStream {
public:
    BufferStream(const PlayFormat& format, NodePool& pool, std::int32_t priority, bool override,
                 int toneStrength = 100);
    ~BufferStream() override;

    // Samples at the device's rate, 16-bit mono.
    com::HRESULT AddWave(std::span<const std::int16_t> samples, std::uint16_t durationMs, std::uint8_t cycles);
    com::HRESULT AddAlert(int nAlert, int nCadence, int nCycles);

private:
    com::HRESULT mixFrame(FrameMix& mix) override;
    void start(std::uint16_t durationMs, std::uint8_t cycles);
    void countDown(std::size_t playedSamples, bool backAtFirst);

    const int toneStrength_;
    FrameQueue queue_;
    std::size_t cursor_ = 0;
    std::uint16_t remainingMs_ = 0; // 0: by cycles; 0xFFFF: endless
    std::size_t playedTime_ = 0;    // played, in ms x frame samples, less the whole ms counted
    std::uint8_t cycles_ = 0;       // 255: endless
};

// A call-progress or key tone from the tone tables.
class ToneStream final : public CPlayStream {
public:
    // durationMs -1 plays until deleted.
    ToneStream(const PlayFormat& format, NodePool& pool, int nTone, std::int16_t durationMs, int nCountry,
               int toneStrength, std::int32_t priority, bool override);

private:
    com::HRESULT mixFrame(FrameMix& mix) override;

    const int tone_;
    const int country_;
    const int toneStrength_;
    std::int64_t remaining_; // samples; -1 endless
    ToneState state_;
};

} // namespace kez::sonwell
