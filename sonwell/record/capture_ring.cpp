#include "capture_ring.h"

namespace kez::sonwell {

CaptureRing::CaptureRing(const RecordSettings& settings) : chain_(settings) {
    for (std::size_t i = 0; i < kBuffers; ++i) {
        auto& slot = slots_[i];
        slot.samples.assign(static_cast<std::size_t>(settings.captureSamples), 0);
        slot.buffer.data = reinterpret_cast<std::uint8_t*>(slot.samples.data());
        slot.buffer.length = slot.samples.size() * sizeof(std::int16_t);
        slot.buffer.tag = reinterpret_cast<std::uintptr_t>(this);
    }
}

audio::Result CaptureRing::queueAll(audio::PcmIn& device) {
    for (auto& slot : slots_) {
        slot.done = false;
        if (const auto result = device.add(slot.buffer); !audio::ok(result)) return result;
    }
    return audio::Result::Ok;
}

void CaptureRing::notifyBy(apt::WindowHandle window, apt::MessageId message) {
    window_ = std::move(window);
    message_ = message;
}

void CaptureRing::completed(audio::PcmBuffer& buffer) {
    // Buffers complete at the latest when the device is reset, and the ring outlives that.
    auto& ring = *reinterpret_cast<CaptureRing*>(buffer.tag);
    std::size_t position = 0;
    while (&ring.slots_[position].buffer != &buffer)
        ++position;
    ring.slots_[position].done = true;
    if (ring.window_)
        ring.window_.post({ring.message_, position, 0, {}});
    else
        ring.finished.set();
}

void CaptureRing::stop() {
    const std::lock_guard hold(deviceLock_);
    stopping_ = true;
}

template <class Call>
audio::Result CaptureRing::whileRunning(Call call) {
    const std::lock_guard hold(deviceLock_);
    return stopping_ ? audio::Result::Ok : call();
}

audio::Result CaptureRing::drain(audio::PcmIn& device, const FrameSink& sink) {
    while (!stopping_) {
        auto& slot = slots_[next_];
        if (!slot.done.exchange(false)) {
            std::uint64_t frames = 0;
            return whileRunning([&] { return device.position(frames); });
        }
        // A buffer returned part-filled (at a stop) carries no whole frame and is only requeued.
        if (slot.buffer.recorded == slot.buffer.length) {
            const auto event = chain_.process(slot.samples);
            if (event != FrameEvent::None) sink(event, chain_.frame());
        }
        next_ = (next_ + 1) % kBuffers;
        if (const auto result = whileRunning([&] { return device.add(slot.buffer); }); !audio::ok(result))
            return result;
    }
    return audio::Result::Ok;
}

} // namespace kez::sonwell
