#pragma once
// What the call handlers need from the engine around them beyond the control handlers' needs:
// its wave objects, its endpoint and what other parts of it know. The engine supplies one
// implementation; tests supply a fake.
#include <cstdint>

#include "control/control_services.h"
#include "linkor/end_point.h"
#include "sonwell/wave_play.h"
#include "sonwell/wave_record.h"

namespace kez::corvane {

class CallServices : public virtual ControlServices {
public:
    // The engine's objects as they are now; each may be absent.
    virtual com::Ptr<sonwell::IWavePlay> playObject() const = 0;
    virtual com::Ptr<sonwell::IWaveRecord> recordObject() const = 0;
    virtual com::Ptr<linkor::IEndPoint> endPoint() const = 0;

    // The alert mode of the kept UI state: not 0 while the set rings.
    virtual std::int16_t keptAlertMode() const = 0;
    // Call-server discovery runs: received audio is not for this set. Any thread.
    virtual bool discovering() const = 0;
    // During the microphone test, a recorded frame goes back to the speaker instead (true).
    // `framesCollected` numbers a silent frame. On the record thread.
    virtual bool loopToSpeaker(const com::Variant& data, bool silence, std::uint16_t framesCollected) = 0;

    // The diagnostic audio's endpoint: the engine's, else one made and opened on the configured
    // adapter (advised for its events when `events`); and closing it, which reports a failing
    // Close and lets the endpoint go all the same.
    virtual com::HRESULT openDiagnosticEndPoint(bool events) = 0;
    virtual com::HRESULT closeEndPoint() = 0;
    // Each closes one wave object; its failures are posted.
    virtual void closePlayDevice() = 0;
    virtual void closeRecordDevice() = 0;
};

} // namespace kez::corvane
