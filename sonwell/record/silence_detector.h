#pragma once
// Classifies each captured buffer as speech or silence against an adaptive noise floor, and
// walks the talking / hangover / going-silent / silent states that decide what is sent.
#include <cstdint>
#include <span>

namespace kez::sonwell {

class SilenceDetector {
public:
    enum class State { Talking = 0, Hangover = 1, GoingSilent = 2, Silent = 3 };

    static constexpr int kSpeechLevel = 1024;
    static constexpr int kFloorResetFrames = 100;
    static constexpr int kShortHangover = 2;
    static constexpr int kLongHangover = 20;
    static constexpr int kSilentReportCycle = 80;

    explicit SilenceDetector(int noiseFloor = 50) { reset(noiseFloor); }

    // Starts again in Talking with the floor at `noiseFloor`.
    void reset(int noiseFloor);
    // Classifies one buffer and returns the new state.
    State classify(std::span<const std::int16_t> samples);

    State state() const { return state_; }
    // Integer part of the floor, at least 0.
    int floor() const;

    // |first sample of greatest magnitude - integer mean|.
    static int levelOf(std::span<const std::int16_t> samples);

private:
    bool isSpeech(int level);
    void advance(bool speech);

    static constexpr std::int64_t kFloorCap = 0x40000000;

    std::int64_t floor_ = 0; // 16.16 fixed point
    std::int64_t savedFloor_ = 0;
    int speechFrames_ = 0;
    State state_ = State::Talking;
    int talkingInRow_ = 0;
    int hangoverFrames_ = 0;
    int hangoverLimit_ = kShortHangover;
    int silentFrames_ = 0;
};

// True when a buffer in this state is held back (silent, and not the moment to report it).
constexpr bool isHeldBack(SilenceDetector::State state) { return state == SilenceDetector::State::Silent; }

} // namespace kez::sonwell
