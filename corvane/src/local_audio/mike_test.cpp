#include "mike_test.h"

#include <utility>

namespace kez::corvane {

void MikeTest::begin(com::Ptr<sonwell::IWavePlay> play, std::int32_t stream) {
    std::lock_guard hold(lock_);
    play_ = std::move(play);
    stream_ = stream;
    sequence_ = 0;
}

std::int32_t MikeTest::end() {
    std::lock_guard hold(lock_);
    play_.reset();
    return std::exchange(stream_, 0);
}

// A silent frame takes the number the next sound will have: after it the stream takes up the
// numbering again, as it does after a caller's silence.
bool MikeTest::playBack(const com::Variant& frame, bool silent, com::HRESULT& hr) {
    std::lock_guard hold(lock_);
    if (!play_) return false;
    const auto sequence = static_cast<std::int16_t>(sequence_);
    hr = silent ? play_->AddSilence(stream_, sequence) : play_->AddBuffer(stream_, frame, sequence);
    if (!silent) ++sequence_;
    return true;
}

} // namespace kez::corvane
