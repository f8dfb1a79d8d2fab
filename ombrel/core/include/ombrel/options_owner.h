#pragma once
// What the Options dialog calls on the controller that shows it.
#include <cstdint>

namespace kez::ombrel {

class OptionsClass;

class OptionsOwner {
public:
    virtual ~OptionsOwner() = default;

    // The settings the dialog edits.
    virtual OptionsClass& oOptions() = 0;
    // Sounds the PC speaker at this frequency (Hz) for this long (ms), through the engine.
    virtual void TestBeep(std::int32_t rlFrequency, std::int32_t rlDuration) = 0;
    // Captures the mixer's state into the settings key's "MixerInternal"; false when that failed (the engine has
    // said why).
    virtual bool InitializeMixerState() = 0;
    // Whether there is an engine to beep and capture through.
    virtual bool bEngineExists() const = 0;
};

} // namespace kez::ombrel
