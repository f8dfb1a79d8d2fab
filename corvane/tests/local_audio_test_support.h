#pragma once
// The engine's local audio against the wave doubles on the test clock: the engine is never
// started, and shares the audio hardware, so every sound opens the play object on demand.
#include "engine_fixture.h"
#include "kez/com/error_info.h"
#include "kez/sys/tick.h"
#include "shared/timing.h"

namespace kez::corvane::test {

class LocalAudioTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        timing::setTimeScale(1);
        ASSERT_TRUE(clock_.autoAdvance(true));
        ASSERT_EQ(engine_->put_bShareWave(com::VARIANT_TRUE), com::S_OK);
    }
    std::shared_ptr<FakeWavePlay> play() const { return std::dynamic_pointer_cast<FakeWavePlay>(doubles_.wavePlay()); }
    std::shared_ptr<FakeWaveRecord> record() const {
        return std::dynamic_pointer_cast<FakeWaveRecord>(doubles_.waveRecord());
    }
    // The wave objects' calls from the first that starts with `first` on, each with the
    // milliseconds since that one: "WavePlay.bIsActive 1 +40".
    std::vector<std::string> timeline(const std::string& first) const {
        const auto calls = doubles_.log.calls();
        const auto ticks = doubles_.log.ticks();
        std::vector<std::string> lines;
        std::optional<sys::Tick> start;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (!start && calls[i].rfind(first, 0) == 0) start = ticks[i];
            if (start && calls[i].rfind("Wave", 0) == 0)
                lines.push_back(calls[i] + " +" + std::to_string(sys::ticksSince(*start, ticks[i])));
        }
        return lines;
    }
    // Runs the engine's threads for `ms` on the test clock, then its window.
    void runFor(std::uint32_t ms) {
        ASSERT_TRUE(clock_.autoAdvance(false));
        ASSERT_TRUE(clock_.runFor(std::chrono::milliseconds(ms)));
        ASSERT_TRUE(clock_.autoAdvance(true));
        pump();
    }
    // The description the last failure left.
    static std::string lastError() { return com::takeErrorInfo().value_or(com::ErrorInfo{}).description; }

    sys::TestClock clock_;
};

} // namespace kez::corvane::test
