#include "silence_detector.h"

#include <algorithm>
#include <cstdlib>

namespace kez::sonwell {

void SilenceDetector::reset(int noiseFloor) {
    floor_ = std::min(static_cast<std::int64_t>(noiseFloor) * 65536, kFloorCap);
    savedFloor_ = floor_;
    speechFrames_ = 0;
    state_ = State::Talking;
    talkingInRow_ = 0;
    hangoverFrames_ = 0;
    hangoverLimit_ = kShortHangover;
    silentFrames_ = 0;
}

int SilenceDetector::floor() const { return static_cast<int>(std::max<std::int64_t>(floor_ >> 16, 0)); }

int SilenceDetector::levelOf(std::span<const std::int16_t> samples) {
    if (samples.empty()) return 0;
    std::int64_t sum = 0;
    int peak = samples.front();
    for (const int sample : samples) {
        sum += sample;
        if (std::abs(sample) > std::abs(peak)) peak = sample;
    }
    const auto mean = static_cast<int>(sum / static_cast<std::int64_t>(samples.size()));
    return std::abs(peak - mean);
}

// The floor follows silence quickly (1/16 per buffer) and speech slowly (1/4096); long speech
// puts it back where the last silence left it.
bool SilenceDetector::isSpeech(int level) {
    const bool speech = level > kSpeechLevel || level > (2048 * floor()) >> 10;
    const std::int64_t towardsLevel = floor_ - (static_cast<std::int64_t>(level) << 16);
    if (speech) {
        if (++speechFrames_ > kFloorResetFrames) {
            floor_ = savedFloor_;
            speechFrames_ = 0;
        } else {
            floor_ -= towardsLevel >> 12;
        }
    } else {
        floor_ -= towardsLevel >> 4;
        savedFloor_ = floor_;
        speechFrames_ = 0;
    }
    floor_ = std::min(floor_, kFloorCap);
    return speech;
}

SilenceDetector::State SilenceDetector::classify(std::span<const std::int16_t> samples) {
    advance(isSpeech(levelOf(samples)));
    return state_;
}

void SilenceDetector::advance(bool speech) {
    if (speech) {
        ++talkingInRow_;
        hangoverFrames_ = 0;
        silentFrames_ = 0;
        state_ = State::Talking;
        return;
    }
    switch (state_) {
    case State::Talking:
        hangoverLimit_ = talkingInRow_ > 2 ? kLongHangover : kShortHangover;
        hangoverFrames_ = 1;
        state_ = State::Hangover;
        break;
    case State::Hangover:
        if (hangoverFrames_ < hangoverLimit_) {
            ++hangoverFrames_;
        } else {
            hangoverFrames_ = 0;
            state_ = State::GoingSilent;
        }
        break;
    case State::GoingSilent:
        talkingInRow_ = 0;
        silentFrames_ = 1;
        state_ = State::Silent;
        break;
    case State::Silent:
        if (silentFrames_ < kSilentReportCycle) {
            ++silentFrames_;
        } else {
            silentFrames_ = 0;
            state_ = State::GoingSilent;
        }
        break;
    }
}

} // namespace kez::sonwell
