#pragma once
// The engine's play and record objects: opened at Start, or on demand and closed again after
// idleness when the audio hardware is shared. Opening and closing happen under the wave lock.
#include <cstdint>
#include <optional>

#include "kez/apt/hidden_window.h"
#include "kez/com/object.h"
#include "kez/sys/critical_section.h"
#include "kez/sys/tick.h"
#include "kez/sys/wait.h"
#include "sonwell/wave_play.h"
#include "sonwell/wave_record.h"

namespace kez::corvane {

// The engine's properties the objects are opened with.
struct WaveSettings {
    std::int32_t bufferDelay = 5;
    std::int32_t bufferMultiplier = 1;
    std::int16_t playAdapter = -1;
    std::int16_t recordAdapter = -1;
    std::int16_t country = 1;
    std::int16_t toneStrength = 100;
    std::int16_t noiseFloor = 50;
};

class WaveObjects {
public:
    // The sinks advised on the objects each time they open.
    WaveObjects(com::Ptr<com::Object> playSink, com::Ptr<com::Object> recordSink)
        : playSink_(std::move(playSink)), recordSink_(std::move(recordSink)) {}

    // Each renews the last use; opens only what is closed. A failure leaves the object closed
    // and the error object set.
    com::HRESULT openPlay(const WaveSettings& settings);
    com::HRESULT openRecord(const WaveSettings& settings, bool autoSetupMixer);
    // Failures of the object's own stop and close are posted as Error events; the object goes.
    void closePlay(const apt::WindowHandle& errors);
    void closeRecord(const apt::WindowHandle& errors);
    // Closes what is open and idle once `delay` has passed since the last use.
    void closeIdle(sys::Timeout delay, const apt::WindowHandle& errors);
    // Forgets the last use (a fresh run).
    void clearLastUse();

    // The play object for use: the first use within its settling time after opening waits out the rest, so
    // opening it (at Start) need not wait.
    com::Ptr<sonwell::IWavePlay> play() const;
    bool playOpen() const { return play_ != nullptr; }
    com::Ptr<sonwell::IWaveRecord> record() const { return record_; }
    sys::CriticalSection& lock() { return lock_; }

private:
    bool playIdle() const;
    bool recordIdle() const;

    com::Ptr<com::Object> playSink_, recordSink_;
    com::Ptr<sonwell::IWavePlay> play_;
    std::optional<sys::Deadline> playSettled_;
    com::Ptr<sonwell::IWaveRecord> record_;
    com::Cookie playCookie_ = com::kNoCookie, recordCookie_ = com::kNoCookie;
    std::optional<sys::Tick> lastUse_;
    sys::CriticalSection lock_;
};

} // namespace kez::corvane
