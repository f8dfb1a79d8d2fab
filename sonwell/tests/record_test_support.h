#pragma once
// A sink that keeps every frame WaveRecord hands out, with the event and the thread it came on.
#include "kez/com/array_routines.h"
#include "sonwell/wave_record.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace kez::sonwell::test {

struct Frame {
    bool silence;
    std::vector<std::uint8_t> bytes;
    std::thread::id thread;
};

class RecordingSink final : public com::Implements<_IWaveRecordEvents> {
public:
    com::HRESULT DataReady(const com::Variant& varData) override { return keep(false, varData); }
    com::HRESULT SilenceDetected(const com::Variant& varData) override { return keep(true, varData); }

    std::vector<Frame> waitFor(std::size_t count) {
        std::unique_lock hold(lock_);
        arrived_.wait_for(hold, std::chrono::seconds(20), [&] { return frames_.size() >= count; });
        return frames_;
    }
    std::vector<Frame> frames() {
        const std::lock_guard hold(lock_);
        return frames_;
    }

private:
    com::HRESULT keep(bool silence, const com::Variant& data) {
        std::vector<std::uint8_t> bytes;
        com::GetSafeArrayEx(data, bytes);
        const std::lock_guard hold(lock_);
        frames_.push_back({silence, std::move(bytes), std::this_thread::get_id()});
        arrived_.notify_all();
        return com::S_OK;
    }
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<Frame> frames_;
};

} // namespace kez::sonwell::test
