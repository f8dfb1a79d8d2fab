#pragma once
// The microphone test's loop: while it runs, every frame the record thread delivers is played
// back on the test's own stream. The record thread and the owner both reach it under its own
// lock, never the wave lock: the owner holds that one while it closes the record object, which
// waits for the record thread.
#include <cstdint>
#include <mutex>

#include "kez/com/hresult.h"
#include "kez/com/variant.h"
#include "sonwell/wave_play.h"

namespace kez::corvane {

class MikeTest {
public:
    // From now on frames go to `stream` of `play`, numbered from 0.
    void begin(com::Ptr<sonwell::IWavePlay> play, std::int32_t stream);
    // Once this returns no frame reaches the play object any more. The test's stream, or 0
    // when no test ran.
    std::int32_t end();

    // On the record thread: plays a recorded frame, or a silent one, back; false when no test
    // runs. A failure of the play object is left in `hr` with its error object.
    bool playBack(const com::Variant& frame, bool silent, com::HRESULT& hr);

private:
    std::mutex lock_;
    com::Ptr<sonwell::IWavePlay> play_;
    std::int32_t stream_ = 0;
    std::uint16_t sequence_ = 0;
};

} // namespace kez::corvane
