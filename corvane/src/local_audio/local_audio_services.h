#pragma once
// What the local audio core needs from the engine around it: its wave objects opened and
// closed with the engine's settings, and its error posts. The engine supplies the one
// implementation.
#include "kez/com/guid.h"
#include "kez/com/hresult.h"

namespace kez::corvane {

class LocalAudioServices {
public:
    virtual ~LocalAudioServices() = default;

    // Shared-wave mode (bShareWave): the play object opens on demand.
    virtual bool sharedWave() const = 0;
    virtual com::HRESULT openPlayDevice() = 0;
    // Record first, then play; a play failure closes the record object again.
    virtual com::HRESULT openWaveDevices(bool autoSetupMixer) = 0;
    // Record, then play, whatever the mode; their failures are posted.
    virtual void closeWaveDevices() = 0;
    // Posts a failed call on another object with the error object it left.
    virtual void postCalleeError(com::HRESULT hr, const com::Guid& calledInterface) = 0;
};

} // namespace kez::corvane
